#!/usr/bin/env bash
# Runs the BMP fuzz target for SECONDS from its seeds and the corpus it keeps between runs.
# A finding fails the run; its input is left in BUILD_DIR/fuzz/findings/, and once the
# fault is mended it belongs in tests/fuzz_regressions/.
# Usage: scripts/fuzz.sh [BUILD_DIR [SECONDS]]   (defaults: build-fuzz, 600)
set -euo pipefail
build_dir=${1:-build-fuzz}
seconds=${2:-600}
fuzzer=$build_dir/fuzz/fuzz_bmp_decode
seeds=$build_dir/fuzz/seeds
corpus=$build_dir/fuzz/corpus
findings=$build_dir/fuzz/findings
log=$build_dir/fuzz/last_run.log
mkdir -p "$corpus" "$findings"

echo "fuzz: BMP decoder for $seconds s (log: $log)"
status=0
# -timeout catches a single input that hangs, the outer timeout a fuzzer that does.
timeout $((seconds + 120)) "$fuzzer" -max_total_time="$seconds" -max_len=8192 -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "$seeds" >"$log" 2>&1 ||
    status=$?

grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1 | sed 's/^/fuzz: /' || true
grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log" |
    sed 's/^stat::/fuzz:   /' || true
if [ "$status" -ne 0 ]; then
    tail -n 60 "$log" >&2
    echo "fuzz: FAILED with status $status; inputs kept in $findings:" >&2
    ls -l "$findings" >&2
    exit 1
fi
echo "fuzz: no findings; corpus $(find "$corpus" -type f | wc -l) files"
