#!/usr/bin/env bash
# Speed of the browser version beside the native program, measured in one run so that both
# see the same load: a frame's 100 sub-steps natively and as WebAssembly under node (three
# rounds taking turns), the live page's frames per second in headless chromium at 700 x 700,
# and the native program's frame timing in its 700 x 700 window under a private Xvfb. The
# figures are printed and kept in WEB_DIR/web_timing.md.
# Usage: web_timing.sh [BUILD_DIR] [WEB_DIR]   (WEB_TIMING_SECONDS: page seconds, 10)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/web_env.sh
. scripts/xvfb.sh
build_dir=$(cd "${1:-build}" && pwd)
export JELLY_WEB_DIR=$(cd "${2:-build-web}" && pwd)
export CHROMIUM=${CHROMIUM:-$(command -v chromium)}
report=$JELLY_WEB_DIR/web_timing.md
[ -d tests/web/node_modules ] || npm ci --prefix tests/web --no-audit --no-fund --loglevel=error

work=$(mktemp -d "${TMPDIR:-/tmp}/jellycube-web-timing.XXXXXX")
xvfb_pid=
trap 'kill $xvfb_pid 2>/dev/null || true; wait $xvfb_pid 2>/dev/null || true; rm -rf "$work"' EXIT
start_xvfb "$work"

{
    echo "## One frame's 100 sub-steps, $(nproc) cores, three rounds taking turns"
    for round in 1 2 3; do
        echo
        echo "Round $round, native:"
        echo
        "$build_dir/bench/jellycube-frame-steps"
        echo
        echo "Round $round, WebAssembly under node $(node --version):"
        echo
        node "$JELLY_WEB_DIR/bench/jellycube-frame-steps.js"
    done
    echo
    echo "## Frames per second at 700 x 700"
    echo
    (cd tests/web && node page_fps.mjs "${WEB_TIMING_SECONDS:-10}")
    echo
    echo "Native, jellycube-frame-timing in its window under Xvfb (Mesa llvmpipe):"
    echo
    (cd assets && "$build_dir/bench/jellycube-frame-timing" --frames 600)
} | tee "$report"
