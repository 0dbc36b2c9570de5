#!/usr/bin/env bash
# Starts jellycube in assets/, where its default textures are.
set -euo pipefail
build_dir=$(cd "${1:-build}" && pwd)
cd "$(dirname "$0")/../assets"
exec "$build_dir/app/jellycube"
