#!/usr/bin/env bash
# A normal start with the default textures: the window, the keys that must change nothing,
# Esc, and standard output (a file here) holding exactly the extension list afterwards.
# Usage: start_up.sh JELLYCUBE ASSETS_DIR GL_EXTENSIONS_PROBE
binary=$(realpath "$1")
probe=$(realpath "$3")
source "$(dirname "$0")/lib.sh"
e2e_init 100
e2e_default_run_dir "$2"

e2e_run "$E2E_RUN_DIR" "$binary"
e2e_wait_window
e2e_geometry
[ "$E2E_W $E2E_H" = "700 700" ] || e2e_fail "the window is ${E2E_W}x$E2E_H, expected 700x700"

# Letters of both cases, digits, space and keys above 127 reach the keyboard callback and
# must be ignored. A German layout types the umlauts like letters; ydiaeresis is 255, -1 as
# a signed char. F1 and the arrows take the special-key path instead.
setxkbmap -layout de || e2e_fail "setxkbmap -layout de failed"
e2e_keys a z q Q Z A x X 1 0 space Return Tab BackSpace Delete F1 Up Left
e2e_alive "letters, digits, space, control and arrow keys"
e2e_keys adiaeresis Adiaeresis ssharp section degree ydiaeresis eacute
e2e_alive "keys above 127"
e2e_escape

# Written without a line break, the list is only complete because exit flushed it.
e2e_expect_extensions "$probe" "start-up"
echo "ok: 700x700 '$E2E_TITLE', $(wc -w <"$E2E_OUT") extensions, other keys ignored, Esc -> 0"
