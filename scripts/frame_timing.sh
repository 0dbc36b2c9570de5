#!/usr/bin/env bash
# Where a frame's time goes, under a private Xvfb (Mesa's software rasteriser): runs
# jellycube-frame-timing with llvmpipe's default threads and with LP_NUM_THREADS=1, then the
# program itself for FRAME_TIMING_SECONDS (10) each way, counting the frames it shows with the
# preloaded swap counter (the program is not changed). Everything runs one after the other in
# one Xvfb, so the figures compare; they are printed and kept in BUILD_DIR/frame_timing.md.
# Usage: scripts/frame_timing.sh [BUILD_DIR]   (FRAME_TIMING_FRAMES: frames per mode, 600)
set -euo pipefail
. "$(dirname "$0")/xvfb.sh"
build_dir=$(cd "${1:-build}" && pwd)
assets=$(cd "$(dirname "$0")/../assets" && pwd)
frames=${FRAME_TIMING_FRAMES:-600}
seconds=${FRAME_TIMING_SECONDS:-10}
settle=2 # seconds the program runs before its frames are counted
report=$build_dir/frame_timing.md

work=$(mktemp -d "${TMPDIR:-/tmp}/jellycube-frame-timing.XXXXXX")
xvfb_pid=
program_pid=
cleanup() {
    for pid in $program_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

start_xvfb "$work"
cd "$assets" # the textures are read from the working directory

# Frames the program shows per second between $settle and $settle + $seconds s of its run;
# the arguments go before the program (environment settings).
program_fps() {
    local counter=$work/frames_shown first last start end
    env "$@" LD_PRELOAD="$build_dir/tests/libswap_counter.so" JELLY_SWAP_COUNT_FILE="$counter" \
        "$build_dir/app/jellycube" >/dev/null &
    program_pid=$!
    sleep "$settle"
    first=$(tr -d ' \n' <"$counter" 2>/dev/null || echo 0)
    start=$(date +%s.%N)
    sleep "$seconds"
    last=$(tr -d ' \n' <"$counter")
    end=$(date +%s.%N)
    kill "$program_pid"
    wait "$program_pid" 2>/dev/null || true
    program_pid=
    awk -v f="$first" -v l="$last" -v s="$start" -v e="$end" \
        'BEGIN { printf "%.1f", (l - f) / (e - s) }'
}

{
    echo "## jellycube-frame-timing, llvmpipe's default threads ($(nproc) cores)"
    echo
    "$build_dir/bench/jellycube-frame-timing" --frames "$frames"
    echo
    echo "## jellycube-frame-timing, LP_NUM_THREADS=1"
    echo
    LP_NUM_THREADS=1 "$build_dir/bench/jellycube-frame-timing" --frames "$frames"
    echo
    echo "## jellycube itself, frames shown per second over $seconds s (after $settle s)"
    echo
    if [ -f "$build_dir/tests/libswap_counter.so" ]; then
        echo "| llvmpipe threads | frames/s |"
        echo "|---|---:|"
        echo "| default | $(program_fps) |"
        echo "| LP_NUM_THREADS=1 | $(program_fps LP_NUM_THREADS=1) |"
    else
        echo "(skipped: $build_dir/tests/libswap_counter.so is built with the tests)"
    fi
} | tee "$report"
