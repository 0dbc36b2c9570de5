#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into BUILD_DIR and
# runs the whole test suite there, end-to-end tests included. Mesa, GLUT and Xlib are not
# instrumented; the leaks they keep until exit are suppressed by library (lsan.supp), so
# that a leak in our own code still fails the run.
# Usage: scripts/sanitize.sh [BUILD_DIR [JOBS]]   (defaults: build-asan, 2)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-build-asan}
jobs=${2:-2}

cmake -S "$root" --preset asan -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j "$jobs"

# Mesa's driver stays mapped until exit (see tests/sanitize/keep_drivers_loaded.cpp); the
# library is preloaded ahead of the ASan runtime, which the link-order check would refuse.
# Sanitizer reports end a process with status 66, which no program of ours uses.
export LD_PRELOAD=$(realpath "$build_dir")/tests/libkeep_drivers_loaded.so
export ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:verify_asan_link_order=0:exitcode=66
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:exitcode=66
cd "$build_dir"
ctest --output-on-failure -j "$jobs"
