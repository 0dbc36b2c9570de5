# Shared by the end-to-end tests: a private Xvfb and temp dir per test, the real program run
# in it, bounded waits, and an EXIT trap that stops everything and removes the temp dir.
# A watchdog ends the script at the deadline given to e2e_init, so nothing outlives ctest.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/xvfb.sh"
E2E_TITLE='Diz! Uvi! Dar!'
E2E_EXIT_TIMEOUT=${E2E_EXIT_TIMEOUT:-20} # seconds; only catches hangs
E2E_TMP='' E2E_PID='' E2E_XVFB='' E2E_DOG='' E2E_OUT='' E2E_ERR='' E2E_WID='' E2E_STATUS=''

# Prints the message and the program's output (control characters escaped, line ends as $).
e2e_fail() {
    echo "FAIL: $*" >&2
    [ -z "$E2E_OUT" ] || for f in "$E2E_OUT" "$E2E_ERR"; do
        echo "  ${f##*/}:"
        head -c 2000 "$f" | sed -n 'l 0' | head -n 20 | sed 's/^/    /'
    done >&2
    exit 1
}

# True while the process exists and is not a zombie.
e2e_running() { [ -n "$1" ] && [[ "$(ps -o stat= -p "$1")" == [^Z]* ]]; }

e2e_stop() {
    kill "$1" 2>/dev/null || return 0
    for _ in $(seq 20); do e2e_running "$1" || break; sleep 0.1; done
    kill -KILL "$1" 2>/dev/null
    wait "$1" 2>/dev/null
}

e2e_cleanup() {
    local status=$?
    trap - EXIT TERM
    for pid in "$E2E_PID" "$E2E_XVFB" "$E2E_DOG"; do e2e_stop "$pid"; done
    rm -rf "$E2E_TMP"
    exit "$status"
}

# e2e_init [DEADLINE]: temp dir in $E2E_TMP, a watchdog, Xvfb on $DISPLAY.
e2e_init() {
    local me=$BASHPID
    E2E_DEADLINE=${1:-90}
    E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/jellycube-e2e.XXXXXX") || exit 1
    trap e2e_cleanup EXIT
    trap 'echo "FAIL: still running at the $E2E_DEADLINE s deadline" >&2; exit 1' TERM
    (trap 'kill $! 2>/dev/null; exit 0' TERM; sleep "$E2E_DEADLINE" & wait $! && kill -TERM "$me") &
    E2E_DOG=$!
    start_xvfb "$E2E_TMP" || e2e_fail "no display from Xvfb"
    E2E_XVFB=$xvfb_pid
}

# $E2E_RUN_DIR: a working directory with copies of the default textures from ASSETS.
e2e_default_run_dir() {
    E2E_RUN_DIR=$E2E_TMP/run
    mkdir -p "$E2E_RUN_DIR"
    cp "$1/cub.bmp" "$1/floor.bmp" "$E2E_RUN_DIR/" || e2e_fail "no default textures in $1"
}

# e2e_run DIR COMMAND...: starts it in the background, output to files; pid in $E2E_PID.
e2e_run() {
    E2E_OUT=$E2E_TMP/stdout E2E_ERR=$E2E_TMP/stderr
    (cd "$1" && shift && exec "$@") </dev/null >"$E2E_OUT" 2>"$E2E_ERR" &
    E2E_PID=$!
}

# Collects the exit status; the pid may be reused afterwards, so it is forgotten.
e2e_reap() { wait "$E2E_PID"; E2E_STATUS=$? E2E_PID=; }

# e2e_wait_exit WHAT [STATUS]: waits for the end and checks the status if given.
e2e_wait_exit() {
    local end=$((SECONDS + E2E_EXIT_TIMEOUT))
    while e2e_running "$E2E_PID"; do
        [ $SECONDS -lt $end ] || e2e_fail "$1: still running after $E2E_EXIT_TIMEOUT s" \
            "(kernel wait: $(cat "/proc/$E2E_PID/wchan" 2>/dev/null))"
        sleep 0.05
    done
    e2e_reap
    [ -z "${2:-}" ] || [ "$E2E_STATUS" = "$2" ] || e2e_fail "$1: status $E2E_STATUS, expected $2"
}

