#!/usr/bin/env bash
# The browser version's tests (tests/web/*.test.mjs, node's test runner): the node trace tool
# against the native one, the scripted page against the native reference frames, the live
# page, its controls and keys, and users' textures, in headless Debian chromium driven by
# puppeteer-core (installed with npm ci into tests/web from its lock file).
# Usage: test_web.sh [BUILD_DIR] [WEB_DIR]   (the native build gives the reference tools)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/web_env.sh
export JELLY_BUILD_DIR=$(cd "${1:-build}" && pwd)
export JELLY_WEB_DIR=$(cd "${2:-build-web}" && pwd)
export CHROMIUM=${CHROMIUM:-$(command -v chromium)}

stamp=tests/web/node_modules/.package-lock.json
if [ ! -f "$stamp" ] || [ tests/web/package-lock.json -nt "$stamp" ]; then
    npm ci --prefix tests/web --no-audit --no-fund --loglevel=error
fi
# Every test bounds its own time; this bounds the whole run should a browser hang.
timeout 1200 node --test tests/web/*.test.mjs
