#!/usr/bin/env bash
# Builds the browser version with Debian's emscripten into WEB_DIR: the page as one file,
# jellycube.html, and jellycube-trace.js for node.
# Debian's emscripten brings its system libraries prebuilt in a frozen cache, so the build
# needs no network and no writable cache.
# Usage: web_build.sh [WEB_DIR] [JOBS]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/web_env.sh
web_dir=${1:-build-web}
jobs=${2:-2}
emcmake cmake -S . -B "$web_dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$web_dir" -j "$jobs"
