#!/usr/bin/env bash
# The browser version's tests (tests/web/*.test.mjs, node's test runner): the node trace tool
# against the native one, then the one-file page from file:// in headless Debian chromium and
# in firefox-esr (headed, in a private Xvfb: headless Firefox has no WebGL), both driven by
# puppeteer-core (installed with npm ci into tests/web from its lock file): the scripted
# frames against the native reference frames, the live page, its controls and keys, users'
# textures, a refused or lost WebGL context. JELLY_BROWSERS="chromium" limits the engines.
# With --timing, instead, the page's speed beside the native program's, measured in one run
# so that both see the same load: the first frame after navigation in both engines (one file
# from file:// and served), a frame's 100 sub-steps natively and as WebAssembly under node
# (three rounds taking turns), the live page's frames per second in headless chromium at
# 700 x 700 and the native program's in its window under a private Xvfb; printed and kept in
# WEB_DIR/web_timing.md (WEB_TIMING_SECONDS: page seconds, 10).
# Usage: test_web.sh [--timing] [BUILD_DIR] [WEB_DIR]   (the native build gives the tools)
set -euo pipefail
cd "$(dirname "$0")/.."
timing=
[ "${1:-}" != --timing ] || { timing=1 && shift; }
export JELLY_BUILD_DIR=$(cd "${1:-build}" && pwd)
export JELLY_WEB_DIR=$(cd "${2:-build-web}" && pwd)
export CHROMIUM=${CHROMIUM:-$(command -v chromium)}
export FIREFOX=${FIREFOX:-$(command -v firefox-esr)}

stamp=tests/web/node_modules/.package-lock.json
if [ ! -f "$stamp" ] || [ tests/web/package-lock.json -nt "$stamp" ]; then
    npm ci --prefix tests/web --no-audit --no-fund --loglevel=error
fi
if [ -z "$timing" ]; then
    # Every test bounds its own time; this bounds the whole run should a browser hang.
    exec timeout 1200 node --test tests/web/*.test.mjs
fi

{
    echo "## The page's start-up and frames per second"
    echo
    (cd tests/web && node page_fps.mjs "${WEB_TIMING_SECONDS:-10}")
    echo
    echo "Native, jellycube-frame-timing in its window under Xvfb (Mesa llvmpipe):"
    echo
    (cd assets &&
        bash ../tests/e2e/with_xvfb.sh "$JELLY_BUILD_DIR/bench/jellycube-frame-timing" --frames 600)
    echo
    echo "## The step against the reference and one frame's 100 sub-steps, $(nproc) cores, three rounds taking turns"
    for round in 1 2 3; do
        echo
        echo "Round $round, native:"
        echo
        "$JELLY_BUILD_DIR/bench/jellycube-step-timing"
        echo
        echo "Round $round, WebAssembly under node $(node --version):"
        echo
        node "$JELLY_WEB_DIR/bench/jellycube-step-timing.js"
    done
} | tee "$JELLY_WEB_DIR/web_timing.md"
