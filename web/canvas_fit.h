// The canvas's size in the page: 700 x 700 CSS pixels, the program's window, where the
// window has room for it and a margin (720 pixels each way or more); otherwise the largest
// square that leaves the same margin, and never less than one pixel.
#pragma once

#include <algorithm>
#include <cstdint>

constexpr int32_t canvas_full_side = 700; // CSS pixels
constexpr int32_t canvas_margin = 20;     // CSS pixels around it

constexpr int32_t canvas_side(int32_t inner_width, int32_t inner_height) {
    return std::clamp(std::min(inner_width, inner_height) - canvas_margin, 1, canvas_full_side);
}
