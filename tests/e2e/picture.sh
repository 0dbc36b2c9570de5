#!/usr/bin/env bash
# What the real program draws, seen in screenshots of its window: the clear colour, the lit
# textured floor, the black shadow and the textured cube about a second after start; the
# whole window filled and the cube's proportions kept after a resize to 1000 x 500; and a
# window squashed to one pixel's height and back still alive and drawing.
# The test brings its own textures, so that every part of the picture has a colour of its
# own: a magenta cube (sphere mapping a single colour gives that colour exactly) and a floor
# of amber and blue squares.
# Usage: picture.sh JELLYCUBE
set -u
binary=$(realpath "$1")
source "$(dirname "$0")/lib.sh"
e2e_init 150

run_dir=$E2E_TMP/run
mkdir "$run_dir"
convert -size 64x64 xc:'rgb(255,0,255)' -type truecolor BMP3:"$run_dir/cub.bmp" &&
    convert -size 2x2 xc:'rgb(220,160,40)' -fill 'rgb(40,120,220)' \
        -draw 'point 1,0' -draw 'point 0,1' -scale 32x32 -write mpr:tile +delete \
        -size 128x128 tile:mpr:tile -type truecolor BMP3:"$run_dir/floor.bmp" ||
    e2e_fail "could not write the test textures with ImageMagick"

clear_colour="0 102 0"

# Prints "black magenta amber blue dim_amber lit_min lit_max" for a screenshot: counts of
# shadow-black pixels, cube-magenta pixels, amber-ish and blue-ish floor pixels, and the
# darkest and brightest red among the pixels of pure amber hue (texture colour times one
# light factor: lighting changes the brightness, never the hue).
scene_facts() {
    # Plain PPM: "P3 width height 255", then red, green and blue of each pixel as decimal
    # numbers, with line breaks anywhere between them.
    convert "$1" -depth 8 -compress none ppm:- | awk '
        {
            for (i = 1; i <= NF; i++) {
                if (++token <= 4) continue
                v[channel++] = $i + 0
                if (channel < 3) continue
                channel = 0
                r = v[0]; g = v[1]; b = v[2]
                if (r == 0 && g == 0 && b == 0) black++
                if (r >= 250 && g <= 5 && b >= 250) magenta++
                if (r > b + 60) amber++
                if (b > r + 60) blue++
                if (r >= 40 && g / r > 0.70 && g / r < 0.76 && b / r > 0.15 && b / r < 0.21) {
                    if (lo == "" || r < lo) lo = r
                    if (hi == "" || r > hi) hi = r
                }
            }
        }
        END { printf "%d %d %d %d %d %d\n", black, magenta, amber, blue, lo, hi }'
}

# Prints "W H X Y" of the box around the cube's magenta pixels, or nothing if there are none.
cube_box() {
    convert "$1" -fill black -fuzz 3% +opaque 'rgb(255,0,255)' -trim \
        -format '%w %h %X %Y %@\n' info: 2>/dev/null | awk '$1 > 1 && $2 > 1 { print $1, $2, $3 + 0, $4 + 0 }'
}

