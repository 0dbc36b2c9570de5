#!/usr/bin/env bash
# jellycube-record as a user meets it: the frames it writes, their size and orientation, at
# sizes down to one pixel, its refusal without a display or of a size the GL cannot draw,
# and its bad options.
# Usage: picture_record.sh JELLYCUBE_RECORD ASSETS_DIR
record=$(realpath "$1")
source "$(dirname "$0")/lib.sh"
e2e_init 120
e2e_default_run_dir "$2"
E2E_OUT=$E2E_TMP/stdout E2E_ERR=$E2E_TMP/stderr

# record STATUS WHAT ARGS...: runs the recorder in the run dir, expecting STATUS.
record() {
    local want=$1 what=$2
    shift 2
    (cd "$E2E_RUN_DIR" && timeout 60 "$record" "$@") >"$E2E_OUT" 2>"$E2E_ERR"
    status=$?
    [ "$status" = "$want" ] || e2e_fail "$what: status $status, expected $want"
}

record 0 "every second of 5 frames" --fps 30 --frames 5 --every 2 --size 320x200 --out a/b
written=$(cd "$E2E_RUN_DIR/a/b" && echo *)
[ "$written" = "frame-000002.png frame-000004.png frame-000005.png" ] ||
    e2e_fail "--every 2 of 5 frames wrote: $written"
last=$E2E_RUN_DIR/a/b/frame-000005.png
[ "$(identify -format '%w %h' "$last")" = "320 200" ] || e2e_fail "not 320 x 200: $last"
# The clear colour above, the floor below: not upside down.
[ "$(e2e_pixel "$last" 1 1)" = "0 102 0" ] && [ "$(e2e_pixel "$last" 160 198)" != "0 102 0" ] ||
    e2e_fail "top ($(e2e_pixel "$last" 1 1)), bottom ($(e2e_pixel "$last" 160 198))"
[ ! -s "$E2E_OUT" ] && [ ! -s "$E2E_ERR" ] || e2e_fail "a good run printed something"

# A side of one pixel: such a window lies wholly off the screen where no window manager
# places it, and frames are drawn offscreen whatever becomes of the window.
for size in 1x1 1x40 40x1; do
    record 0 "--size $size" --frames 2 --size "$size" --out "s$size"
    written=$E2E_RUN_DIR/s$size/frame-000002.png
    [ "$(identify -format '%wx%h' "$written")" = "$size" ] || e2e_fail "--size $size: $written"
done

DISPLAY='' record 1 "no display" --frames 1 --out none
[ ! -e "$E2E_RUN_DIR/none" ] || e2e_fail "without a display, an output directory was made"

for args in "--size 0x5" "--size 700" "--size 7x7x7" "--bogus" "--out" "--frames 0" "--fps x"; do
    # shellcheck disable=SC2086 # the words are the arguments
    record 2 "$args" $args
    [ "$(wc -l <"$E2E_ERR")" = 1 ] || e2e_fail "$args: not one line on stderr"
done

# User text in a message is quoted, so a message is always one line; any well-formed size out
# of range gets the range message.
record 2 "a line break in --size" --frames 1 --size $'1\n2'
[ "$(cat "$E2E_ERR")" = "jellycube-record: --size: '1?2' is not WIDTHxHEIGHT, such as 700x700" ] ||
    e2e_fail "a line break in --size: stderr is not the one quoted line"
record 2 "--size 100000x100000" --frames 1 --size 100000x100000
grep -q "outside 1 to 16384 pixels" "$E2E_ERR" || e2e_fail "--size 100000x100000: not the range"

# A size the GL cannot draw, here for want of address space: one line and status 1, no hang.
# The 1 GiB colour buffer alone passes the limit. ASan builds cannot run under such a limit.
if ! grep -q __asan_init "$record"; then
    (ulimit -v 1500000 && LP_NUM_THREADS=2 record 1 "16384x16384 without the memory" \
        --frames 1 --size 16384x16384 --out huge) || exit 1
    [ "$(wc -l <"$E2E_ERR")" = 1 ] || e2e_fail "16384x16384 without the memory: not one line"
    [ ! -e "$E2E_RUN_DIR/huge/frame-000001.png" ] || e2e_fail "16384x16384: a frame was written"
fi
