// A decoded image as the whole chain of mipmap levels that a mipmapped texture needs, scaled
// to a power-of-two side first where it is not one: for graphics APIs that, unlike GLU's
// mipmap builder, take each level as it is given.
#pragma once

#include "texture/bmp_decode.h"

#include <cstdint>
#include <vector>

struct MipmapLevel {
    int32_t side = 0;               // pixels, a power of two
    std::vector<unsigned char> rgb; // side rows of side pixels, 3 bytes each, no row padding
};

// Side of level 0 for an image `width` pixels wide: the power of two nearest to it, where a
// width of 1.5 x 2^k or more goes up (so 100 gives 128, 95 gives 64, 96 gives 128), then
// halved while it exceeds `max_side` (the API's largest texture). Needs width >= 1.
int32_t mipmap_base_side(int32_t width, int32_t max_side);

// Level 0 scaled from `image` with a box filter to mipmap_base_side (unchanged where the
// width is already that side), then every level down to 1 x 1, each pixel the average of
// the 2 x 2 pixels above it with halves rounded up. Rows keep the image's order, so its
// first stored row is t = 0. Needs a decoded, non-empty image.
std::vector<MipmapLevel> build_mipmap_chain(const BmpImage& image, int32_t max_side);

// A box-filtered copy of `from_side` x `from_side` tightly packed RGB pixels at `to_side` x
// `to_side`: each new pixel is the average of the old pixels its footprint covers, each
// weighted by the share of it that lies inside, rounded to the nearest value.
std::vector<unsigned char> scale_box(const unsigned char* rgb, int32_t from_side,
                                     size_t from_row_stride, int32_t to_side);
