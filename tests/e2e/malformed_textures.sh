#!/usr/bin/env bash
# Malformed texture files through the real program, one run of jellycube per file under one
# private Xvfb: cut short at each length, every width around the limits, every bit count
# from 0 to 64, headers claiming huge sizes. Each run must either load and keep running
# until Esc ends it with status 0, or end promptly with exactly "invalid format of NAME" on
# standard output and status 1; never a signal, a hang or a sanitizer report.
#
# The expected outcome is worked out from the file's bytes alone: shorter than 54 bytes, a
# bit count other than 24, a width outside 1..16384, or fewer than 54 + stride * width
# bytes (stride: 3 * width rounded up to 4) means invalid; anything else loads.
#
# Usage: malformed_textures.sh JELLYCUBE [sample|full]
#   sample (default): every cut length from 0 to 60, each row boundary, every 16th length
#   and the last few; full: every length from 0 to 822.
set -u
binary=$(realpath "$1")
mode=${2:-sample}
source "$(dirname "$0")/lib.sh"
E2E_EXIT_TIMEOUT=20 # a generous bound that only catches hangs; the times are reported
case $mode in
sample) e2e_init 600 ;;
full) e2e_init 3600 ;;
*)
    echo "usage: $0 JELLYCUBE [sample|full]" >&2
    exit 2
    ;;
esac

fixtures=$E2E_TMP/fixtures
mkdir "$fixtures"

