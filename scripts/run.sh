#!/usr/bin/env bash
# Builds the converter window and its clipboard keeper in build-window/ and
# opens the window. Without a display it says so in one line and exits
# non-zero; the command line (scripts/test.sh builds build/bin/bmp2cdata)
# works there instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh window
# The window alone needs neither the command line's picture libraries nor
# the tests' ones, and leaves the tests' build/ as it is.
[ -f build-window/CMakeCache.txt ] ||
    cmake -S . -B build-window -G Ninja -DCMAKE_BUILD_TYPE=Release -DBMP2CDATA_CLI=OFF -DBUILD_TESTING=OFF >/dev/null
# Quiet when it builds; the compiler's messages when it does not.
if ! log=$(cmake --build build-window -j "$(nproc)" --target bmp2cdata-gui bmp2cdata-clipboard 2>&1); then
    echo "$log" >&2
    exit 1
fi
exec build-window/bin/bmp2cdata-gui "$@"
