#!/usr/bin/env bash
# jellycube-record as a user meets it: the files it writes and their size and orientation,
# its refusal without a display, its bad options, and a missing texture.
# Usage: picture_record.sh JELLYCUBE_RECORD ASSETS_DIR
set -u
record=$(realpath "$1")
assets=$(realpath "$2")
source "$(dirname "$0")/lib.sh"
e2e_init 120

run_dir=$E2E_TMP/run
mkdir "$run_dir"
cp "$assets/cub.bmp" "$assets/floor.bmp" "$run_dir/" || e2e_fail "default textures missing"

# Runs the recorder in DIR with the given arguments; status in $status, output in
# $E2E_TMP/out and $E2E_TMP/err.
record_in() {
    local dir=$1
    shift
    (cd "$dir" && "$record" "$@") >"$E2E_TMP/out" 2>"$E2E_TMP/err"
    status=$?
}

expect() {
    local want=$1 what=$2
    if [ "$status" != "$want" ]; then
        e2e_show_file "stdout" "$E2E_TMP/out"
        e2e_show_file "stderr" "$E2E_TMP/err"
        e2e_fail "$what: expected status $want, got $status"
    fi
}

# Every second frame and the last, into a directory that does not exist yet.
record_in "$run_dir" --fps 30 --frames 5 --every 2 --size 320x200 --out deep/frames
expect 0 "five frames, every second one"
written=$(cd "$run_dir/deep/frames" && echo *)
[ "$written" = "frame-000002.png frame-000004.png frame-000005.png" ] ||
    e2e_fail "--every 2 of 5 frames wrote: $written"
size=$(identify -format '%w x %h' "$run_dir/deep/frames/frame-000005.png")
[ "$size" = "320 x 200" ] || e2e_fail "--size 320x200 gave an image of $size"
# Top row first: the clear colour above, the floor below.
top=$(e2e_pixel "$run_dir/deep/frames/frame-000005.png" 1 1)
bottom=$(e2e_pixel "$run_dir/deep/frames/frame-000005.png" 160 198)
[ "$top" = "0 102 0" ] || e2e_fail "the top row is ($top), not the clear colour"
[ "$bottom" != "0 102 0" ] || e2e_fail "the bottom row is the clear colour: the image is upside down"
[ ! -s "$E2E_TMP/out" ] && [ ! -s "$E2E_TMP/err" ] || e2e_fail "a good run printed something"

# By default only the last frame, 700 x 700, in the current directory.
record_in "$run_dir" --frames 2
expect 0 "two frames"
[ -f "$run_dir/frame-000002.png" ] && [ ! -e "$run_dir/frame-000001.png" ] ||
    e2e_fail "without --every: $(cd "$run_dir" && echo frame-*)"
size=$(identify -format '%w x %h' "$run_dir/frame-000002.png")
[ "$size" = "700 x 700" ] || e2e_fail "the default image is $size"

# Without a display: one line on standard error, status 1, nothing written.
for display in "" ":99"; do
    (cd "$run_dir" && env DISPLAY="$display" "$record" --frames 1 --out nodisplay) \
        >"$E2E_TMP/out" 2>"$E2E_TMP/err"
    status=$?
    expect 1 "DISPLAY='$display'"
    grep -q "X display" "$E2E_TMP/err" || e2e_fail "DISPLAY='$display': $(cat "$E2E_TMP/err")"
    [ ! -e "$run_dir/nodisplay" ] || e2e_fail "DISPLAY='$display': an output directory was made"
done

# Bad options: status 2, one line on standard error.
for args in "--size 0x5" "--size 700" "--size 70000x10" "--size 7x7x7" "--bogus" \
    "--out" "--frames 0" "--fps x"; do
    # shellcheck disable=SC2086 # the words are the arguments
    record_in "$run_dir" $args
    expect 2 "$args"
    [ "$(wc -l <"$E2E_TMP/err")" = 1 ] || e2e_fail "$args: not one line: $(cat "$E2E_TMP/err")"
done

# A missing texture ends it as it ends the program: the loader's line, status 1.
rm "$run_dir/floor.bmp"
record_in "$run_dir" --frames 1 --out missing
expect 1 "without floor.bmp"
printf "can't open floor.bmp\n" >"$E2E_TMP/want"
cmp -s "$E2E_TMP/out" "$E2E_TMP/want" || e2e_fail "without floor.bmp: $(cat "$E2E_TMP/out")"
