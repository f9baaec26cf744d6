#!/usr/bin/env bash
# Cross-builds the Windows programs into build-windows/bin/ with mingw-w64 and
# runs their tests under Wine. With --package it also writes
# build-windows/bmp2cdata-<version>-win64.zip.
#   scripts/windows.sh [--package]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh windows
# shellcheck source=scripts/wine-session.sh
source scripts/wine-session.sh

jobs=$(nproc)
configure_windows_build
cmake --build build-windows -j "$jobs"

start_wine_session
# Now and then Wine fails to start a test program at all, which then prints
# nothing and fails at once; a test is run a second time before it counts as
# failed, so that only a fault of the program itself fails the suite.
ctest --test-dir build-windows --output-on-failure -j "$jobs" --repeat until-pass:2

if [ "${1:-}" = --package ]; then
    cmake --build build-windows --target package_windows >/dev/null
    ls build-windows/bmp2cdata-*-win64.zip
fi
