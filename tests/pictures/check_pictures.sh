#!/usr/bin/env bash
# Renders the scene with the default textures through jellycube-record at 60 fps and
# compares frames 30 (0.5 s, falling), 198 (3.3 s, first impact) and 300 (5 s, hopping) with
# the reference images beside this script. Frames that differ are kept in ./pictures-failed
# with an image of the differences. With JELLY_UPDATE_PICTURES=1 the rendered frames replace
# the references instead; look at every one before committing it.
# Usage: check_pictures.sh JELLYCUBE_RECORD PICTURE_COMPARE ASSETS_DIR
record=$(realpath "$1")
compare=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../e2e/lib.sh"
e2e_init 240
e2e_default_run_dir "$3"
E2E_OUT=$E2E_TMP/stdout E2E_ERR=$E2E_TMP/stderr

# One run covers all three: 6 divides each.
(cd "$E2E_RUN_DIR" && timeout 180 "$record" --fps 60 --frames 300 --every 6 --out frames) \
    >"$E2E_OUT" 2>"$E2E_ERR" || e2e_fail "jellycube-record failed"
failed=0
for name in frame-000030.png frame-000198.png frame-000300.png; do
    if [ "${JELLY_UPDATE_PICTURES:-0}" = 1 ]; then
        cp "$E2E_RUN_DIR/frames/$name" "$here/$name" && echo "updated $here/$name" && continue
        e2e_fail "cannot update $here/$name"
    fi
    "$compare" "$here/$name" "$E2E_RUN_DIR/frames/$name" "$E2E_TMP/diff-$name" && continue
    failed=1
    mkdir -p pictures-failed
    cp "$E2E_RUN_DIR/frames/$name" "$E2E_TMP/diff-$name" pictures-failed/ 2>/dev/null
    echo "  kept in $PWD/pictures-failed: $name, diff-$name"
done
[ "$failed" = 0 ] || e2e_fail "rendered frames differ from the reference images"
