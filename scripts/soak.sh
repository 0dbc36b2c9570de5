#!/usr/bin/env bash
# Long runs, by hand or through `make soak`; not part of CI. In turn:
#   1. every cut length of a texture file through the real program (malformed_textures.sh);
#   2. jellycube under a private Xvfb for SOAK_MINUTES (10), sampled every 10 s: resident
#      memory must grow by less than 1 MiB after the first minute, and the cube and its
#      shadow must still be in view at the end;
#   3. an hour (SOAK_SIM_SECONDS) of simulated time, headless, at 30, 60, 144 and 1000 frames
#      per second and on a clock with random stalls of up to 60 s: jellycube-long-run checks
#      every sub-step and reports neighbour distances, and jellycube-trace --summary must stay
#      finite and above the floor in every frame. SOAK_JOBS (2) run side by side.
# Logs go to BUILD_DIR/soak/, the figures to its summary.txt.
# Usage: scripts/soak.sh [BUILD_DIR]
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(realpath "${1:-build}")
minutes=${SOAK_MINUTES:-10} sim_seconds=${SOAK_SIM_SECONDS:-3600} jobs=${SOAK_JOBS:-2}
out=$build_dir/soak summary=$build_dir/soak/summary.txt failed=0
rm -rf "$out" && mkdir -p "$out"
note() { echo "$*" | tee -a "$summary"; }
# check NAME COMMAND...: runs it into NAME.txt; its last lines go to the summary.
check() {
    local log=$out/$1.txt
    note "== $1"
    "${@:2}" >"$log" 2>&1 || { note "FAIL: $1 (log: $log)"; failed=1; }
    grep -v '^$' "$log" | tail -n 5 | sed 's/^/   /' | tee -a "$summary"
}

check malformed_textures \
    bash "$root/tests/e2e/malformed_textures.sh" "$build_dir/app/jellycube" full

# The program in its window, in a subshell of its own: the end-to-end helpers own the EXIT
# trap and the X server. Samples are seconds, VmRSS (KiB), frames shown and CPU ticks.
window() (
    source "$root/tests/e2e/lib.sh"
    E2E_EXIT_TIMEOUT=30
    e2e_init $((minutes * 60 + 300))
    e2e_default_run_dir "$root/assets"
    e2e_run "$E2E_RUN_DIR" env LD_PRELOAD="$build_dir/tests/libswap_counter.so" \
        JELLY_SWAP_COUNT_FILE="$out/frames_shown" "$build_dir/app/jellycube"
    e2e_wait_window
    sleep 5
    e2e_screenshot "$out/window_start.png"
    local start=$SECONDS rss ticks
    while [ $((SECONDS - start)) -le $((minutes * 60)) ]; do
        e2e_running "$E2E_PID" || e2e_fail "the program ended during the soak"
        rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$E2E_PID/status")
        ticks=$(awk '{ sub(/.*\) /, ""); print $12 + $13 }' "/proc/$E2E_PID/stat")
        echo "$((SECONDS - start)),$rss,$(tr -d ' \n' <"$out/frames_shown" 2>/dev/null),$ticks" \
            >>"$out/window_samples.csv"
        sleep 10
    done
    e2e_screenshot "$out/window_end.png"
    e2e_escape
    # Cube pixels are strongly red, the shadow is pure black; the floor and the sky are neither.
    count() { convert "$1" -fx "$2" -format "%[fx:round(mean*w*h)]" info:; }
    local shot cube shadow
    for shot in start end; do
        cube=$(count "$out/window_$shot.png" "r > g + 0.3 && r > b + 0.25")
        shadow=$(count "$out/window_$shot.png" "r + g + b == 0")
        echo "at the $shot: $cube cube pixels, $shadow shadow pixels"
    done
    # Frames per CPU-second do not depend on how busy the machine is: if they hold from the
    # first minutes to the last, each frame costs what it did at the start.
    awk -F, -v hz="$(getconf CLK_TCK)" '{ t[NR] = $1; rss[NR] = $2; f[NR] = $3; cpu[NR] = $4 }
        $1 >= 60 && base == "" { base = $2 } $1 >= 60 && $2 > top { top = $2 }
        NR > 1 && $1 <= 120 { early += f[NR] - f[NR - 1]; early_cpu += cpu[NR] - cpu[NR - 1] }
        END {
            for (i = 2; i <= NR; i++) if (t[i] >= t[NR] - 120) {
                late += f[i] - f[i - 1]; late_cpu += cpu[i] - cpu[i - 1] }
            if (base == "") printf "resident memory: %d KiB at the start; growth not judged, no " \
                "sample after the first minute\n", rss[1]
            else printf "resident memory: %d KiB at the start, %d KiB at 60 s, at most %d KiB " \
                "after; growth after the first minute %d KiB\n", rss[1], base, top, top - base
            printf "frames shown: %d in %d s, %.1f per second; per CPU-second %.1f in the first" \
                " 2 min, %.1f in the last 2 min\n", f[NR], t[NR], f[NR] / t[NR],
                early * hz / early_cpu, late * hz / late_cpu
            exit top - base >= 1024 }' "$out/window_samples.csv" ||
        e2e_fail "resident memory grew by 1 MiB or more after the first minute"
    [ "$cube" -gt 200 ] && [ "$shadow" -gt 50 ] || e2e_fail "the cube or its shadow left the view"
)
check window window

