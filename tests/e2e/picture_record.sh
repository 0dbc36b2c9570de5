#!/usr/bin/env bash
# jellycube-record as a user meets it: the frames it writes, their size and orientation,
# its refusal without a display, and its bad options.
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

DISPLAY='' record 1 "no display" --frames 1 --out none
[ ! -e "$E2E_RUN_DIR/none" ] || e2e_fail "without a display, an output directory was made"

for args in "--size 0x5" "--size 700" "--size 7x7x7" "--bogus" "--out" "--frames 0" "--fps x"; do
    # shellcheck disable=SC2086 # the words are the arguments
    record 2 "$args" $args
    [ "$(wc -l <"$E2E_ERR")" = 1 ] || e2e_fail "$args: not one line on stderr"
done
