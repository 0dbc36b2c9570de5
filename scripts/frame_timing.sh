#!/usr/bin/env bash
# Where a frame's time goes, under a private Xvfb (Mesa's software rasteriser): runs
# jellycube-frame-timing with llvmpipe's default threads and with LP_NUM_THREADS=1, then the
# program itself for FRAME_TIMING_SECONDS (10) each way, counting the frames it shows with the
# preloaded swap counter (the program is not changed). Everything runs one after the other in
# one Xvfb, so the figures compare; they are printed and kept in BUILD_DIR/frame_timing.md.
# Usage: scripts/frame_timing.sh [BUILD_DIR]   (FRAME_TIMING_FRAMES: frames per mode, 600)
set -o pipefail
build_dir=$(cd "${1:-build}" && pwd)
source "$(dirname "$0")/../tests/e2e/lib.sh"
frames=${FRAME_TIMING_FRAMES:-600} seconds=${FRAME_TIMING_SECONDS:-10}
e2e_init 3600
cd "$(dirname "$0")/../assets" # the textures are read from the working directory

# Frames the program shows per second from its 2nd second to `seconds` later; the arguments
# are environment settings.
program_fps() {
    local counter=$E2E_TMP/frames_shown first start
    env "$@" LD_PRELOAD="$build_dir/tests/libswap_counter.so" JELLY_SWAP_COUNT_FILE="$counter" \
        "$build_dir/app/jellycube" >/dev/null &
    E2E_PID=$!
    sleep 2
    first=$(tr -d ' \n' <"$counter") start=$(date +%s.%N)
    sleep "$seconds"
    awk -v f="$first" -v l="$(tr -d ' \n' <"$counter")" -v s="$start" -v e="$(date +%s.%N)" \
        'BEGIN { printf "%.1f", (l - f) / (e - s) }'
    e2e_stop "$E2E_PID"
}

tool=$build_dir/bench/jellycube-frame-timing
{
    echo "## jellycube-frame-timing, llvmpipe's default threads ($(nproc) cores)"
    echo
    "$tool" --frames "$frames" || exit
    echo
    echo "## jellycube-frame-timing, LP_NUM_THREADS=1"
    echo
    LP_NUM_THREADS=1 "$tool" --frames "$frames" || exit
    echo
    echo "## jellycube itself, frames shown per second over $seconds s (after 2 s)"
    echo
    echo "| llvmpipe threads | frames/s |"
    echo "|---|---:|"
    echo "| default | $(program_fps) |"
    echo "| LP_NUM_THREADS=1 | $(program_fps LP_NUM_THREADS=1) |"
} | tee "$build_dir/frame_timing.md"
