#!/usr/bin/env bash
# The command line belongs to GLUT: its options take effect, and whatever it leaves over is
# ignored by the program.
# Usage: command_line.sh JELLYCUBE ASSETS_DIR GL_EXTENSIONS_PROBE
binary=$(realpath "$1")
probe=$(realpath "$3")
source "$(dirname "$0")/lib.sh"
e2e_init 120
e2e_default_run_dir "$2"

# -display works only if GLUT sees the command line; the size asked for by -geometry gives
# way to the program's own, set after glutInit.
while read -r what args; do
    # shellcheck disable=SC2086 # the words are the arguments
    e2e_run "$E2E_RUN_DIR" env -u DISPLAY "$binary" $args
    e2e_wait_window "$what"
    e2e_geometry
    [ "$E2E_W $E2E_H" = "700 700" ] || e2e_fail "$what: the window is ${E2E_W}x$E2E_H"
    e2e_escape
    e2e_expect_extensions "$probe" "$what"
    echo "ok: $what"
done <<EOF
display -display $DISPLAY
unknown -display $DISPLAY foo bar -- --help 42
geometry -display $DISPLAY -geometry 300x200+40+30
EOF
