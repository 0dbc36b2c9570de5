#!/usr/bin/env bash
# A missing or unsuitable texture file, or one that decodes but cannot be uploaded: exactly
# one message line on standard output and status 1, and "cub.bmp" always handled before
# "floor.bmp" is opened.
# Usage: texture_failures.sh JELLYCUBE
binary=$(realpath "$1")
source "$(dirname "$0")/lib.sh"
E2E_EXIT_TIMEOUT=15
e2e_init 150
for bits in 24 8 32; do e2e_write_bmp "$E2E_TMP/bits$bits.bmp" 8 "$bits"; done

# Kinds of file: missing; bits24, bits8, bits32 (8 x 8 BMPs); fifo, a FIFO nobody writes
# to, whose opening would block: a program that ends promptly has not opened it.
place() {
    case $2 in
    missing) ;;
    fifo) mkfifo "$1" ;;
    *) cp "$E2E_TMP/$2.bmp" "$1" ;;
    esac
}

while read -r cub floor expected; do
    what="cub.bmp $cub, floor.bmp $floor"
    dir=$(mktemp -d "$E2E_TMP/case.XXXXXX")
    place "$dir/cub.bmp" "$cub"
    place "$dir/floor.bmp" "$floor"
    e2e_run "$dir" "$binary"
    e2e_wait_exit "$what" 1
    e2e_expect_output "$expected" "$what"
    echo "ok: $what -> $expected"
done <<'EOF'
missing fifo can't open cub.bmp
bits8 fifo invalid format of cub.bmp
bits24 missing can't open floor.bmp
bits24 bits32 invalid format of floor.bmp
EOF

# A cube texture that decodes but cannot be uploaded: 8192 pixels wide, 192 MiB decoded (a
# sparse file of zeros), under an address-space limit that the decoded pixels fit in and the
# mipmap build, with GLU's scaled copies and the texture's levels, does not. With llvmpipe's
# threads pinned to two, both hold for limits from about 790000 to 1520000 KiB (Debian 12,
# Mesa 22.3); the middle is used. AddressSanitizer maps terabytes of shadow, which no such
# limit allows, so an ASan build skips the case, and so does a run under Wine, which cannot
# start under such a limit (E2E_NO_MEMORY_LIMIT says why).
what="cub.bmp decoded but not uploaded"
if grep -q __asan_init "$binary"; then
    echo "skipped: $what (ASan build)"
elif [ -n "${E2E_NO_MEMORY_LIMIT:-}" ]; then
    echo "skipped: $what ($E2E_NO_MEMORY_LIMIT)"
else
    dir=$(mktemp -d "$E2E_TMP/case.XXXXXX")
    perl -e 'print pack("a2V3V3v2V6", "BM", 54 + 3 * 8192 * 8192, 0, 54, 40, 8192, 8192, 1, 24,
        0, 3 * 8192 * 8192, 2835, 2835, 0, 0)' >"$dir/cub.bmp"
    truncate -s $((54 + 3 * 8192 * 8192)) "$dir/cub.bmp"
    place "$dir/floor.bmp" fifo
    e2e_run "$dir" env LP_NUM_THREADS=2 bash -c 'ulimit -v 1150000 && exec "$0"' "$binary"
    e2e_wait_exit "$what" 1
    e2e_expect_output "invalid format of cub.bmp" "$what"
    echo "ok: $what -> invalid format of cub.bmp"
fi
