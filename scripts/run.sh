#!/usr/bin/env bash
# Builds the project and opens the converter window. Without a display it
# says so in one line and exits non-zero; bmp2cdata works there instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
# A build folder of the user's keeps the build type it was given.
[ -f build/CMakeCache.txt ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" >/dev/null
exec build/bin/bmp2cdata-gui "$@"
