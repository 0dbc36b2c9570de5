// The arrays a buffer-drawing backend sends, against the calls of the immediate-mode one:
// index by index, the same strips of the same vertices with the same normals and texture
// coordinates, for the floor and for a deformed body's six faces.
#include "mesh/body_skin.h"
#include "mesh/floor_mesh.h"
#include "render/gl1/grid_draw.h"
#include "render/grid_arrays.h"
#include "tests/gl_recorder.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Draws arrays into the recorder as the immediate-mode calls that the same strips are: a
// glBegin for each strip, a vertex for each index, a glEnd at each restart.
GlRecording replay(const std::vector<float>& vertices, const std::vector<uint16_t>& indices) {
    bool open = false;
    for (const uint16_t index : indices) {
        if (index == strip_restart_index) {
            glEnd();
            open = false;
            continue;
        }
        if (!open) {
            glBegin(GL_TRIANGLE_STRIP);
            open = true;
        }
        const float* v = &vertices.at(size_t(index) * grid_vertex_floats);
        glTexCoord2f(v[6], v[7]);
        glNormal3fv(v + 3);
        glVertex3fv(v);
    }
    return take_gl_recording();
}

void expect_same(const GlRecording& want, const GlRecording& got, const char* what) {
    EXPECT_EQ(got.calls, want.calls) << what;
    ASSERT_EQ(got.vertices.size(), want.vertices.size()) << what;
    for (size_t k = 0; k < want.vertices.size(); ++k) {
        EXPECT_EQ(std::memcmp(&got.vertices[k], &want.vertices[k], sizeof(RecordedVertex)), 0)
            << what << ", vertex " << k << " sent";
    }
}

TEST(GridArrays, FloorAndBodyArraysDrawWhatTheImmediateBackendSends) {
    GridMesh floor;
    build_floor_mesh(floor);
    take_gl_recording();
    draw_grid(floor);
    const GlRecording floor_calls = take_gl_recording();
    std::vector<float> floor_vertices(size_t(floor.n * floor.n * grid_vertex_floats));
    write_grid_vertices(floor, floor_vertices.data());
    std::vector<uint16_t> floor_strips;
    append_grid_strips(floor.n, 0, floor_strips);
    expect_same(floor_calls, replay(floor_vertices, floor_strips), "floor");

    // A squashed, turned body, so every face has its own normals.
    JellyBody body;
    body.init();
    for (size_t p = 0; p < body.particles.size(); ++p) {
        Vec3& x = body.particles[p].position;
        x = Vec3{x.x + 0.3f * x.y, x.y * 0.6f + 0.01f * float(p % 7), x.z - 0.2f * x.x};
    }
    GridMesh skin;
    skin.resize(skin_side);
    draw_body_skin(body, skin);
    const GlRecording body_calls = take_gl_recording();
    std::vector<float> body_vertices(size_t(body_skin_vertex_count * grid_vertex_floats));
    write_body_skin_vertices(body, skin, body_vertices.data());
    expect_same(body_calls, replay(body_vertices, body_skin_strips()), "body");
}

} // namespace
