#!/usr/bin/env bash
# Builds the simulation, its step tests and jellycube-trace with emscripten for node, once
# with the SIMD128 backend and once with the scalar one only, runs them under node and times
# the SIMD128 step against the reference step built for the same target.
# Usage: scripts/test-wasm-step.sh [BUILD_DIR_PREFIX] [JOBS]
set -euo pipefail
cd "$(dirname "$0")/.."
prefix=${1:-build-wasm}
jobs=${2:-2}
golden_hash=d585549377aadd7c # jellycube-trace --hash --fps 60 --seconds 60, tests/test_state_hash.cpp
# emcc runs its own JavaScript tools under node; a node that is not Debian's own needs to be
# told where Debian keeps the modules they use.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

for simd in ON OFF; do
    dir=$prefix-simd-$simd
    # emscripten's own choice of runner passes node a flag that node 20 no longer takes.
    emcmake cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DJELLY_HEADLESS=ON -DJELLY_SIMD=$simd \
        -DJELLY_GTEST_SOURCE=/usr/src/googletest -DCMAKE_CROSSCOMPILING_EMULATOR=node >/dev/null
    cmake --build "$dir" -j "$jobs" --target jellycube-trace jellycube-step-ratio \
        test_jelly_step test_fast_step test_state_hash test_golden_trace test_golden_trace_O2
    (cd "$dir" && ctest --output-on-failure -j "$jobs" -R 'JellyStep|FastStep|GoldenTrace|StateHash')
    got=$(node "$dir/tools/jellycube-trace.js" --hash --fps 60 --seconds 60)
    if [ "$got" != "$golden_hash" ]; then
        echo "test-wasm: JELLY_SIMD=$simd jellycube-trace --hash gave $got, x86-64 gives $golden_hash" >&2
        exit 1
    fi
    echo "test-wasm: JELLY_SIMD=$simd jellycube-trace --hash --fps 60 --seconds 60: $got, as on x86-64"
    node "$dir/bench/jellycube-step-ratio.js"
done
