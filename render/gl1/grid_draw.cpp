// Grid drawing: one triangle strip per pair of neighbouring rows.
#include "render/gl1/grid_draw.h"

#include "mesh/body_skin.h"

#include <GL/gl.h>

#include <cstddef>

void draw_grid(const GridMesh& grid) {
    const int32_t n = grid.n;
    if (n - 1 <= 0) {
        return;
    }
    const float last = float(n - 1);
    for (int32_t i = 0; i + 1 < n; ++i) {
        const float t0 = float(i) / last;
        const float t1 = float(i + 1) / last;
        const MeshVertex* row0 = &grid.vertices[std::size_t(i) * std::size_t(n)];
        const MeshVertex* row1 = row0 + n;
        glBegin(GL_TRIANGLE_STRIP);
        for (int32_t j = 0; j < n; ++j) {
            const float s = float(j) / last;
            glTexCoord2f(s, t0);
            glNormal3fv(&row0[j].normal.x);
            glVertex3fv(&row0[j].position.x);
            glTexCoord2f(s, t1);
            glNormal3fv(&row1[j].normal.x);
            glVertex3fv(&row1[j].position.x);
        }
        glEnd();
    }
}

void draw_body_skin(const JellyBody& body, GridMesh& skin) {
    for (int face = 0; face < skin_face_count; ++face) {
        build_skin_face(body, face, skin);
        draw_grid(skin);
    }
}
