#!/usr/bin/env bash
# Builds the project and opens the converter window. Without a display it
# says so in one line and exits non-zero; bmp2cdata works there instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh all
# shellcheck source=scripts/common.sh
source scripts/common.sh
configure_native_build
cmake --build build -j "$(nproc)" >/dev/null
exec build/bin/bmp2cdata-gui "$@"
