#!/usr/bin/env bash
# A missing or unsuitable texture file: exactly one message line on standard output and
# status 1, and "cub.bmp" always handled before "floor.bmp" is opened.
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
