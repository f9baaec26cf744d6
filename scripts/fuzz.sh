#!/usr/bin/env bash
# Runs the fuzz target for a bounded time on freshly written seeds, after
# replaying the inputs kept from earlier finds. A crashing input is saved in
# tests/fuzz/regressions/ (commit it: the regression test replays it).
#   scripts/fuzz.sh FUZZ_CONVERT MAKE_FUZZ_SEEDS CORPUS_FOLDER SECONDS
set -euo pipefail
fuzzer=$1 seeds=$2 corpus=$3 seconds=$4
regressions="$(cd "$(dirname "$0")/.." && pwd)/tests/fuzz/regressions"

mkdir -p "$corpus/seeds" "$corpus/found"
"$seeds" "$corpus/seeds"
kept=$(find "$regressions" -type f ! -name '.*')
if [ -n "$kept" ]; then
    # Some were kept for the memory or the time they cost, not for a crash:
    # each must now be refused within a second or so, asking for no block
    # larger than an accepted picture's (a fitted 16-megapixel interlaced PNG
    # holds 48 MiB), where before it asked for 128 MiB to 2 GB or ran for
    # seconds.
    # shellcheck disable=SC2086
    "$fuzzer" -timeout=2 -rss_limit_mb=512 -malloc_limit_mb=64 $kept
fi
exec "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -print_final_stats=1 \
    -artifact_prefix="$regressions/" "$corpus/found" "$corpus/seeds"
