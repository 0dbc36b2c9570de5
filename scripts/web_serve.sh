#!/usr/bin/env bash
# Serves the built page on this machine only, until Ctrl-C.
# Usage: web_serve.sh [WEB_DIR] [PORT]
set -euo pipefail
web_dir=${1:-build-web}
port=${2:-8000}
echo "jellycube in the browser: http://127.0.0.1:$port/ (Ctrl-C stops the server)"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$web_dir"
