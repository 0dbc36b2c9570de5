#!/usr/bin/env bash
# Where a frame's time goes, under a private Xvfb (Mesa's software rasteriser), with llvmpipe's
# default threads and with LP_NUM_THREADS=1: jellycube-frame-timing, then the program itself
# for FRAME_TIMING_SECONDS (10), counting the frames it shows with the preloaded swap counter
# (the program is not changed). Everything runs one after the other in
# one Xvfb, so the figures compare; they are printed and kept in BUILD_DIR/frame_timing.md.
# Usage: scripts/frame_timing.sh [BUILD_DIR]   (FRAME_TIMING_FRAMES: frames per mode, 600)
set -o pipefail
build_dir=$(cd "${1:-build}" && pwd)
source "$(dirname "$0")/../tests/e2e/lib.sh"
frames=${FRAME_TIMING_FRAMES:-600} seconds=${FRAME_TIMING_SECONDS:-10}
e2e_init 3600
cd "$(dirname "$0")/../assets" # the textures are read from the working directory

# section SETTING...: under the environment settings, jellycube-frame-timing's tables, then
# the frames that the program itself shows per second from 2 s after its window shows to
# `seconds` later.
section() {
    local counter=$E2E_TMP/frames_shown first start
    echo "## llvmpipe's ${1:-default threads ($(nproc) cores)}"
    echo
    env "$@" "$build_dir/bench/jellycube-frame-timing" --frames "$frames" || exit
    env "$@" LD_PRELOAD="$build_dir/tests/libswap_counter.so" JELLY_SWAP_COUNT_FILE="$counter" \
        "$build_dir/app/jellycube" >/dev/null &
    E2E_PID=$!
    e2e_wait_window && sleep 2
    first=$(tr -d ' \n' <"$counter" 2>/dev/null) start=$(date +%s.%N)
    sleep "$seconds"
    awk -v f="$first" -v l="$(tr -d ' \n' <"$counter")" -v s="$start" -v e="$(date +%s.%N)" \
        -v t="$seconds" 'BEGIN { printf "\njellycube itself: %.1f frames shown per second over " \
            "%d s (after 2 s)\n\n", (l - f) / (e - s), t }'
    e2e_stop "$E2E_PID"
    E2E_PID= # stopped: its status is that of the signal
}
{ section && section LP_NUM_THREADS=1; } | tee "$build_dir/frame_timing.md"