# The stalling clock, from a fixed seed: frames at 60 per second, now and then a stall of up
# to 60 s or a frame that reads the same counter value as the one before (a Park-Miller
# generator, exact in any awk).
awk -v end=$((sim_seconds * 1000000)) 'BEGIN {
        for (x = 20261208; t < end; ) {
            x = (x * 16807) % 2147483647
            if (x / 2147483647 < 1 / 1500) {
                x = (x * 16807) % 2147483647
                t += int(x / 2147483647 * 60000000)
            } else if (x / 2147483647 >= 1 / 1500 + 1 / 500) t += 16667
            printf "%.0f\n", t
        } }' >"$out/stall_ticks.txt"
note "stall clock: $(awk 'NR > 1 && $1 - p > 1000000 { s++ } NR > 1 && $1 == p { r++ } { p = $1 }
    END { printf "%d frames, %d stalls over 1 s, %d repeated readings", NR, s, r }' \
    "$out/stall_ticks.txt")"

# One clock, both headless programs; the trace's summary columns are
# frame,time,dt,lift,cx,cy,cz,min_y,max_y.
headless() {
    nice -n 10 "$build_dir/tests/jellycube-long-run" "$@" || echo "FAIL: jellycube-long-run"
    nice -n 10 "$build_dir/tools/jellycube-trace" --summary "$@" | awk -F, 'NR == 1 { next }
        /nan|inf/ || $8 < 0 { print "FAIL: frame " $1 ": " $0; bad = 1; exit }
        { n++; if (low == "" || $8 < low) low = $8; if ($9 > high) high = $9; t = $2 }
        END { if (!bad) printf "trace: %d frames to %.1f s, all finite; lowest particle " \
              "%.6g, highest %.6g\n", n, t, low, high }'
    [ "${PIPESTATUS[*]}" = "0 0" ] || echo "FAIL: jellycube-trace"
}
# The longest first, so that the pool ends together.
runs="1000fps 144fps 60fps 30fps stalls"
for run in $runs; do
    clock=(--fps "${run%fps}" --seconds "$sim_seconds")
    [ "$run" != stalls ] || clock=(--ticks "$out/stall_ticks.txt")
    headless "${clock[@]}" >"$out/headless_$run.txt" 2>&1 &
    [ "$(jobs -rp | wc -l)" -lt "$jobs" ] || wait -n
done
wait
for run in $runs; do
    note "== headless, $run"
    sed 's/^/   /' "$out/headless_$run.txt" | tee -a "$summary"
    ! grep -q FAIL "$out/headless_$run.txt" || failed=1
done
[ "$failed" = 0 ] && note "soak: all long runs passed; figures in $summary" ||
    note "soak: FAILED; logs in $out"
exit "$failed"
