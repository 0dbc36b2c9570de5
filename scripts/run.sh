#!/usr/bin/env bash
# Starts jellycube in assets/, where its default textures are. Where no X display can be
# reached, it records the first 8 seconds under a private Xvfb instead and writes
# BUILD/preview.gif and BUILD/preview.png (the cube in the air above its shadow, at 4 s).
# Usage: run.sh [BUILD_DIR]
set -euo pipefail
build_dir=$(cd "${1:-build}" && pwd)
cd "$(dirname "$0")/../assets" # the program and the recorder read the textures from here

display_reachable() {
    [ -n "${DISPLAY:-}" ] || return 1
    # Without xdpyinfo there is no cheap way to ask; let the program try.
    command -v xdpyinfo >/dev/null || return 0
    timeout 10 xdpyinfo >/dev/null 2>&1
}

if display_reachable; then
    exec "$build_dir/app/jellycube"
fi

echo "No X display can be reached (DISPLAY is ${DISPLAY:-not set}), so jellycube cannot open its window."
echo "Recording the first 8 seconds under a private Xvfb instead..."
for tool in Xvfb convert; do
    command -v "$tool" >/dev/null || {
        echo "The preview needs $tool (packages xvfb and imagemagick: run make deps)." >&2
        exit 1
    }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/jellycube-preview.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The simulation runs at 25 frames a second and every second frame is kept: the camera turns
# all the time, so every frame of the GIF is new, and 12.5 frames a second at half size keep
# it near 3.5 MB where every frame would make 7.
bash ../tests/e2e/with_xvfb.sh "$build_dir/tools/jellycube-record" \
    --fps 25 --seconds 8 --every 2 --out "$work/frames"

# Frame 100 is 4 s: the cube hops, turned, above its black shadow.
cp "$work/frames/frame-000100.png" "$build_dir/preview.png"
convert -delay 8 -loop 0 "$work/frames/frame-*.png" -resize 350x350 \
    +dither -colors 64 -layers Optimize "$build_dir/preview.gif"

echo "Wrote $build_dir/preview.gif (the first 8 seconds, 350 x 350, 12.5 frames a second)"
echo "  and $build_dir/preview.png (the scene at 4 s, 700 x 700)."
