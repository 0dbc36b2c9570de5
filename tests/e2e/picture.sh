#!/usr/bin/env bash
# Screenshots of the real window: a second after start, the clear colour, the lit textured
# floor, the black shadow and the cube; at 1000 x 500, the window filled and the cube's
# proportions kept; squashed and back, still drawing. The textures give each part a colour:
# a magenta cube (a sphere map of one colour gives it exactly), amber and blue floor squares.
# Usage: picture.sh JELLYCUBE
binary=$(realpath "$1")
source "$(dirname "$0")/lib.sh"
e2e_init 150
dir=$E2E_TMP/run shot=$E2E_TMP/shot.png
mkdir "$dir"
convert -size 64x64 xc:magenta -type truecolor BMP3:"$dir/cub.bmp" &&
    convert -size 128x128 pattern:checkerboard -threshold 50% +level-colors \
        'rgb(220,160,40)','rgb(40,120,220)' -type truecolor BMP3:"$dir/floor.bmp" || exit 1

# Prints "black magenta amber blue lo hi" for a screenshot: pixel counts, and the darkest
# and brightest red among pixels of the amber square's hue (light changes only brightness).
facts() {
    convert "$1" -depth 8 rgb:- | od -An -v -tu1 -w3 | awk '
        { black += $1 + $2 + $3 == 0; magenta += $1 >= 250 && $2 <= 5 && $3 >= 250
          amber += $1 > $3 + 60; blue += $3 > $1 + 60 }
        $1 >= 40 && $2 / $1 > 0.70 && $2 / $1 < 0.76 && $3 / $1 > 0.15 && $3 / $1 < 0.21 {
          if (lo == "" || $1 < lo) lo = $1; if ($1 > hi) hi = $1 }
        END { print black + 0, magenta + 0, amber + 0, blue + 0, lo + 0, hi + 0 }'
}

# Waits for a frame that fills the window: the clear colour in the top corners, the floor
# (amber or blue, not the clear colour) in the bottom ones. The screenshot stays in $shot.
wait_frame() {
    e2e_geometry
    local r=$((E2E_W - 2)) b=$((E2E_H - 2))
    for _ in $(seq 50); do
        e2e_screenshot "$shot"
        corners=$(for xy in 1,1 $r,1 1,$b $r,$b; do e2e_pixel "$shot" "${xy%,*}" "${xy#*,}"; done)
        awk 'NR < 3 && $0 != "0 102 0" || NR > 2 && $1 < $3 + 60 && $3 < $1 + 60 { exit 1 }' \
            <<<"$corners" && return
    done
    e2e_fail "$1: not the clear colour (0 102 0) above and the floor below; corners" \
        "(top left, top right, bottom left, bottom right): $(paste -sd , <<<"$corners")"
}

# Prints the median width / height of the box around the cube in 7 screenshots.
cube_ratio() {
    for _ in $(seq 7); do
        e2e_screenshot "$shot"
        convert "$shot" -fill black -fuzz 3% +opaque magenta -trim -format '%w %h\n' info:
        sleep 0.25
    done | tee "$E2E_TMP/boxes" | awk '$1 > 1 { print $1 / $2 }' | sort -n | sed -n 4p
}

e2e_run "$dir" "$binary"
e2e_wait_window
sleep 0.7
wait_frame "about 1 s in"
read -r black magenta amber blue lo hi < <(facts "$shot")
[ "$black" -ge 300 ] && [ "$magenta" -ge 300 ] && [ "$amber" -ge 20000 ] && [ "$blue" -ge 20000 ] &&
    [ $((hi - lo)) -ge 40 ] || e2e_fail "about 1 s in: black $black, magenta $magenta (shadow" \
    "and cube, >= 300), amber $amber, blue $blue (floor, >= 20000), amber red $lo to $hi (light)"

# The vertical view angle stays and the horizontal one widens with the window.
square=$(cube_ratio)
e2e_resize 1000 500
wait_frame "1000 x 500"
wide=$(cube_ratio)
awk -v a="$square" -v b="$wide" 'BEGIN { exit !(a > 0 && b / a > 0.7 && b / a < 1.4) }' ||
    e2e_fail "the cube's width / height: ${square:-?} in 700 x 700, ${wide:-?} in 1000 x 500;" \
        "boxes (w h) at 1000 x 500: $(paste -sd , "$E2E_TMP/boxes")"

# One pixel high (X has no height 0) gives an aspect of 1000; growing back needs new frames.
e2e_resize 1000 1
e2e_alive "a window one pixel high"
e2e_resize 700 700
wait_frame "back at 700 x 700"
read -r black magenta amber blue lo hi < <(facts "$shot")
[ "$magenta" -ge 300 ] || e2e_fail "back at 700 x 700: only $magenta magenta pixels"
e2e_escape
