#!/usr/bin/env bash
# Long runs, by hand or through `make soak`; not part of CI. In turn:
#   1. every cut length of a texture file through the real program (malformed_textures.sh);
#   2. jellycube under a private Xvfb for SOAK_MINUTES (10): resident memory and frames shown
#      sampled every 10 s, screenshots at start and end; memory must grow by less than
#      1 MiB after the first minute, and the cube and its shadow must still be in view;
#   3. an hour (SOAK_SIM_SECONDS) of simulated time, headless, at 30, 60, 144 and 1000
#      frames per second and on a clock with random stalls of up to 60 s: jellycube-long-run
#      checks every sub-step and reports neighbour distances, jellycube-trace --summary must
#      stay finite and above the floor in every frame. SOAK_JOBS (2) run side by side.
# Everything is written to BUILD_DIR/soak/; the figures are collected in summary.txt.
# Usage: scripts/soak.sh [BUILD_DIR]
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(realpath "${1:-build}")
minutes=${SOAK_MINUTES:-10}
sim_seconds=${SOAK_SIM_SECONDS:-3600}
jobs=${SOAK_JOBS:-2}
out=$build_dir/soak
rm -rf "$out"
mkdir -p "$out"
summary=$out/summary.txt
failed=0

note() { echo "$*" | tee -a "$summary"; }
problem() {
    note "FAIL: $*"
    failed=1
}

# 1. Malformed texture files, every cut length.
note "== malformed texture files, every cut length"
if bash "$root/tests/e2e/malformed_textures.sh" "$build_dir/app/jellycube" full \
    >"$out/malformed_textures.txt" 2>&1; then
    tail -n 5 "$out/malformed_textures.txt" | tee -a "$summary"
else
    tail -n 30 "$out/malformed_textures.txt"
    problem "malformed texture files (log: $out/malformed_textures.txt)"
fi

# 2. The program in a window for SOAK_MINUTES. Runs in a subshell of its own, since the
# end-to-end helpers own the EXIT trap and the X server.
note "== jellycube in a window for $minutes min"
(
    source "$root/tests/e2e/lib.sh"
    E2E_EXIT_TIMEOUT=30
    e2e_init $((minutes * 60 + 300))
    e2e_default_run_dir "$root/assets"
    samples=$out/window_samples.csv # seconds, VmRSS (KiB), frames shown, CPU ticks
    counter=$out/frames_shown
    e2e_run "$E2E_RUN_DIR" env LD_PRELOAD="$build_dir/tests/libswap_counter.so" \
        JELLY_SWAP_COUNT_FILE="$counter" "$build_dir/app/jellycube"
    e2e_wait_window
    sleep 5
    e2e_screenshot "$out/window_start.png"

    # Cube pixels are strongly red, the shadow is pure black; the floor and the sky are
    # neither. Prints "cube shadow" pixel counts.
    in_view() {
        local cube shadow
        cube=$(convert "$1" -fx "(r > g + 0.3 && r > b + 0.25) ? 1 : 0" \
            -format "%[fx:round(mean*w*h)]" info:)
        shadow=$(convert "$1" -fx "(r + g + b == 0) ? 1 : 0" -format "%[fx:round(mean*w*h)]" info:)
        echo "$cube $shadow"
    }
    read -r cube shadow <<<"$(in_view "$out/window_start.png")"

    echo "seconds,rss_kib,frames,cpu_ticks" >"$samples"
    start=$SECONDS
    while [ $((SECONDS - start)) -le $((minutes * 60)) ]; do
        e2e_running "$E2E_PID" || e2e_fail "the program ended during the soak"
        rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$E2E_PID/status")
        frames=$(tr -d ' \n' <"$counter" 2>/dev/null)
        ticks=$(awk '{ sub(/.*\) /, ""); print $12 + $13 }' "/proc/$E2E_PID/stat")
        echo "$((SECONDS - start)),$rss,${frames:-0},$ticks" >>"$samples"
        sleep 10
    done
    e2e_screenshot "$out/window_end.png"
    read -r end_cube end_shadow <<<"$(in_view "$out/window_end.png")"
    e2e_escape

    echo "cube pixels $cube at the start, $end_cube at the end; shadow pixels $shadow, $end_shadow"
    awk -F, -v ticks_per_s="$(getconf CLK_TCK)" 'NR == 2 { first = $1 } NR > 1 {
            t[NR] = $1; rss[NR] = $2; f[NR] = $3; cpu[NR] = $4; n = NR
            if ($1 >= 60 && base == "") base = $2
            if ($1 >= 60 && $2 > top) top = $2
        }
        END {
            # Frames per CPU-second do not depend on how busy the machine is: if they hold
            # from the first minutes to the last, each frame costs what it did at the start.
            for (i = 3; i <= n; i++) {
                fps = (f[i] - f[i - 1]) / (t[i] - t[i - 1])
                if (min == "" || fps < min) min = fps
                if (fps > max) max = fps
                per_cpu = (f[i] - f[i - 1]) / ((cpu[i] - cpu[i - 1]) / ticks_per_s)
                if (t[i] <= 120) { early += per_cpu; early_n++ }
                if (t[i] >= t[n] - 120) { late += per_cpu; late_n++ }
            }
            printf "resident memory: %d KiB at the start, %d KiB at 60 s, at most %d KiB after; " \
                "growth after the first minute %d KiB\n", rss[2], base, top, top - base
            printf "frames shown: %d in %d s, %.1f per second overall, %.1f to %.1f per 10 s" \
                " interval\n", f[n], t[n] - first, f[n] / (t[n] - first), min, max
            printf "CPU: %.0f%% of one core on average; frames per CPU-second %.1f in the" \
                " first 2 min, %.1f in the last 2 min\n",
                100 * (cpu[n] - cpu[2]) / ticks_per_s / (t[n] - t[2]), early / early_n,
                late / late_n
            if (top - base >= 1024) exit 1
        }' "$samples" || e2e_fail "resident memory grew by 1 MiB or more after the first minute"
    [ "$end_cube" -gt 200 ] && [ "$end_shadow" -gt 50 ] ||
        e2e_fail "the cube ($end_cube pixels) or its shadow ($end_shadow) left the view"
) >"$out/window.txt" 2>&1 || problem "the window soak (log: $out/window.txt)"
grep -vE '^ok|^$' "$out/window.txt" | tail -n 6 | tee -a "$summary"

