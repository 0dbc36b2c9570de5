// The view's arithmetic: projection aspect, turn angle and the planar shadow matrix.
#include "render/scene_view.h"

#include <gtest/gtest.h>

namespace {

TEST(SceneView, AspectIsWidthOverHeightOrOneAndTheTurnIsNotWrapped) {
    const double cases[][3] = {
        {1000, 500, 2}, {500, 1000, 0.5}, {700, 0, 1}, {0, 0, 1}, {0, 700, 1}};
    for (const auto& [width, height, aspect] : cases) {
        EXPECT_EQ(projection_aspect(int32_t(width), int32_t(height)), aspect)
            << width << " x " << height;
    }
    EXPECT_EQ(view_turn_degrees(0.5), 20.0f); // 40 degrees a second
    EXPECT_EQ(view_turn_degrees(10.0), 400.0f);
}

// The matrix takes a point to where the line from the light through it meets y = 0.
TEST(ShadowMatrix, ProjectsAlongLightRaysOntoTheFloor) {
    EXPECT_EQ(shadow_matrix(light_position),
              (std::array<float, 16>{20, 0, 0, 0, -5, 0, -5, -1, 0, 0, 20, 0, 0, 0, 0, 20}));
    for (const std::array<float, 4>& light : {light_position, {-3, 12, 7, 1}}) {
        const std::array<float, 16> m = shadow_matrix(light);
        for (const auto& p : {std::array<double, 3>{1, 6, -2}, {14, 3, -15}, {0.5, -0.25, 0.5}}) {
            double h[4];
            for (int row = 0; row < 4; ++row) {
                h[row] = m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2] + m[12 + row];
            }
            const double t = light[1] / (light[1] - p[1]); // light + t (p - light) has y = 0
            EXPECT_TRUE(h[1] == 0 && h[3] > 0) << "y " << h[1] << ", w " << h[3];
            EXPECT_NEAR(h[0] / h[3], light[0] + t * (p[0] - light[0]), 1e-9)
                << "light x " << light[0];
            EXPECT_NEAR(h[2] / h[3], light[2] + t * (p[2] - light[2]), 1e-9)
                << "light x " << light[0];
        }
    }
}

} // namespace
