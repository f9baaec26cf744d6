#!/usr/bin/env bash
# Builds the page, build-web/bin/bmp2cdata.html, with Emscripten and runs its
# tests in headless Chromium against the command line of the native build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh page
# shellcheck source=scripts/page-build.sh
source scripts/page-build.sh
build_page
# shellcheck source=scripts/common.sh
source scripts/common.sh
configure_native_build
cmake --build build -j "$(nproc)" --target bmp2cdata make_sample make_fuzz_seeds >/dev/null
tests/web/run.sh build-web/bin/bmp2cdata.html build/bin
