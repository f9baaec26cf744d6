#!/usr/bin/env bash
# Builds the project twice, plainly and under AddressSanitizer and
# UndefinedBehaviorSanitizer (with clang, which also builds the fuzz target),
# each failing on any compiler warning, and runs every test in both builds;
# packs the plain build into a Debian package and checks it with lintian;
# builds the page with Emscripten and runs its tests in headless Chromium;
# then cross-builds the Windows programs and runs their tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh all

jobs=$(nproc)
# shellcheck source=scripts/common.sh
source scripts/common.sh
configure_native_build -DBMP2CDATA_WARNINGS_AS_ERRORS=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"
# The Debian package of the same build, as lintian checks every package.
pack_debian_package build >/dev/null

# The page, built with Emscripten and tested in headless Chromium.
scripts/web.sh

# -O1 keeps the sanitizers' reports exact and runs the fuzzer ten times as
# fast as an unoptimised build.
CC=clang CXX=clang++ cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g" -DBMP2CDATA_SANITIZE=ON -DBMP2CDATA_FUZZ=ON \
    -DBMP2CDATA_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build-sanitize -j "$jobs"
ctest --test-dir build-sanitize --output-on-failure -j "$jobs"

# The Windows programs, cross-built and tested under Wine.
scripts/windows.sh