# Little-endian field writes and reads at a byte offset of FILE.
put_le16() { e2e_le16 "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none; }
put_le32() { e2e_le32 "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none; }
get_u16() { od -An -tu2 -j "$2" -N 2 "$1" | tr -d ' '; }
get_s32() { od -An -td4 -j "$2" -N 4 "$1" | tr -d ' '; }

# Prints "loads" or "invalid" for a texture file, from its bytes.
classify() {
    local file=$1 size bits width stride
    size=$(stat -c %s "$file")
    [ "$size" -ge 54 ] || { echo invalid; return; }
    bits=$(get_u16 "$file" 28)
    width=$(get_s32 "$file" 18)
    if [ "$bits" != 24 ] || [ "$width" -le 0 ] || [ "$width" -gt 16384 ]; then
        echo invalid
        return
    fi
    stride=$(((3 * width + 3) / 4 * 4))
    if [ "$size" -lt $((54 + stride * width)) ]; then
        echo invalid
    else
        echo loads
    fi
}

# Copies FILE with FIELD-WRITER OFFSET VALUE applied: derive NAME FROM WRITER OFFSET VALUE.
derive() {
    local name=$1 from=$2
    cp "$fixtures/$from.bmp" "$fixtures/$name.bmp"
    "$3" "$fixtures/$name.bmp" "$4" "$5"
}

e2e_write_bmp "$fixtures/w16.bmp" 16 24
full_size=$(stat -c %s "$fixtures/w16.bmp")
[ "$full_size" = 822 ] || e2e_fail "the 16 x 16 fixture has $full_size bytes, expected 822"
[ "$(classify "$fixtures/w16.bmp")" = loads ] || e2e_fail "the 16 x 16 fixture is not loadable"

loads=0
refused=0
times=$E2E_TMP/refusal_times # seconds and case, one refused run a line

# check WHAT CUB_FILE FLOOR_FILE: runs the program with these as cub.bmp and floor.bmp.
check() {
    local what=$1 cub=$2 floor=$3 expected line dir start elapsed
    dir=$E2E_TMP/run
    rm -rf "$dir"
    mkdir "$dir"
    cp "$cub" "$dir/cub.bmp"
    cp "$floor" "$dir/floor.bmp"
    line=
    if [ "$(classify "$cub")" = invalid ]; then
        line="invalid format of cub.bmp"
    elif [ "$(classify "$floor")" = invalid ]; then
        line="invalid format of floor.bmp"
    fi

    start=$EPOCHREALTIME
    e2e_run "$dir" "$binary"
    if [ -n "$line" ]; then
        e2e_wait_exit "$what"
        elapsed=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.3f", b - a }')
        [ "$E2E_STATUS" -lt 128 ] ||
            e2e_fail "$what: ended by signal $((E2E_STATUS - 128)), expected '$line'"
        e2e_expect_status 1 "$what (expected '$line')"
        e2e_expect_content "$E2E_OUT" "$line\n" "$what"
        refused=$((refused + 1))
        echo "$elapsed $what" >>"$times"
    else
        e2e_wait_window
        e2e_expect_running "$what: loaded" 0.3
        e2e_escape
        if grep -Eq "can't open|invalid format" "$E2E_OUT"; then
            e2e_fail "$what: expected to load, but the program wrote a failure line"
        fi
        loads=$((loads + 1))
    fi
    if grep -Eq 'Sanitizer|runtime error' "$E2E_ERR"; then
        e2e_fail "$what: a sanitizer report on standard error"
    fi
}

# Every cut of the 16 x 16 file, as cub.bmp (floor.bmp the intact file).
if [ "$mode" = full ]; then
    lengths=$(seq 0 "$full_size")
else
    # 0 to 60 covers both headers and the first pixels; then each row's end and the byte
    # before it, every 16th length, and the last few.
    lengths=$({
        seq 0 60
        for row in $(seq 1 16); do echo $((54 + 48 * row - 1)) $((54 + 48 * row)); done
        seq 61 16 "$full_size"
        seq $((full_size - 4)) "$full_size"
    } | tr ' ' '\n' | sort -nu)
fi
for length in $lengths; do
    head -c "$length" "$fixtures/w16.bmp" >"$fixtures/cut.bmp"
    check "cub.bmp cut to $length bytes" "$fixtures/cut.bmp" "$fixtures/w16.bmp"
done

# Widths 1 to 12 in files of exactly their size (rows padded to 4 bytes), and one byte short.
for width in $(seq 1 12); do
    e2e_write_bmp "$fixtures/exact$width.bmp" "$width" 24
    check "width $width, exact size" "$fixtures/exact$width.bmp" "$fixtures/w16.bmp"
    size=$(stat -c %s "$fixtures/exact$width.bmp")
    head -c $((size - 1)) "$fixtures/exact$width.bmp" >"$fixtures/short$width.bmp"
    check "width $width, one byte short" "$fixtures/short$width.bmp" "$fixtures/w16.bmp"
done

# Widths patched into the 16 x 16 file: smaller ones find enough pixels behind them, the
# rest are out of range or claim far more pixels (16384: 768 MiB) than the file holds.
for width in 0 -1 1 5 12 17 16384 16385 2147483647 -2147483648; do
    derive width "w16" put_le32 18 $((width & 0xffffffff))
    check "width field $width in the 16 x 16 file" "$fixtures/width.bmp" "$fixtures/w16.bmp"
done

# Every bit count from 0 to 64, and 24 in the wrong byte.
for bits in $(seq 0 64) $((24 << 8)); do
    derive bits "w16" put_le16 28 "$bits"
    check "bit count $bits" "$fixtures/bits.bmp" "$fixtures/w16.bmp"
done

# Size fields that are never consulted, claiming 4 GiB and a huge height: the file loads.
derive huge "w16" put_le32 2 $((0xffffffff))
put_le32 "$fixtures/huge.bmp" 34 $((0xffffffff)) # biSizeImage
put_le32 "$fixtures/huge.bmp" 22 $((0x7fffffff)) # biHeight
check "bfSize, biSizeImage and biHeight huge" "$fixtures/huge.bmp" "$fixtures/w16.bmp"

# The same through floor.bmp, read after a good cub.bmp.
for length in 0 30 53 54 821; do
    head -c "$length" "$fixtures/w16.bmp" >"$fixtures/cut.bmp"
    check "floor.bmp cut to $length bytes" "$fixtures/w16.bmp" "$fixtures/cut.bmp"
done
derive floorbits "w16" put_le16 28 32
check "floor.bmp bit count 32" "$fixtures/w16.bmp" "$fixtures/floorbits.bmp"
derive floorwidth "w16" put_le32 18 16384
check "floor.bmp width 16384" "$fixtures/w16.bmp" "$fixtures/floorwidth.bmp"
check "floor.bmp width 7, exact size" "$fixtures/w16.bmp" "$fixtures/exact7.bmp"

echo "malformed textures ($mode): $refused refused, $loads loaded"
awk '{ t += $1; if ($1 < 1) fast++ } END {
    printf "refusals: %.3f s on average, %d of %d under 1 s; the slowest:\n", t / NR, fast, NR }' \
    "$times"
sort -rn "$times" | head -n 3 | sed 's/^/  /'
