# Shared helpers for the end-to-end tests: each test sources this file, gets a private Xvfb
# and a private temp dir, runs the real jellycube binary and looks at what a user would see
# (the window, the exit status, standard output, the pixels).
#
# Every wait is bounded, and a watchdog ends the whole script if something still hangs, so
# a test never outlives its ctest timeout. The EXIT trap stops the program, the X server
# and the watchdog, and removes the temp dir, on every path.
#
# Usage:
#   source lib.sh
#   e2e_init [deadline-seconds]         # temp dir in $E2E_TMP, Xvfb on $DISPLAY
#   e2e_default_run_dir ASSETS_DIR      # $E2E_RUN_DIR with copies of the default textures
#   e2e_run DIR BINARY ARGS...          # start the program in DIR; pid in $E2E_PID
#   e2e_wait_window                     # window id in $E2E_WID
#   e2e_geometry                        # $E2E_WIN_X $E2E_WIN_Y $E2E_WIN_W $E2E_WIN_H
#   e2e_keys KEY...                     # real key presses, pointer inside the window
#   e2e_wait_exit [WHAT]                # exit status in $E2E_STATUS
#   e2e_screenshot FILE                 # PNG of the window
#   e2e_pixel FILE X Y                  # prints "R G B" (0-255)
#   e2e_expect_extension_list PROBE WHAT  # stdout is exactly the GL extension list
# Failures call e2e_fail, which prints the message, the program's output and exits 1.

set -u

E2E_TITLE='Diz! Uvi! Dar!'
E2E_WINDOW_TIMEOUT=${E2E_WINDOW_TIMEOUT:-30} # seconds for the window to appear
E2E_EXIT_TIMEOUT=${E2E_EXIT_TIMEOUT:-20}     # seconds for the program to end
E2E_TMP=
E2E_XVFB_PID=
E2E_WATCHDOG_PID=
E2E_HELPER_PIDS=() # other background processes of the test, stopped on exit
E2E_PID=
E2E_REAPED=
E2E_OUT=
E2E_ERR=
E2E_WID=
E2E_STATUS=

e2e_log() { printf '%s\n' "$*" >&2; }

# Prints a file for a failure report, with control characters escaped and each line's end
# marked by "$".
e2e_show_file() {
    local label=$1 file=$2
    if [ ! -e "$file" ]; then
        e2e_log "  $label: (no file)"
    elif [ ! -s "$file" ]; then
        e2e_log "  $label: (empty)"
    else
        e2e_log "  $label ($(wc -c <"$file") bytes):"
        head -c 2000 "$file" | sed -n 'l 0' | head -n 40 | sed 's/^/    /' >&2
    fi
}

e2e_fail() {
    e2e_log "FAIL: $*"
    if [ -n "$E2E_PID" ]; then
        if [ -z "$E2E_REAPED" ] && e2e_running "$E2E_PID"; then
            local wchan
            wchan=$(cat "/proc/$E2E_PID/wchan" 2>/dev/null)
            e2e_log "  program (pid $E2E_PID) is still running" \
                "${wchan:+$([ "$wchan" != 0 ] && echo "(blocked in $wchan)")}"
        fi
        e2e_show_file "stdout" "$E2E_OUT"
        e2e_show_file "stderr" "$E2E_ERR"
    fi
    if [ -n "${DISPLAY:-}" ] && [ -n "$E2E_XVFB_PID" ]; then
        e2e_log "  top-level windows on $DISPLAY:"
        timeout 5 xwininfo -root -children 2>&1 | grep -E '^ +0x' | sed 's/^ */    /' >&2
    fi
    exit 1
}

