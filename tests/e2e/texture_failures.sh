#!/usr/bin/env bash
# Start-up with a missing or unsuitable texture file: one message line on standard output,
# exit status 1, no extension list, and "cub.bmp" always handled before "floor.bmp".
# Usage: texture_failures.sh JELLYCUBE
set -u
binary=$(realpath "$1")
source "$(dirname "$0")/lib.sh"
E2E_EXIT_TIMEOUT=15
e2e_init 150

fixtures=$E2E_TMP/fixtures
mkdir "$fixtures"
e2e_write_bmp "$fixtures/valid.bmp" 8 24
e2e_write_bmp "$fixtures/bits8.bmp" 8 8
e2e_write_bmp "$fixtures/bits32.bmp" 8 32

# Puts one texture file in place. Kinds:
#   missing   no file
#   valid     an 8 x 8 24-bit BMP
#   bits8     an 8 x 8 8-bit BMP with a palette
#   bits32    an 8 x 8 32-bit BMP
#   unopened  a FIFO nobody writes to: opening it for reading would block, so a program
#             that ends promptly has not opened it
#   fed       a FIFO that a background writer fills with the valid image once the program
#             opens it; the writer's status tells whether it was opened
place() {
    local dir=$1 name=$2 kind=$3
    case $kind in
    missing) ;;
    valid | bits8 | bits32) cp "$fixtures/$kind.bmp" "$dir/$name" ;;
    unopened) mkfifo "$dir/$name" ;;
    fed)
        mkfifo "$dir/$name"
        timeout 20 sh -c 'cat "$1" >"$2"' feeder "$fixtures/valid.bmp" "$dir/$name" &
        feeder_pid=$!
        e2e_track "$feeder_pid"
        ;;
    esac
}

# check CUB_KIND FLOOR_KIND EXPECTED_LINE
check() {
    local cub=$1 floor=$2 expected=$3
    local what="cub.bmp $cub, floor.bmp $floor" dir hint= fed
    dir=$(mktemp -d "$E2E_TMP/case.XXXXXX")
    feeder_pid=
    place "$dir" cub.bmp "$cub"
    place "$dir" floor.bmp "$floor"

    e2e_run "$dir" "$binary"
    [[ "$cub $floor" == *unopened* ]] && hint=" (stuck opening the FIFO that must stay unopened?)"
    e2e_wait_exit "$what$hint"
    e2e_expect_status 1 "$what"
    # The line is the whole of standard output: no extension list before or after it.
    e2e_expect_content "$E2E_OUT" "$expected\n" "$what"
    if grep -Eq "can't open|invalid format" "$E2E_ERR"; then
        e2e_fail "$what: the message went to standard error"
    fi

    if [ -n "$feeder_pid" ]; then
        wait "$feeder_pid"
        fed=$?
        e2e_untrack "$feeder_pid"
        [ "$fed" = 0 ] || e2e_fail "$what: the FIFO was never opened (writer status $fed)"
    fi
    echo "ok: $what -> $(head -c 60 "$E2E_OUT")"
}

# A missing cub.bmp ends the program before floor.bmp is opened: a FIFO as floor.bmp
# would otherwise block it.
check missing unopened "can't open cub.bmp"
check missing missing "can't open cub.bmp"
check bits8 unopened "invalid format of cub.bmp"
check bits32 unopened "invalid format of cub.bmp"
# floor.bmp is handled only after cub.bmp has been read: the fed FIFO must be opened.
check fed missing "can't open floor.bmp"
check valid missing "can't open floor.bmp"
check fed bits8 "invalid format of floor.bmp"
check valid bits32 "invalid format of floor.bmp"