# e2e_alive WHAT [SECONDS]: after a pause the program must still be running.
e2e_alive() {
    sleep "${2:-1}"
    e2e_running "$E2E_PID" || { e2e_reap; e2e_fail "$1: the program ended, status $E2E_STATUS"; }
}

# e2e_wait_window [WHAT]: waits for the window with the program's exact title; id in $E2E_WID.
e2e_wait_window() {
    local end=$((SECONDS + 30))
    until E2E_WID=$(timeout 5 xdotool search --onlyvisible --name "^$E2E_TITLE\$" | head -n 1) &&
        [ -n "$E2E_WID" ]; do
        e2e_running "$E2E_PID" ||
            { e2e_reap; e2e_fail "${1:+$1: }ended (status $E2E_STATUS) before its window"; }
        [ $SECONDS -lt $end ] || e2e_fail "${1:+$1: }no window titled '$E2E_TITLE' in 30 s;" \
            "windows: $(xwininfo -root -children | grep -o '"[^"]*"' | tr '\n' ' ')"
        sleep 0.1
    done
}

# Sets E2E_X, E2E_Y, E2E_W and E2E_H of the window.
e2e_geometry() {
    read -r E2E_X E2E_Y E2E_W E2E_H < <(timeout 5 xwininfo -id "$E2E_WID" |
        awk -F: '/Absolute|Width|Height/ { printf "%d ", $2 }')
    [ -n "${E2E_H:-}" ] || e2e_fail "no geometry for window $E2E_WID"
}

# Real key presses: with no window manager the focus follows the pointer into the window.
e2e_keys() {
    e2e_geometry
    timeout 10 xdotool mousemove $((E2E_X + E2E_W / 2)) $((E2E_Y + E2E_H / 2)) \
        key --delay 20 "$@" || e2e_fail "xdotool key $* failed"
}

e2e_escape() { e2e_keys Escape && e2e_wait_exit Esc 0; }

e2e_resize() {
    timeout 10 xdotool windowsize --sync "$E2E_WID" "$1" "$2" || e2e_fail "resize to $1x$2 failed"
    e2e_geometry
    [ "$E2E_W $E2E_H" = "$1 $2" ] || e2e_fail "window is ${E2E_W}x$E2E_H, not $1x$2"
}

e2e_screenshot() { timeout 20 import -window "$E2E_WID" "png:$1" || e2e_fail "no screenshot"; }

# e2e_pixel FILE X Y: prints "R G B", 0 to 255.
e2e_pixel() { convert "$1" -crop "1x1+$2+$3" -depth 8 rgb:- | od -An -tu1 | xargs; }

# e2e_expect_output TEXT WHAT: standard output is exactly TEXT and a line break.
e2e_expect_output() {
    printf '%s\n' "$1" | cmp -s - "$E2E_OUT" || e2e_fail "$2: stdout is not exactly '$1'"
}

# e2e_expect_extensions PROBE WHAT: standard output is exactly the extension list that PROBE,
# with a context of the same kind on the same server, prints.
e2e_expect_extensions() {
    [ -s "$E2E_TMP/probe" ] || timeout 30 "$1" >"$E2E_TMP/probe" || e2e_fail "the probe failed"
    local diff
    diff=$(cmp "$E2E_TMP/probe" "$E2E_OUT" 2>&1) ||
        e2e_fail "$2: stdout is not the $(wc -c <"$E2E_TMP/probe")-byte extension list: $diff"
}

# e2e_write_bmp FILE WIDTH BITS: a square BMP, 54-byte headers (and a grey palette for 8 bits),
# rows padded to 4 bytes, pixels a fixed ramp of byte values.
e2e_write_bmp() {
    perl -e '($w, $b) = @ARGV; $pal = $b == 8 ? 1024 : 0; $n = int(($w * $b / 8 + 3) / 4) * 4 * $w;
        print pack("a2V3V3v2V6", "BM", 54 + $pal + $n, 0, 54 + $pal, 40, $w, $w, 1, $b, 0, $n,
            2835, 2835, $pal / 4, 0), map({ pack("C4", $_, $_, $_, 0) } 0 .. $pal / 4 - 1),
            pack("C*", map { 16 + $_ % 64 } 0 .. $n - 1)' "$2" "$3" >"$1"
}
