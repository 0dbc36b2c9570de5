#!/usr/bin/env bash
# A normal start with the default textures: the window, what reaches standard output, the
# keys that must change nothing, Esc, and the clear colour in the top corners.
# Usage: start_up.sh JELLYCUBE ASSETS_DIR GL_EXTENSIONS_PROBE
set -u
binary=$(realpath "$1")
assets=$2
probe=$(realpath "$3")
source "$(dirname "$0")/lib.sh"
e2e_init 100

e2e_default_run_dir "$assets"

e2e_run "$E2E_RUN_DIR" "$binary"
e2e_wait_window
e2e_geometry
[ "$E2E_WIN_NAME" = "$E2E_TITLE" ] || e2e_fail "window title is '$E2E_WIN_NAME'"
[ "$E2E_WIN_W" = 700 ] && [ "$E2E_WIN_H" = 700 ] ||
    e2e_fail "window is ${E2E_WIN_W}x${E2E_WIN_H}, expected 700x700"

# Until the first frame is shown the window may hold anything, so poll for the clear colour.
# The scene's floor and cube never reach the top corners of a square window.
clear_colour="0 102 0"
shot=$E2E_TMP/window.png
for attempt in $(seq 50); do
    e2e_screenshot "$shot"
    left=$(e2e_pixel "$shot" 1 1)
    right=$(e2e_pixel "$shot" $((E2E_WIN_W - 2)) 1)
    [ "$left" = "$clear_colour" ] && [ "$right" = "$clear_colour" ] && break
    sleep 0.2
done
[ "$left" = "$clear_colour" ] && [ "$right" = "$clear_colour" ] ||
    e2e_fail "top corners are ($left) and ($right), expected the clear colour ($clear_colour)"

# Letters of both cases, digits, space, Return, Tab, Backspace, Delete and Latin-1 keys
# above 127 all reach the keyboard callback as characters and must be ignored. A German
# layout puts the umlauts and sharp s on plain keys, so they are typed like letters.
# ydiaeresis is 255, which is -1 as a signed char.
setxkbmap -layout de 2>"$E2E_TMP/setxkbmap.log" ||
    e2e_fail "setxkbmap -layout de failed: $(cat "$E2E_TMP/setxkbmap.log")"
e2e_keys a z q Q Z A x X 1 0 space Return Tab BackSpace Delete
e2e_expect_running "letters, digits, space and control keys"
e2e_keys adiaeresis Adiaeresis odiaeresis udiaeresis ssharp section degree
e2e_expect_running "keys above 127 (German layout)"
e2e_keys ydiaeresis eacute
e2e_expect_running "keys above 127 (ydiaeresis, eacute)"
# The window follows any size, down to a single pixel.
e2e_resize 1 1
e2e_resize 900 300
e2e_resize 250 650
e2e_expect_running "resizing"
# Keys that reach GLUT's special-key path instead, which has no handler here.
e2e_keys F1 Up Left Escape
e2e_wait_exit
e2e_expect_status 0 "Esc"

# Standard output went to a file, so the extension list written without a line break is
# only complete because exit flushed it. It must be exactly what a context of the same kind
# on the same server reports, and nothing else.
e2e_expect_extension_list "$probe" "start-up"
count=$(tr ' ' '\n' <"$E2E_OUT" | grep -c '^GL_')
echo "start-up: 700x700 '$E2E_TITLE', $count extensions, keys and resizes ignored, Esc -> 0"
