#!/usr/bin/env bash
# Malformed texture files through the real program, one run per file. Each either loads and
# runs until Esc ends it with status 0, or ends with exactly "invalid format of NAME" and
# status 1 (never a signal or a hang), as worked out from its bytes in verdict below.
# Usage: malformed_textures.sh JELLYCUBE [sample|full]
#   by default a representative set of cut lengths and bit counts; full: all of them.
binary=$(realpath "$1")
source "$(dirname "$0")/lib.sh"
lengths="0 13 14 53 54 55 101 102 149 150 200 438 500 773 774 821 822" deadline=600
bit_counts="0 1 4 8 16 23 24 25 32 48 64 6144" # and 24 in the wrong byte
[ "${2:-}" = full ] && lengths=$(seq 0 822) bit_counts="$(seq 0 64) 6144" deadline=3600
e2e_init $deadline
f=$E2E_TMP/files w16=$E2E_TMP/w16.bmp
mkdir -p "$f/floor"
e2e_write_bmp "$w16" 16 24 # 822 bytes

# patch NAME OFFSET FORMAT VALUE...: a copy of w16.bmp, the values packed by perl at OFFSET.
patch() {
    cp "$w16" "$f/$1"
    perl -e 'print pack(shift, @ARGV)' "${@:3}" |
        dd of="$f/$1" bs=1 seek="$2" conv=notrunc status=none
}

# verdict FILE NAME: nothing if FILE loads, else the program's line for it as NAME. Invalid:
# under 54 bytes, a bit count other than 24, a width outside 1..16384, or fewer than
# 54 + stride * width bytes (stride: 3 * width rounded up to 4).
verdict() {
    size=$(stat -c %s "$1")
    if [ "$size" -ge 54 ]; then
        width=$(($(od -An -td4 -j 18 -N 4 "$1"))) bits=$(($(od -An -tu2 -j 28 -N 2 "$1")))
        [ "$bits" = 24 ] && [ "$width" -ge 1 ] && [ "$width" -le 16384 ] &&
            [ "$size" -ge $((54 + (3 * width + 3) / 4 * 4 * width)) ] && return
    fi
    echo "invalid format of $2"
}

# check WHAT CUB FLOOR: the program with these files as cub.bmp and floor.bmp.
check() {
    local dir=$E2E_TMP/run expected
    rm -rf "$dir" && mkdir "$dir" && cp "$2" "$dir/cub.bmp" && cp "$3" "$dir/floor.bmp"
    expected=$(verdict "$2" cub.bmp)
    [ -n "$expected" ] || expected=$(verdict "$3" floor.bmp)
    e2e_run "$dir" "$binary"
    if [ -n "$expected" ]; then
        e2e_wait_exit "$1" 1 && e2e_expect_output "$expected" "$1"
    else
        e2e_wait_window "$1" && e2e_alive "$1: loaded" 0.3 && e2e_escape
    fi
    echo "ok: $1 -> ${expected:-loaded}"
}

for n in $lengths; do head -c "$n" "$w16" >"$f/cut to $n bytes"; done
for w in $(seq 12); do
    e2e_write_bmp "$f/width $w, exact size" "$w" 24
    head -c -1 "$f/width $w, exact size" >"$f/width $w, one byte short"
done
for w in 0 -1 17 16384 16385 2147483647 -2147483648; do patch "width field $w" 18 'l<' "$w"; done
for b in $bit_counts; do patch "bit count $b" 28 v "$b"; done
# bfSize, biHeight and biSizeImage are never consulted: huge values still load.
patch "huge sizes in the headers" 2 'V4l<2v2V2' 4294967295 0 54 40 16 2147483647 1 24 0 4294967295
head -c 821 "$w16" >"$f/floor/one byte short"
patch "floor/bit count 32" 28 v 32
for file in "$f"/*; do [ -f "$file" ] && check "cub.bmp ${file##*/}" "$file" "$w16"; done
for file in "$f"/floor/*; do check "floor.bmp ${file##*/}" "$w16" "$file"; done