# True while the process exists and has not exited (a zombie counts as exited).
e2e_running() {
    local pid=$1 stat
    stat=$(cat "/proc/$pid/stat" 2>/dev/null) || return 1
    stat=${stat##*) } # the state follows the parenthesised command name
    [ "${stat%% *}" != Z ]
}

# Sends SIGTERM, then SIGKILL if the process has not gone within two seconds, and reaps it.
e2e_stop_process() {
    local pid=$1 i
    [ -n "$pid" ] || return 0
    if e2e_running "$pid"; then
        kill -TERM "$pid" 2>/dev/null
        for i in $(seq 20); do
            e2e_running "$pid" || break
            sleep 0.1
        done
        e2e_running "$pid" && kill -KILL "$pid" 2>/dev/null
    fi
    wait "$pid" 2>/dev/null
    return 0
}

e2e_cleanup() {
    local status=$?
    local pid
    trap - EXIT INT TERM
    [ -z "$E2E_REAPED" ] && e2e_stop_process "$E2E_PID"
    for pid in "${E2E_HELPER_PIDS[@]}"; do
        e2e_stop_process "$pid"
    done
    e2e_stop_process "$E2E_XVFB_PID"
    if [ -n "$E2E_WATCHDOG_PID" ]; then
        kill -TERM "$E2E_WATCHDOG_PID" 2>/dev/null
        wait "$E2E_WATCHDOG_PID" 2>/dev/null
    fi
    [ -n "$E2E_TMP" ] && rm -rf "$E2E_TMP"
    exit "$status"
}

# Creates the temp dir, starts the watchdog and a private X server, and exports DISPLAY.
e2e_init() {
    local deadline=${1:-90} i display=
    E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/jellycube-e2e.XXXXXX") || e2e_fail "mktemp failed"
    trap e2e_cleanup EXIT
    trap 'e2e_log "interrupted"; exit 1' INT
    trap 'e2e_log "FAIL: watchdog: the test ran longer than its deadline"; exit 1' TERM

    # The watchdog is a subshell waiting on a sleep. Stopped with SIGTERM, it takes its
    # sleep along; $$ inside it is still this script.
    (
        trap 'kill "$sleeper" 2>/dev/null; exit 0' TERM
        sleep "$deadline" &
        sleeper=$!
        wait "$sleeper" && kill -TERM $$ 2>/dev/null
    ) &
    E2E_WATCHDOG_PID=$!

    # -displayfd picks a free display number and writes it once the server accepts clients.
    # An 8-bit screen would break GLX; -noreset keeps the server up between clients.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -noreset -nolisten tcp \
        3>"$E2E_TMP/xvfb.display" >"$E2E_TMP/xvfb.log" 2>&1 &
    E2E_XVFB_PID=$!
    for i in $(seq 200); do
        display=$(head -n 1 "$E2E_TMP/xvfb.display" 2>/dev/null)
        [ -n "$display" ] && break
        e2e_running "$E2E_XVFB_PID" || break
        sleep 0.05
    done
    if [ -z "$display" ]; then
        e2e_show_file "Xvfb log" "$E2E_TMP/xvfb.log"
        e2e_fail "Xvfb did not report a display number within 10 s"
    fi
    export DISPLAY=":$display"
}

# Makes $E2E_RUN_DIR, a working directory holding copies of the default textures.
e2e_default_run_dir() {
    local assets=$1 texture
    E2E_RUN_DIR=$E2E_TMP/run
    mkdir -p "$E2E_RUN_DIR"
    for texture in cub.bmp floor.bmp; do
        cp "$assets/$texture" "$E2E_RUN_DIR/" ||
            e2e_fail "default texture $assets/$texture is missing"
    done
}

# Starts the program in DIR with the given arguments, stdout and stderr captured in
# $E2E_OUT and $E2E_ERR (regular files, so stdout is fully buffered as when redirected).
# Standard input is /dev/null: the program reads nothing from it.
e2e_run() {
    local dir=$1
    shift
    E2E_OUT=$E2E_TMP/stdout.$RANDOM
    E2E_ERR=$E2E_TMP/stderr.$RANDOM
    E2E_WID=
    E2E_STATUS=
    E2E_REAPED=
    (cd "$dir" && exec "$@") <"/dev/null" >"$E2E_OUT" 2>"$E2E_ERR" &
    E2E_PID=$!
}

# Collects the exit status of the ended program into $E2E_STATUS. After this its pid may be
# reused by an unrelated process, so nothing signals it any more.
e2e_reap() {
    wait "$E2E_PID"
    E2E_STATUS=$?
    E2E_REAPED=1
}

# Waits until the program's window is mapped; its id goes to $E2E_WID. Fails early, with
# the program's output, if the program ends first.
e2e_wait_window() {
    local deadline=$((SECONDS + E2E_WINDOW_TIMEOUT)) wid
    while [ $SECONDS -lt $deadline ]; do
        wid=$(timeout 5 xdotool search --onlyvisible --name "^${E2E_TITLE}\$" 2>/dev/null |
            head -n 1)
        if [ -n "$wid" ]; then
            E2E_WID=$wid
            return 0
        fi
        if ! e2e_running "$E2E_PID"; then
            e2e_reap
            e2e_fail "the program ended with status $E2E_STATUS before its window appeared"
        fi
        sleep 0.1
    done
    e2e_fail "no window titled '$E2E_TITLE' within $E2E_WINDOW_TIMEOUT s"
}

# Sets E2E_WIN_X, E2E_WIN_Y (absolute position), E2E_WIN_W, E2E_WIN_H and E2E_WIN_NAME from
# xwininfo.
e2e_geometry() {
    local info
    info=$(timeout 5 xwininfo -id "$E2E_WID" 2>&1) || e2e_fail "xwininfo -id $E2E_WID: $info"
    E2E_WIN_X=$(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$info")
    E2E_WIN_Y=$(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$info")
    E2E_WIN_W=$(sed -n 's/^ *Width: *//p' <<<"$info")
    E2E_WIN_H=$(sed -n 's/^ *Height: *//p' <<<"$info")
    E2E_WIN_NAME=$(sed -n 's/^xwininfo: Window id: [^ ]* "\(.*\)"$/\1/p' <<<"$info")
    if [ -z "$E2E_WIN_W" ] || [ -z "$E2E_WIN_H" ]; then
        e2e_fail "could not read the window geometry from: $info"
    fi
}

# Presses and releases each key (xdotool key names) the way a user would: the pointer moves
# into the window, which gives it the keyboard focus when no window manager runs. Synthetic
# events (xdotool key --window) would be ignored by the toolkit.
e2e_keys() {
    local x y i where=
    e2e_geometry
    x=$((E2E_WIN_X + E2E_WIN_W / 2))
    y=$((E2E_WIN_Y + E2E_WIN_H / 2))
    # Not mousemove --sync: it waits for motion and hangs when the pointer is already there.
    timeout 10 xdotool mousemove "$x" "$y" || e2e_fail "xdotool mousemove $x $y failed"
    for i in $(seq 50); do
        where=$(timeout 5 xdotool getmouselocation --shell 2>/dev/null | tr '\n' ' ')
        [[ "$where" == *"X=$x Y=$y "* ]] && break
        sleep 0.1
    done
    [[ "$where" == *"X=$x Y=$y "* ]] || e2e_fail "pointer not at ($x, $y) but: $where"
    timeout 10 xdotool key --delay 20 "$@" || e2e_fail "xdotool key $* failed"
}

# Records a background process started by the test so that cleanup stops it. A helper that
# the test has already reaped with wait must be removed with e2e_untrack.
e2e_track() { E2E_HELPER_PIDS+=("$1"); }
e2e_untrack() {
    local pid kept=()
    for pid in "${E2E_HELPER_PIDS[@]}"; do
        [ "$pid" = "$1" ] || kept+=("$pid")
    done
    E2E_HELPER_PIDS=("${kept[@]}")
}

# Waits for the program to end; its exit status goes to $E2E_STATUS. WHAT names the case in
# a failure.
e2e_wait_exit() {
    local what=${1:-} deadline=$((SECONDS + E2E_EXIT_TIMEOUT))
    while e2e_running "$E2E_PID"; do
        [ $SECONDS -lt $deadline ] ||
            e2e_fail "${what:+$what: }the program did not end within $E2E_EXIT_TIMEOUT s"
        sleep 0.05
    done
    e2e_reap
}

# Resizes the window the way a window manager would, and waits for the change.
e2e_resize() {
    timeout 10 xdotool windowsize --sync "$E2E_WID" "$1" "$2" ||
        e2e_fail "xdotool windowsize $1 $2 failed"
    e2e_geometry
    [ "$E2E_WIN_W" = "$1" ] && [ "$E2E_WIN_H" = "$2" ] ||
        e2e_fail "window is ${E2E_WIN_W}x${E2E_WIN_H} after resizing to $1x$2"
}

# Gives the program a moment to handle what it was sent, then checks it is still running.
e2e_expect_running() {
    local what=$1
    sleep "${2:-1}"
    if ! e2e_running "$E2E_PID"; then
        e2e_reap
        e2e_fail "$what: the program ended (status $E2E_STATUS) but should still be running"
    fi
}

# Ends the program with Esc and checks that it exits with status 0.
e2e_escape() {
    e2e_keys Escape
    e2e_wait_exit "Esc"
    [ "$E2E_STATUS" = 0 ] || e2e_fail "Esc: expected exit status 0, got $E2E_STATUS"
}

e2e_expect_status() {
    local expected=$1 what=$2
    [ "$E2E_STATUS" = "$expected" ] ||
        e2e_fail "$what: expected exit status $expected, got $E2E_STATUS"
}

# Checks that FILE holds exactly TEXT, byte for byte (printf %b escapes allowed in TEXT).
e2e_expect_content() {
    local file=$1 text=$2 what=$3
    printf '%b' "$text" >"$E2E_TMP/expected"
    if ! cmp -s "$file" "$E2E_TMP/expected"; then
        e2e_show_file "expected" "$E2E_TMP/expected"
        e2e_fail "$what: the output is not exactly the expected text"
    fi
}

# Checks that the program's standard output is exactly the extension list that PROBE (a
# program that creates a context of the same kind) reports on the same server.
e2e_expect_extension_list() {
    local probe=$1 what=$2
    timeout 30 "$probe" >"$E2E_TMP/probe.out" 2>"$E2E_TMP/probe.err" ||
        e2e_fail "the extension probe failed: $(cat "$E2E_TMP/probe.err")"
    [ -s "$E2E_TMP/probe.out" ] || e2e_fail "the extension probe wrote nothing"
    if ! cmp -s "$E2E_OUT" "$E2E_TMP/probe.out"; then
        e2e_show_file "the server's extension list" "$E2E_TMP/probe.out"
        e2e_fail "$what: standard output is not exactly the extension list"
    fi
}

# Writes a PNG of the window to FILE.
e2e_screenshot() {
    local file=$1
    timeout 20 import -window "$E2E_WID" "png:$file" 2>"$E2E_TMP/import.log" ||
        e2e_fail "import -window $E2E_WID failed: $(cat "$E2E_TMP/import.log")"
}

# Prints the colour of pixel (X, Y) of an image as three decimal numbers "R G B".
e2e_pixel() {
    local file=$1 x=$2 y=$3 hex
    hex=$(convert "$file" -crop "1x1+$x+$y" -depth 8 txt:- 2>/dev/null |
        sed -n 's/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p' | head -n 1)
    [ -n "$hex" ] || e2e_fail "could not read pixel ($x, $y) of $file"
    printf '%d %d %d\n' "0x${hex:0:2}" "0x${hex:2:2}" "0x${hex:4:2}"
}

# Writes a square BMP of WIDTH x WIDTH pixels with BITS bits per pixel (24, 32 or 8) to FILE:
# a 14-byte file header, a 40-byte information header, a grey palette for 8 bits, then the
# rows, each padded to a multiple of 4 bytes. The pixels are a fixed pattern.
e2e_write_bmp() {
    local file=$1 width=$2 bits=$3
    local palette=0 row_bytes image_bytes offset i
    [ "$bits" = 8 ] && palette=1024
    row_bytes=$(((width * bits / 8 + 3) / 4 * 4))
    image_bytes=$((row_bytes * width))
    offset=$((54 + palette))
    {
        printf 'BM'
        e2e_le32 $((offset + image_bytes))
        e2e_le32 0
        e2e_le32 "$offset"
        e2e_le32 40             # biSize
        e2e_le32 "$width"       # biWidth
        e2e_le32 "$width"       # biHeight: bottom-up rows
        e2e_le16 1              # biPlanes
        e2e_le16 "$bits"        # biBitCount
        e2e_le32 0              # biCompression: BI_RGB
        e2e_le32 "$image_bytes" # biSizeImage
        e2e_le32 2835           # 72 dpi
        e2e_le32 2835
        e2e_le32 $((palette / 4)) # biClrUsed
        e2e_le32 0
        if [ "$palette" -gt 0 ]; then
            for i in $(seq 0 255); do
                printf "\\x$(printf %02x "$i")\\x$(printf %02x "$i")\\x$(printf %02x "$i")\\x00"
            done
        fi
        # A fixed ramp of byte values, so that every run writes the same file.
        for i in $(seq 0 $((image_bytes - 1))); do
            printf "\\x$(printf %02x $((16 + i % 64)))"
        done
    } >"$file"
}

e2e_le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))"; }
e2e_le32() { e2e_le16 $(($1 & 65535)) && e2e_le16 $(($1 >> 16 & 65535)); }
