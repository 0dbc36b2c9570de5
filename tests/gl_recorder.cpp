// Records glBegin, glEnd, glTexCoord2f, glNormal3fv and glVertex3fv with the current
// texture coordinate and normal, as OpenGL would take them.
#include "tests/gl_recorder.h"

namespace {
GlRecording recording;
bool inside = false;
float current_tex[2] = {0.0f, 0.0f};
float current_normal[3] = {0.0f, 0.0f, 1.0f}; // OpenGL's initial normal
} // namespace

const GlRecording& gl_recording() {
    return recording;
}

void gl_reset_recording() {
    recording = GlRecording{};
    inside = false;
}

extern "C" {

void glBegin(GLenum mode) {
    if (inside) {
        ++recording.misplaced_calls;
    }
    inside = true;
    recording.primitives.push_back(RecordedPrimitive{mode, {}});
}

void glEnd() {
    if (!inside) {
        ++recording.misplaced_calls;
    }
    inside = false;
}

void glTexCoord2f(GLfloat s, GLfloat t) {
    current_tex[0] = s;
    current_tex[1] = t;
}

void glNormal3fv(const GLfloat* v) {
    for (int k = 0; k < 3; ++k) {
        current_normal[k] = v[k];
    }
}

void glVertex3fv(const GLfloat* v) {
    if (!inside) {
        ++recording.misplaced_calls;
        return;
    }
    RecordedVertex vertex{{current_tex[0], current_tex[1]},
                          {current_normal[0], current_normal[1], current_normal[2]},
                          {v[0], v[1], v[2]}};
    recording.primitives.back().vertices.push_back(vertex);
}

} // extern "C"