# Takes N screenshots about a quarter of a second apart and prints the median width / height
# of the cube's box, leaving out screenshots where the box touches the window's edge.
median_cube_ratio() {
    local n=$1 k box ratios=()
    e2e_geometry
    for k in $(seq "$n"); do
        e2e_screenshot "$E2E_TMP/sample.png"
        box=$(cube_box "$E2E_TMP/sample.png")
        if [ -n "$box" ]; then
            read -r w h x y <<<"$box"
            if [ "$x" -gt 0 ] && [ "$y" -gt 0 ] && [ $((x + w)) -lt "$E2E_WIN_W" ] &&
                [ $((y + h)) -lt "$E2E_WIN_H" ]; then
                ratios+=("$(awk -v w="$w" -v h="$h" 'BEGIN { printf "%.4f", w / h }')")
            fi
        fi
        sleep 0.25
    done
    [ ${#ratios[@]} -ge $((n / 2)) ] ||
        e2e_fail "the cube was whole in only ${#ratios[@]} of $n screenshots"
    printf '%s\n' "${ratios[@]}" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

# Waits until a screenshot shows the clear colour in both top corners: a frame was drawn.
wait_for_frame() {
    local what=$1 attempt left right shot=$E2E_TMP/frame.png
    e2e_geometry
    for attempt in $(seq 50); do
        e2e_screenshot "$shot"
        left=$(e2e_pixel "$shot" 1 1)
        right=$(e2e_pixel "$shot" $((E2E_WIN_W - 2)) 1)
        [ "$left" = "$clear_colour" ] && [ "$right" = "$clear_colour" ] && return 0
        sleep 0.1
    done
    e2e_fail "$what: top corners are ($left) and ($right), expected the clear colour" \
        "($clear_colour)"
}

started=$SECONDS
e2e_run "$run_dir" "$binary"
e2e_wait_window
wait_for_frame "start"
# About a second in, the cube is falling, well above its shadow.
sleep 0.5
shot=$E2E_TMP/one_second.png
e2e_screenshot "$shot"
shot_time=$((SECONDS - started))
for corner in "1 1" "698 1"; do
    pixel=$(e2e_pixel "$shot" $corner)
    [ "$pixel" = "$clear_colour" ] ||
        e2e_fail "top corner ($corner) is ($pixel), expected the clear colour ($clear_colour)"
done
read -r black magenta amber blue lit_min lit_max <<<"$(scene_facts "$shot")"
echo "about $shot_time s after start: black $black, magenta $magenta, amber $amber," \
    "blue $blue pixels; pure amber red from $lit_min to $lit_max"
[ "$black" -ge 300 ] || e2e_fail "the shadow: only $black black pixels"
[ "$magenta" -ge 300 ] || e2e_fail "the cube: only $magenta pixels of the cube's colour"
[ "$amber" -ge 20000 ] && [ "$blue" -ge 20000 ] ||
    e2e_fail "the floor: $amber amber and $blue blue pixels, expected both squares"
# Unlit, every pure amber pixel would be the texture's (220, 160, 40); light 0 makes the
# floor darker away from it.
[ $((lit_max - lit_min)) -ge 40 ] ||
    e2e_fail "the floor is not lit: pure amber red only from $lit_min to $lit_max"

# The 50-degree vertical view stays and the horizontal one widens: the cube's box keeps its
# proportions. A projection still built for a square window would stretch it twice as wide.
square_ratio=$(median_cube_ratio 9)
e2e_resize 1000 500
wait_for_frame "after resizing to 1000 x 500"
e2e_screenshot "$shot"
for corner in "1 1" "998 1"; do
    pixel=$(e2e_pixel "$shot" $corner)
    [ "$pixel" = "$clear_colour" ] || e2e_fail "1000 x 500: top corner ($corner) is ($pixel)"
done
for corner in "1 498" "998 498"; do
    pixel=$(e2e_pixel "$shot" $corner)
    [ "$pixel" != "$clear_colour" ] && [ "$pixel" != "0 0 0" ] ||
        e2e_fail "1000 x 500: bottom corner ($corner) is ($pixel), not the floor:" \
            "the frame does not fill the window"
done
wide_ratio=$(median_cube_ratio 9)
echo "cube width / height (median): $square_ratio in 700 x 700, $wide_ratio in 1000 x 500"
awk -v a="$square_ratio" -v b="$wide_ratio" 'BEGIN { exit !(b / a > 0.7 && b / a < 1.4) }' ||
    e2e_fail "the cube's proportions changed: width / height $square_ratio in 700 x 700," \
        "$wide_ratio in 1000 x 500"

# X has no windows of height 0; one pixel is as flat as the server allows. The projection
# then gets an aspect of 1000; back at full size the frames must come again.
e2e_resize 1000 1
e2e_expect_running "a window one pixel high" 1
e2e_resize 1 1
e2e_expect_running "a window of one pixel" 1
e2e_resize 700 700
wait_for_frame "back at 700 x 700"
e2e_screenshot "$E2E_TMP/again1.png"
sleep 0.3
e2e_screenshot "$E2E_TMP/again2.png"
read -r black magenta amber blue lit_min lit_max <<<"$(scene_facts "$E2E_TMP/again2.png")"
[ "$magenta" -ge 300 ] && [ "$amber" -ge 20000 ] ||
    e2e_fail "back at 700 x 700: $magenta cube and $amber amber pixels"
cmp -s "$E2E_TMP/again1.png" "$E2E_TMP/again2.png" &&
    e2e_fail "back at 700 x 700 the picture no longer changes"
e2e_escape
