#!/usr/bin/env bash
# Builds every download into dist/, each tested first:
#   bmp2cdata-<version>.html         the page (its tests in headless Chromium)
#   bmp2cdata-<version>-win64.zip    the Windows programs (their tests under Wine)
#   bmp2cdata_<version>_amd64.deb    the Linux programs, checked by installing
#                                    the package here and running it
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh page windows package
version=$(sed -n 's/^project(bmp2cdata VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
rm -rf dist
mkdir dist

scripts/web.sh >/dev/null
cp build-web/bin/bmp2cdata.html "dist/bmp2cdata-$version.html"

scripts/windows.sh --package >/dev/null
cp "build-windows/bmp2cdata-$version-win64.zip" dist/

# The package comes from a release build of its own, without the tests.
deb="bmp2cdata_${version}_amd64.deb"
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build-release -j "$(nproc)" >/dev/null
(cd build-release && cpack -G DEB >/dev/null)
cp "build-release/$deb" dist/

# Installed here, it must run and its desktop entry must be valid; a package
# that was not installed before is removed again.
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
installed_before=$(dpkg-query -W -f='${Status}' bmp2cdata 2>/dev/null || true)
$sudo dpkg -i "dist/$deb" >/dev/null
reported=$(/usr/bin/bmp2cdata --version)
desktop-file-validate /usr/share/applications/bmp2cdata.desktop
for program in bmp2cdata-gui bmp2cdata-clipboard; do
    [ -x "/usr/bin/$program" ] || { echo "$deb lacks $program" >&2; exit 1; }
done
[ "$installed_before" = "install ok installed" ] || $sudo dpkg -r bmp2cdata >/dev/null
if [ "$reported" != "bmp2cdata $version" ]; then
    echo "the installed bmp2cdata reports '$reported', not version $version" >&2
    exit 1
fi
echo "$deb installs and runs: $reported"
ls -l dist
