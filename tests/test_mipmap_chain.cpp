// The mipmap chain for APIs without GLU: the power-of-two fit and the box filter, by hand.
// The whole chain is checked against GLU itself in test_gl_agreement.
#include "texture/mipmap_chain.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

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

} // namespace
