#!/usr/bin/env bash
# Builds the simulation, its step tests, the golden trace and jellycube-trace with emscripten,
# once with the SIMD128 backend and once with the scalar one only, runs them under node, checks
# that the trace's hash is x86-64's and times the step against the reference built for
# WebAssembly.
# Usage: scripts/test-wasm-step.sh [BUILD_DIR_PREFIX] [JOBS]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/web_env.sh
prefix=${1:-build-wasm}
jobs=${2:-2}

for simd in ON OFF; do
    dir=$prefix-simd-$simd
    emcmake cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DJELLY_SIMD=$simd \
        -DJELLY_GTEST_SOURCE=/usr/src/googletest >/dev/null
    cmake --build "$dir" -j "$jobs" --target jellycube-trace-node jellycube-step-ratio \
        test_jelly_step test_fast_step test_state_hash test_golden_trace test_golden_trace_O2
    (cd "$dir" && ctest --output-on-failure -j "$jobs" \
        -R '^test_(jelly_step|fast_step|state_hash|golden_trace|golden_trace_O2)$')
    scripts/check-golden.sh "test-wasm: JELLY_SIMD=$simd" node "$dir/jellycube-trace.js"
    node "$dir/bench/jellycube-step-ratio.js"
done
