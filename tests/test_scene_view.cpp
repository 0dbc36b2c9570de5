// The view's arithmetic: projection aspect, turn angle, the camera and the planar shadow
// matrix; and the pass table's state.
#include "render/scene_passes.h"
#include "render/scene_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <string>
#include <utility>

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

// At t = 0 the eye stands 16 from the origin, 30 degrees up: at (0, 8, 8 sqrt 3), looking at
// the origin, which the view puts 16 ahead. The vertical field of view is 50 degrees.
TEST(SceneView, CameraAtTimeZero) {
    const Matrix4 view = view_matrix(0.0);
    EXPECT_EQ(transform_point(view, {0, 0, 0, 1}), (std::array<float, 4>{0, 0, -16, 1}));
    const std::array<float, 4> eye =
        transform_point(view, {0.0f, 8.0f, float(8 * std::sqrt(3.0)), 1.0f});
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(eye[k], 0.0, 2e-6) << "component " << k << " of the eye in eye space";
    }
    const double pi = 3.14159265358979323846; // M_PI is not standard C++ (MinGW lacks it)
    const double cot_25 = 1 / std::tan(25 * pi / 180);
    for (const auto& [width, height] : {std::pair{700, 700}, {1000, 500}}) {
        const Matrix4 projection = projection_matrix(width, height);
        EXPECT_FLOAT_EQ(projection[5], cot_25) << width << " x " << height;
        EXPECT_FLOAT_EQ(projection[0], cot_25 * height / width) << width << " x " << height;
    }
}

// The shadow is the body flattened from the light, unlit and black, drawn after the floor
// with the depth test off: so it lies on the floor and reaches beyond its edges too, over the
// clear colour. The lit material shines with exponent 64.
TEST(ScenePasses, StateOfEachPass) {
    struct Want {
        const char* name;
        PassGeometry geometry;
        bool lit, depth_test;
        std::array<float, 3> colour;
        PassTexture texture;
        bool sphere_map, flatten;
    };
    const Want want[] = {
        {"floor",
         PassGeometry::floor_grid,
         true,
         true,
         {1, 1, 1},
         PassTexture::floor,
         false,
         false},
        {"shadow",
         PassGeometry::body_skin,
         false,
         false,
         {0, 0, 0},
         PassTexture::none,
         false,
         true},
        {"body", PassGeometry::body_skin, false, true, {1, 1, 1}, PassTexture::cube, true, false},
    };
    ASSERT_EQ(scene_passes.size(), std::size(want));
    for (size_t k = 0; k < scene_passes.size(); ++k) {
        const PassState& got = scene_passes[k];
        const Want& w = want[k];
        EXPECT_TRUE(std::string(got.name) == w.name && got.geometry == w.geometry &&
                    got.lit == w.lit && got.depth_test == w.depth_test &&
                    (got.lit || got.colour == w.colour) && got.texture == w.texture &&
                    got.sphere_map == w.sphere_map && got.flatten == w.flatten)
            << "pass " << k << " (" << got.name << "): lit " << got.lit << ", depth test "
            << got.depth_test << ", colour " << got.colour[0] << " " << got.colour[1] << " "
            << got.colour[2] << ", flattened " << got.flatten;
    }
    EXPECT_EQ(scene_lighting.material_shininess, 64.0f);
    EXPECT_EQ(scene_lighting.material_specular, (std::array<float, 4>{1, 1, 1, 1}));
}

} // namespace
