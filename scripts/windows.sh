#!/usr/bin/env bash
# Cross-builds the Windows programs into build-windows/bin/ with mingw-w64 and
# runs their tests under Wine.
#   scripts/windows.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

jobs=$(nproc)
cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-windows -j "$jobs"

# A prefix of the build's own; one Wine server kept alive for the whole run,
# so that each test program starts in a fraction of a second. Wine's own
# services are started here, with no pipe of CTest's to inherit and hold
# open, which would keep CTest waiting for the test's output to end.
export WINEPREFIX="$PWD/build-windows/wine" WINEDEBUG=-all
mkdir -p "$WINEPREFIX"
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
wine cmd /c exit >/dev/null 2>&1 </dev/null
ctest --test-dir build-windows --output-on-failure -j "$jobs"
