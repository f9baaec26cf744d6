#!/usr/bin/env bash
# Checks that the usage text shown in README.md and docs/command-line.md is
# what bmp2cdata --help prints: the fenced block that starts with "Usage:".
# Shows the difference and exits with 1 where it is not.
#   tests/usage.sh BMP2CDATA [SOURCE_FOLDER]
set -euo pipefail
program=$1
cd "${2:-$(dirname "$0")/..}"

help=$("$program" --help)
failures=0
for page in README.md docs/command-line.md; do
    shown=$(awk '
        /^```/ { if (inside) exit; fenced = !fenced; first = fenced; next }
        first { first = 0; if (/^Usage: /) inside = 1 }
        inside { print }' "$page")
    if [ -z "$shown" ]; then
        echo "$page shows no usage text" >&2
        failures=$((failures + 1))
    elif [ "$shown" != "$help" ]; then
        echo "$page shows a usage text other than $program --help prints:" >&2
        diff <(echo "$shown") <(echo "$help") >&2 || true
        failures=$((failures + 1))
    fi
done
[ "$failures" -eq 0 ]
