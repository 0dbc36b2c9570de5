// The view's arithmetic: projection aspect, turn angle and the planar shadow matrix.
#include "app/scene_view.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(ProjectionAspect, WidthOverHeightAndOneForAnEmptyWindow) {
    struct Case {
        int32_t width;
        int32_t height;
        double aspect;
    };
    const Case cases[] = {
        {700, 700, 1.0}, {1000, 500, 2.0}, {500, 1000, 0.5}, {701, 700, 701.0 / 700.0},
        {3, 1, 3.0},     {700, 0, 1.0},    {0, 0, 1.0},      {0, 700, 1.0},
    };
    for (const Case& c : cases) {
        const double got = projection_aspect(c.width, c.height);
        EXPECT_EQ(got, c.aspect) << c.width << " x " << c.height;
        EXPECT_TRUE(std::isfinite(got) && got > 0) << c.width << " x " << c.height;
    }
}

TEST(ViewTurn, FortyDegreesPerSecondNotWrapped) {
    EXPECT_EQ(view_turn_degrees(0.0), 0.0f);
    EXPECT_EQ(view_turn_degrees(0.5), 20.0f);
    EXPECT_EQ(view_turn_degrees(9.0), 360.0f);
    EXPECT_EQ(view_turn_degrees(10.0), 400.0f);
    EXPECT_EQ(view_turn_degrees(1.0 / 60.0), float(40.0 / 60.0));
}

TEST(ShadowMatrix, ElementsForTheSceneLight) {
    const std::array<float, 16> want = {20, 0, 0, 0, -5, 0, -5, -1, 0, 0, 20, 0, 0, 0, 0, 20};
    const std::array<float, 16> got = shadow_matrix(light_position);
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(got[k], want[k])
            << "element " << k << " (row " << k % 4 << ", column " << k / 4 << ")";
    }
}

// The matrix takes a point to where the line from the light through it meets y = 0.
TEST(ShadowMatrix, ProjectsAlongLightRaysOntoTheFloor) {
    const std::array<float, 4> lights[] = {light_position, {-3, 12, 7, 1}, {0, 6.5f, 0, 1}};
    const double points[][3] = {
        {0, 0, 0}, {1, 6, -2}, {-0.625, 5.375, 0.375}, {14, 3, -15}, {0.5, -0.25, 0.5}, {2, 0, 2},
    };
    for (const auto& light : lights) {
        const std::array<float, 16> m = shadow_matrix(light);
        for (const auto& p : points) {
            SCOPED_TRACE(testing::Message()
                         << "light (" << light[0] << ", " << light[1] << ", " << light[2]
                         << "), point (" << p[0] << ", " << p[1] << ", " << p[2] << ")");
            double h[4];
            for (int row = 0; row < 4; ++row) {
                h[row] = m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2] + m[12 + row];
            }
            ASSERT_GT(h[3], 0);
            // Along the ray light + t (p - light), y = 0 at t = Ly / (Ly - py).
            const double t = light[1] / (light[1] - p[1]);
            EXPECT_EQ(h[1], 0.0);
            EXPECT_NEAR(h[0] / h[3], light[0] + t * (p[0] - light[0]), 1e-9);
            EXPECT_NEAR(h[2] / h[3], light[2] + t * (p[2] - light[2]), 1e-9);
        }
    }
}

} // namespace
