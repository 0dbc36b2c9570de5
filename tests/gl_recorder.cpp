// Records glBegin, glEnd, glTexCoord2f, glNormal3fv and glVertex3fv with the current
// texture coordinate and normal, as OpenGL would take them.
#include "tests/gl_recorder.h"

#include <algorithm>
#include <utility>

namespace {
GlRecording recording;
RecordedVertex current{{0, 0}, {0, 0, 1}, {0, 0, 0}}; // OpenGL's initial normal is +z
} // namespace

GlRecording take_gl_recording() {
    return std::exchange(recording, GlRecording{});
}

void reserve_gl_recording(std::size_t vertices) {
    recording = GlRecording{};
    recording.calls.reserve(2 * vertices); // a strip adds 2 calls to its 2 or more vertices
    recording.vertices.reserve(vertices);
}

extern "C" {
void glBegin(GLenum mode) {
    recording.calls += mode == GL_TRIANGLE_STRIP ? 'S' : '?';
}
void glEnd() {
    recording.calls += 'E';
}
void glTexCoord2f(GLfloat s, GLfloat t) {
    current.tex_coord[0] = s;
    current.tex_coord[1] = t;
}
void glNormal3fv(const GLfloat* v) {
    std::copy(v, v + 3, current.normal);
}
void glVertex3fv(const GLfloat* v) {
    std::copy(v, v + 3, current.position);
    recording.calls += 'v';
    recording.vertices.push_back(current);
}
} // extern "C"
