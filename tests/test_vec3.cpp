// Vector operations: the output may alias an input, and each component rounds once.
#include "sim/vec3.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

void expect_same(const Vec3& got, const Vec3& want) {
    EXPECT_EQ(got.x, want.x);
    EXPECT_EQ(got.y, want.y);
    EXPECT_EQ(got.z, want.z);
}

TEST(Vec3, OutputMayAliasEitherInput) {
    const Vec3 a{1.5f, -2.25f, 3.0f};
    const Vec3 b{0.5f, 4.0f, -1.0f};
    Vec3 sub, cross, unit;
    vec_sub(sub, a, b);
    vec_cross(cross, a, b);
    vec_normalize(unit, a);
    expect_same(cross, Vec3{-9.75f, 3.0f, 7.125f});

    Vec3 x = a, y = b;
    expect_same(vec_sub(x, x, b), sub);
    expect_same(vec_sub(y, a, y), sub);
    x = a, y = b;
    expect_same(vec_cross(x, x, b), cross);
    expect_same(vec_cross(y, a, y), cross);
    x = a;
    expect_same(vec_normalize(x, x), unit);
}

TEST(Vec3, CrossProductRoundsOnlyTheResult) {
    // (1 + e)(1 - e) - 1 with e = 2^-13 is -2^-26; single-precision products would round
    // the first term to 1 and give 0.
    const float e = std::ldexp(1.0f, -13);
    Vec3 out;
    vec_cross(out, Vec3{0, 1 + e, 1}, Vec3{0, 1, 1 - e});
    EXPECT_EQ(out.x, -std::ldexp(1.0f, -26));
    expect_same(vec_normalize(out, Vec3{0, -3, 4}), Vec3{0.0f, -0.6f, 0.8f});
}

} // namespace
