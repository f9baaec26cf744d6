#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tools need, if any
# is missing. Uses sudo when not run as root.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev libgl-dev libxcb1-dev libgtest-dev fonts-dejavu-core fonts-liberation
    clang libclang-rt-dev
    libpng-dev libjpeg62-turbo-dev
    imagemagick xxd acl attr e2fsprogs
    xvfb xauth x11-apps x11-utils xdotool xclip
    g++-mingw-w64-x86-64-posix googletest wine wine64 fonts-wine
    emscripten chromium
    dpkg-dev file desktop-file-utils
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
