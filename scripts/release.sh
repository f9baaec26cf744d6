#!/usr/bin/env bash
# Builds every download into dist/, each tested first:
#   bmp2cdata-<version>.html         the page (its tests in headless Chromium)
#   bmp2cdata-<version>-win64.zip    the Windows programs (their tests under Wine)
#   bmp2cdata_<version>_amd64.deb    the Linux programs, checked by lintian
#                                    and by installing the package here
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh page windows package test
version=$(sed -n 's/^project(bmp2cdata VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
rm -rf dist
mkdir dist

scripts/web.sh >/dev/null
cp build-web/bin/bmp2cdata.html "dist/bmp2cdata-$version.html"

scripts/windows.sh --package >/dev/null
cp "build-windows/bmp2cdata-$version-win64.zip" dist/

# The package comes from a release build of its own, without the tests.
# shellcheck source=scripts/common.sh
source scripts/common.sh
deb="bmp2cdata_${version}_amd64.deb"
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build-release -j "$(nproc)" >/dev/null
packed=$(pack_debian_package build-release)
cp "$packed" "dist/$deb"

# Installed here, it must run, its desktop entry must be valid, and man and
# bash-completion must find its manual pages and completion; a package that
# was not installed before is removed again.
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
installed_before=$(dpkg-query -W -f='${Status}' bmp2cdata 2>/dev/null || true)
$sudo dpkg -i "dist/$deb" >/dev/null
problems=()
reported=$(/usr/bin/bmp2cdata --version) || true
[ "$reported" = "bmp2cdata $version" ] || problems+=("bmp2cdata reports '$reported', not version $version")
desktop-file-validate /usr/share/applications/bmp2cdata.desktop || problems+=("its desktop entry is not valid")
for program in bmp2cdata bmp2cdata-gui bmp2cdata-clipboard; do
    [ -x "/usr/bin/$program" ] || problems+=("it lacks $program")
    man -w "$program" >/dev/null || problems+=("man finds no page for $program")
done
# The loader says it found a completion with status 124, as bash wants.
# shellcheck disable=SC2016
bash -c 'source /usr/share/bash-completion/bash_completion; _completion_loader bmp2cdata; complete -p bmp2cdata' \
    >/dev/null || problems+=("bash-completion finds no completion for bmp2cdata")
[ "$installed_before" = "install ok installed" ] || $sudo dpkg -r bmp2cdata >/dev/null
for problem in "${problems[@]}"; do
    echo "$deb, installed: $problem" >&2
done
[ ${#problems[@]} -eq 0 ]
echo "$deb installs and runs: $reported"
ls -l dist
