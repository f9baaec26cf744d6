#!/usr/bin/env bash
# Installs the Debian packages that the named groups need, those missing
# only; the package lists are read again only when something is missing.
# Uses sudo when not run as root.
#   scripts/deps.sh GROUP...
#     window    build and run the Qt window (scripts/run.sh)
#     cli       build and run the command line
#     test      the native build in build/ and all its tests, plain and
#               sanitized with clang
#     page      build the page with Emscripten, test it in headless Chromium
#     windows   cross-build the Windows programs, test them under Wine
#     package   build the Debian package, check it with lintian and its
#               desktop entry
#     bench     bench/run
#     all       every group (scripts/test.sh)
set -euo pipefail

declare -A groups=(
    [build]="cmake ninja-build g++ pkg-config"
    # FindX11 wants Xlib's headers beside xcb's; the form's fonts stand in for
    # the Windows ones.
    [window]="@build qt6-base-dev libgl-dev libx11-dev libxcb1-dev fonts-dejavu-core fonts-liberation
              wl-clipboard"
    # Shared libraries and static archives of both come with the -dev
    # packages.
    [cli]="@build libpng-dev libjpeg62-turbo-dev"
    # man and bash-completion check the manual pages and the completion.
    [test]="@window @cli libgtest-dev clang libclang-rt-dev imagemagick xvfb x11-utils xdotool xclip
            man-db bash-completion"
    [page]="@test emscripten nodejs chromium"
    # GoogleTest's sources, built for Windows; Wine's own fonts for its dialogs.
    [windows]="@test g++-mingw-w64-x86-64-posix googletest wine wine64 fonts-wine"
    # CPack finds the programs' libraries with file and dpkg-shlibdeps;
    # lintian checks the package as Debian checks every package.
    [package]="@window @cli dpkg-dev file desktop-file-utils lintian"
    [bench]="@test @page xxd"
    [all]="@test @page @windows @package @bench"
)

usage() {
    echo "usage: scripts/deps.sh GROUP...   (groups: window cli test page windows package bench all)" >&2
    exit 2
}
[ $# -gt 0 ] || usage

declare -A seen=()
packages=()
add_group() {
    [ -n "${groups[$1]+set}" ] || usage
    local item
    for item in ${groups[$1]}; do
        if [ "${item#@}" != "$item" ]; then
            add_group "${item#@}"
        elif [ -z "${seen[$item]+set}" ]; then
            seen[$item]=1
            packages+=("$item")
        fi
    done
}
for group in "$@"; do
    add_group "$group"
done

missing=()
# One query for every package; a package dpkg has never heard of is missing.
declare -A installed=()
while read -r package status; do
    [ "$status" != "install ok installed" ] || installed[$package]=1
done < <(dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null || true)
for package in "${packages[@]}"; do
    [ -n "${installed[$package]+set}" ] || missing+=("$package")
done
# Node.js from elsewhere than Debian carries npm within its own package.
if [ -n "${seen[nodejs]+set}" ] && ! command -v npm >/dev/null; then
    missing+=(npm)
fi
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
