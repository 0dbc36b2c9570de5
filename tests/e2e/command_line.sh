#!/usr/bin/env bash
# The command line belongs to GLUT: its options take effect, and whatever it leaves over is
# ignored by the program.
# Usage: command_line.sh JELLYCUBE ASSETS_DIR GL_EXTENSIONS_PROBE
set -u
binary=$(realpath "$1")
assets=$2
probe=$(realpath "$3")
source "$(dirname "$0")/lib.sh"
e2e_init 120

e2e_default_run_dir "$assets"

# run_case WHAT X Y COMMAND...: the window must be 700 x 700; X and Y, unless "-", are its
# expected position.
run_case() {
    local what=$1 x=$2 y=$3
    shift 3
    e2e_run "$E2E_RUN_DIR" "$@"
    e2e_wait_window
    e2e_geometry
    [ "$E2E_WIN_W" = 700 ] && [ "$E2E_WIN_H" = 700 ] ||
        e2e_fail "$what: window is ${E2E_WIN_W}x${E2E_WIN_H}, expected 700x700"
    if [ "$x" != - ]; then
        [ "$E2E_WIN_X" = "$x" ] && [ "$E2E_WIN_Y" = "$y" ] ||
            e2e_fail "$what: window is at ($E2E_WIN_X, $E2E_WIN_Y), expected ($x, $y)"
    fi
    e2e_escape
    # Leftover arguments are neither echoed nor complained about.
    e2e_expect_extension_list "$probe" "$what"
    echo "ok: $what -> ${E2E_WIN_W}x${E2E_WIN_H} at ($E2E_WIN_X, $E2E_WIN_Y), Esc -> 0"
}

# GLUT takes the position from -geometry. The size it asks for is replaced by the program's
# own initial size, which is set after glutInit.
run_case "-geometry 300x200+40+30" 40 30 "$binary" -geometry 300x200+40+30
run_case "unknown arguments" - - "$binary" foo bar -- --help 42
# GLUT's -display option works only if the toolkit sees the command line.
run_case "-display without DISPLAY" - - env -u DISPLAY "$binary" -display "$DISPLAY"
