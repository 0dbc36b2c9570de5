// The mipmap chain for APIs without GLU: the power-of-two fit, the box filter and the halving.
#include "texture/mipmap_chain.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A width x width image whose rows are padded to 4 bytes with 0xEE fill bytes.
BmpImage image_of(int32_t width, unsigned char (*colour)(int32_t x, int32_t y, int c)) {
    BmpImage image;
    image.width = width;
    image.row_stride = bmp_row_stride(width);
    image.pixels.reset(new unsigned char[image.row_stride * size_t(width)]);
    std::memset(image.pixels.get(), 0xEE, image.row_stride * size_t(width));
    for (int32_t y = 0; y < width; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                image.pixels[size_t(y) * image.row_stride + size_t(x) * 3 + size_t(c)] =
                    colour(x, y, c);
            }
        }
    }
    return image;
}

TEST(MipmapChain, BaseSideIsTheNearestPowerOfTwoWithinTheLimit) {
    const int32_t cases[][3] = {
        // width, max side, base side
        {1, 8192, 1},     {2, 8192, 2},        {3, 8192, 4},     {5, 8192, 4},     {6, 8192, 8},
        {95, 8192, 64},   {96, 8192, 128},     {100, 8192, 128}, {256, 8192, 256}, {383, 8192, 256},
        {384, 8192, 512}, {16384, 8192, 8192}, {100, 64, 64},    {12, 16, 16},
    };
    for (const auto& [width, max_side, side] : cases) {
        EXPECT_EQ(mipmap_base_side(width, max_side), side) << width << " within " << max_side;
    }
}

// Footprints by hand: 3 to 2 takes (2a + b) / 3 and (b + 2c) / 3; 2 to 3 takes a, the mean
// of a and b, and b. A flat colour stays flat at every pair of sizes.
TEST(MipmapChain, BoxFilterWeighsEachOldPixelByTheShareItCovers) {
    const unsigned char row3[] = {0, 0, 0, 90, 90, 90, 255, 255, 255};
    unsigned char three[9 * 3];
    for (int y = 0; y < 3; ++y) {
        std::memcpy(three + y * 9, row3, 9);
    }
    const std::vector<unsigned char> two = scale_box(three, 3, 9, 2);
    EXPECT_EQ(std::vector<int>(two.begin(), two.end()),
              (std::vector<int>{30, 30, 30, 200, 200, 200, 30, 30, 30, 200, 200, 200}));

    const unsigned char square2[] = {10, 20, 30, 61, 0, 255, 10, 20, 30, 61, 0, 255};
    const std::vector<unsigned char> three_wide = scale_box(square2, 2, 6, 3);
    const std::vector<int> row = {10, 20, 30, 36, 10, 143, 61, 0, 255}; // 35.5 rounds up
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(std::vector<int>(three_wide.begin() + y * 9, three_wide.begin() + y * 9 + 9), row)
            << "row " << y;
    }

    for (const auto& [from, to] : {std::pair{100, 128}, {12, 16}, {20, 16}, {7, 4}, {5, 1}}) {
        std::vector<unsigned char> flat(size_t(from * from * 3));
        for (size_t k = 0; k < flat.size(); ++k) {
            flat[k] = (unsigned char)(k % 3 == 0 ? 201 : k % 3 == 1 ? 7 : 128);
        }
        const std::vector<unsigned char> out = scale_box(flat.data(), from, size_t(from) * 3, to);
        ASSERT_EQ(out.size(), size_t(to * to * 3));
        for (size_t k = 0; k < out.size(); ++k) {
            ASSERT_EQ(out[k], flat[k % 3]) << from << " to " << to << ", byte " << k;
        }
    }
}

// Rows keep their order and lose their fill bytes; each level halves down to 1 x 1, a
// pixel being the mean of four with halves rounded up.
TEST(MipmapChain, LevelsHalveDownToOnePixel) {
    const BmpImage ramp = image_of(4, [](int32_t x, int32_t y, int c) {
        return (unsigned char)(c == 0 ? x + 4 * y : c == 1 ? (x == 3 && y == 3) : 255);
    });
    const std::vector<MipmapLevel> chain = build_mipmap_chain(ramp, 8192);
    ASSERT_EQ(chain.size(), 3u);
    EXPECT_EQ(chain[0].side, 4);
    EXPECT_EQ(chain[0].rgb[3 * (1 + 4 * 2)], 9); // x 1, y 2: the first stored row is row 0
    ASSERT_EQ(chain[1].side, 2);
    // Red: the blocks' sums 10, 18, 42, 50, so 2.5 -> 3, 4.5 -> 5, 10.5 -> 11, 12.5 -> 13.
    // Green: one 1 in the last block, 0.25 -> 0. Blue stays 255.
    EXPECT_EQ(std::vector<int>(chain[1].rgb.begin(), chain[1].rgb.end()),
              (std::vector<int>{3, 0, 255, 5, 0, 255, 11, 0, 255, 13, 0, 255}));
    EXPECT_EQ(chain[2].side, 1);
    EXPECT_EQ(std::vector<int>(chain[2].rgb.begin(), chain[2].rgb.end()),
              (std::vector<int>{8, 0, 255})); // (3 + 5 + 11 + 13 + 2) / 4

    // A width of 2 has 2 fill bytes a row; none may reach the texture.
    const BmpImage small = image_of(2, [](int32_t, int32_t, int) { return (unsigned char)1; });
    const std::vector<MipmapLevel> two = build_mipmap_chain(small, 8192);
    EXPECT_EQ(two[0].rgb, std::vector<unsigned char>(12, 1));

    // Widths off a power of two are scaled first: 12 goes up to 16, then 8, 4, 2, 1.
    const BmpImage odd = image_of(12, [](int32_t x, int32_t, int) { return (unsigned char)x; });
    std::vector<int32_t> sides;
    for (const MipmapLevel& level : build_mipmap_chain(odd, 8192)) {
        sides.push_back(level.side);
        EXPECT_EQ(level.rgb.size(), size_t(level.side * level.side * 3));
    }
    EXPECT_EQ(sides, (std::vector<int32_t>{16, 8, 4, 2, 1}));
}

} // namespace
