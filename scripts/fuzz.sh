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
    # shellcheck disable=SC2086
    "$fuzzer" $kept
fi
exec "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -print_final_stats=1 \
    -artifact_prefix="$regressions/" "$corpus/found" "$corpus/seeds"
