#!/usr/bin/env bash
# Cross-builds the simulation, its step tests and jellycube-trace for aarch64 and runs them
# under qemu: every backend must give the bits of x86-64, and the trace tool the same hash.
# Usage: scripts/test-cross.sh [BUILD_DIR] [JOBS]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-aarch64}
jobs=${2:-2}

cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
    -DCMAKE_BUILD_TYPE=Release -DJELLY_HEADLESS=ON -DJELLY_BUILD_BENCH=OFF \
    -DJELLY_GTEST_SOURCE=/usr/src/googletest >/dev/null
# Emulated, a step costs about 30 times what it does natively: the minute-long hash runs once,
# through the tool.
cmake --build "$dir" -j "$jobs" --target jellycube-trace test_jelly_step test_fast_step \
    test_state_hash test_golden_trace test_golden_trace_O0 test_golden_trace_O2
(cd "$dir" && ctest --output-on-failure -j "$jobs" \
    -R 'JellyStep|FastStep|^EveryBackend/GoldenTrace|StateHash.Reads')

run="qemu-aarch64 -L /usr/aarch64-linux-gnu"
file "$dir/tools/jellycube-trace" | grep -q 'ARM aarch64' || {
    echo "test-cross: $dir/tools/jellycube-trace is not an aarch64 program" >&2
    exit 1
}
scripts/check-golden.sh test-cross $run "$dir/tools/jellycube-trace"
