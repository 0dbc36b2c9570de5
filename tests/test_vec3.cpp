// Vector operations: aliasing of output and inputs, and one rounding per component.
#include "mesh/vec3.h"

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
    Vec3 sub;
    Vec3 cross;
    Vec3 unit;
    vec_sub(sub, a, b);
    vec_cross(cross, a, b);
    vec_normalize(unit, a);

    Vec3 x = a;
    expect_same(vec_sub(x, x, b), sub);
    Vec3 y = b;
    expect_same(vec_sub(y, a, y), sub);
    x = a;
    expect_same(vec_cross(x, x, b), cross);
    y = b;
    expect_same(vec_cross(y, a, y), cross);
    x = a;
    expect_same(vec_normalize(x, x), unit);
    Vec3 same = a;
    expect_same(vec_sub(same, same, same), Vec3{0.0f, 0.0f, 0.0f});
}

TEST(Vec3, ValuesAndReturnedReference) {
    Vec3 out;
    EXPECT_EQ(&vec_sub(out, Vec3{1, 2, 3}, Vec3{4, 6, 8}), &out);
    expect_same(out, Vec3{-3, -4, -5});
    // Right-handed: x cross y is z.
    expect_same(vec_cross(out, Vec3{1, 0, 0}, Vec3{0, 1, 0}), Vec3{0, 0, 1});
    expect_same(vec_cross(out, Vec3{0, 0, 1}, Vec3{1, 0, 0}), Vec3{0, 1, 0});
    expect_same(vec_normalize(out, Vec3{0, -3, 4}), Vec3{0.0f, -0.6f, 0.8f});
}

TEST(Vec3, CrossProductRoundsOnlyTheResult) {
    // (1 + e)(1 - e) - 1 with e = 2^-13 is -2^-26: single-precision products would round
    // the first term to 1 and give 0.
    const float e = std::ldexp(1.0f, -13);
    Vec3 out;
    vec_cross(out, Vec3{0, 1 + e, 1}, Vec3{0, 1, 1 - e});
    EXPECT_EQ(out.x, -std::ldexp(1.0f, -26));
}

TEST(Vec3, NormalizeOfZeroIsNotANumber) {
    Vec3 out;
    vec_normalize(out, Vec3{0, 0, 0});
    EXPECT_TRUE(std::isnan(out.x) && std::isnan(out.y) && std::isnan(out.z));
}

} // namespace
