#!/usr/bin/env bash
# Renders the scene with the default textures at fixed times through jellycube-record, on a
# private Xvfb, and compares the frames with the reference images beside this script:
#   frame 30 (0.5 s, falling), 198 (3.3 s, first impact), 300 (5 s, hopping), at 60 fps.
# Frames that differ are kept in ./pictures-failed with an image of the differences.
# Usage: check_pictures.sh JELLYCUBE_RECORD PICTURE_COMPARE ASSETS_DIR
# With JELLY_UPDATE_PICTURES=1 the rendered frames replace the references instead; look at
# every one of them before committing it.
set -u
record=$(realpath "$1")
compare=$(realpath "$2")
assets=$(realpath "$3")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../e2e/lib.sh"
e2e_init 240

frames=(30 198 300)
run_dir=$E2E_TMP/run
mkdir "$run_dir"
for texture in cub.bmp floor.bmp; do
    cp "$assets/$texture" "$run_dir/" || e2e_fail "default texture $assets/$texture is missing"
done

# One run covers all three: every 6th frame is written, and 6 divides each of them.
(cd "$run_dir" && "$record" --fps 60 --frames 300 --every 6 --out frames) \
    >"$E2E_TMP/record.out" 2>"$E2E_TMP/record.err"
status=$?
if [ "$status" != 0 ]; then
    e2e_show_file "stdout" "$E2E_TMP/record.out"
    e2e_show_file "stderr" "$E2E_TMP/record.err"
    e2e_fail "jellycube-record ended with status $status"
fi

if [ "${JELLY_UPDATE_PICTURES:-0}" = 1 ]; then
    for k in "${frames[@]}"; do
        name=$(printf 'frame-%06d.png' "$k")
        cp "$run_dir/frames/$name" "$here/$name" || e2e_fail "cannot copy $name"
        echo "updated $here/$name"
    done
    exit 0
fi

failed=0
kept=$PWD/pictures-failed
for k in "${frames[@]}"; do
    name=$(printf 'frame-%06d.png' "$k")
    [ -f "$run_dir/frames/$name" ] || e2e_fail "jellycube-record wrote no $name"
    "$compare" "$here/$name" "$run_dir/frames/$name" "$E2E_TMP/diff-$name"
    case $? in
    0) ;;
    1)
        failed=1
        mkdir -p "$kept"
        cp "$run_dir/frames/$name" "$kept/$name"
        [ -f "$E2E_TMP/diff-$name" ] && cp "$E2E_TMP/diff-$name" "$kept/diff-$name"
        echo "  kept: $kept/$name and $kept/diff-$name"
        ;;
    *) e2e_fail "picture-compare could not compare $name" ;;
    esac
done
[ "$failed" = 0 ] || e2e_fail "rendered frames differ from the reference images"
