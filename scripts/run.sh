#!/usr/bin/env bash
# Builds the project and converts the shipped sample image with the
# command-line host. Extra arguments are passed on (for example --rgb332).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" >/dev/null
exec build/bin/bmp2cdata "$@" samples/rainbow.bmp
