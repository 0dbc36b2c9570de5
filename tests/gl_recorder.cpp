// Records glBegin, glEnd, glTexCoord2f, glNormal3fv and glVertex3fv with the current
// texture coordinate and normal, as OpenGL would take them; takes the scene renderer's state
// and matrix calls and records nothing of them.
#include "tests/gl_recorder.h"

#include <GL/glu.h>

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

void glEnable(GLenum) {}
void glDisable(GLenum) {}
void glClearColor(GLclampf, GLclampf, GLclampf, GLclampf) {}
void glClear(GLbitfield) {}
void glViewport(GLint, GLint, GLsizei, GLsizei) {}
void glLightfv(GLenum, GLenum, const GLfloat*) {}
void glMaterialfv(GLenum, GLenum, const GLfloat*) {}
void glMaterialf(GLenum, GLenum, GLfloat) {}
void glColor3fv(const GLfloat*) {}
void glTexGeni(GLenum, GLenum, GLint) {}
void glBindTexture(GLenum, GLuint) {}
void glMatrixMode(GLenum) {}
void glLoadIdentity() {}
void glPushMatrix() {}
void glPopMatrix() {}
void glMultMatrixf(const GLfloat*) {}
void glTranslatef(GLfloat, GLfloat, GLfloat) {}
void glRotatef(GLfloat, GLfloat, GLfloat, GLfloat) {}
void gluPerspective(GLdouble, GLdouble, GLdouble, GLdouble) {}
} // extern "C"