# 3. An hour of simulated time, headless. The stall clock comes from a fixed seed: frames
# at 60 per second, now and then a stall of up to 60 s or a frame that reads the same
# counter value as the one before (a Park-Miller generator, exact in any awk).
note "== $sim_seconds s of simulated time, headless"
stalls=$out/stall_ticks.txt
awk -v end=$((sim_seconds * 1000000)) 'BEGIN {
        x = 20261208; t = 0
        while (t < end) {
            x = (x * 16807) % 2147483647
            u = x / 2147483647
            if (u < 1 / 1500) {
                x = (x * 16807) % 2147483647
                t += int(x / 2147483647 * 60000000)
            } else if (u >= 1 / 1500 + 1 / 500) {
                t += 16667
            }
            printf "%.0f\n", t
        }
    }' >"$stalls"
note "stall clock: $(wc -l <"$stalls") frames, $(awk 'NR > 1 && $1 - p > 1000000 { n++ }
    { p = $1 } END { print n + 0 }' "$stalls") stalls over 1 s, $(awk 'NR > 1 && $1 == p { n++ }
    { p = $1 } END { print n + 0 }' "$stalls") repeated readings"

# One job: the run's per-step checks and distances, or its summary CSV checked row by row.
headless() {
    local kind=$1 name=$2
    shift 2
    local log=$out/${kind}_$name.txt
    local start=$SECONDS
    if [ "$kind" = long_run ]; then
        nice -n 10 "$build_dir/tests/jellycube-long-run" "$@" >"$log" 2>&1 || {
            echo "FAIL" >>"$log"
            return
        }
    else
        # Columns: frame,time,dt,lift,cx,cy,cz,min_y,max_y.
        nice -n 10 "$build_dir/tools/jellycube-trace" --summary "$@" 2>&1 | awk -F, '
            NR == 1 { next }
            /nan|inf/ || $8 < 0 { print "FAIL: frame " $1 ": " $0; bad = 1; exit }
            { n++; if (low == "" || $8 < low) low = $8; if ($9 > high) high = $9; t = $2 }
            END { if (!bad) printf "%d frames to %.1f s, all finite; lowest particle %.6g, " \
                  "highest %.6g\n", n, t, low, high }' >"$log"
        [ "${PIPESTATUS[0]}" = 0 ] || echo "FAIL: jellycube-trace ended badly" >>"$log"
    fi
    echo "took $((SECONDS - start)) s" >>"$log"
}

# The longest first, so that the pool ends together.
runs=()
for fps in 1000 144 60 30; do
    runs+=("long_run ${fps}fps --fps $fps --seconds $sim_seconds")
    runs+=("trace ${fps}fps --fps $fps --seconds $sim_seconds")
done
runs+=("long_run stalls --ticks $stalls" "trace stalls --ticks $stalls")
running=0
for entry in "${runs[@]}"; do
    read -r -a run <<<"$entry"
    headless "${run[@]}" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait -n
        running=$((running - 1))
    fi
done
wait

for log in "$out"/long_run_*.txt "$out"/trace_*.txt; do
    name=$(basename "$log" .txt)
    note "-- $name"
    sed 's/^/   /' "$log" | tee -a "$summary"
    grep -q FAIL "$log" && problem "$name"
done

if [ "$failed" = 0 ]; then
    note "soak: all long runs passed; figures in $summary"
else
    note "soak: FAILED; logs in $out"
fi
exit "$failed"
