#!/usr/bin/env bash
# jellycube-trace (a short run) and the BMP decoder's tests under Valgrind's memcheck. Any
# memory error or definite or indirect leak fails the run.
# Usage: scripts/memcheck.sh [BUILD_DIR]   (default: build)
set -euo pipefail
build_dir=${1:-build}
# No --track-origins: it tags every byte of the 768 MiB buffers that oversized headers get
# from the stream decoder, which turns a two-second run into a quarter of an hour. Add it
# by hand to find where an uninitialised value comes from.
valgrind=(valgrind --tool=memcheck --error-exitcode=1 --leak-check=full
    --errors-for-leak-kinds=definite,indirect --quiet)

failed=0
check() {
    local log
    log=$(mktemp)
    echo "memcheck: ${*#"$build_dir/"}"
    if ! "${valgrind[@]}" "$@" >"$log" 2>&1; then
        tail -n 60 "$log"
        echo "memcheck: FAILED: $*"
        failed=1
    fi
    rm -f "$log"
}

check "$build_dir/tools/jellycube-trace" --fps 60 --seconds 2 --summary
check "$build_dir/tests/test_bmp_parser"
check "$build_dir/tests/test_fuzz_regressions"
[ "$failed" = 0 ] && echo "memcheck: clean"
exit "$failed"
