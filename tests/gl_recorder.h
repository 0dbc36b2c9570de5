// A stand-in for the OpenGL calls that grid drawing and the GL 1.1 scene renderer make,
// linked in place of the real library so that what a mesh sends can be checked without a
// context. Only the geometry is recorded.
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <string>
#include <vector>

struct RecordedVertex {
    float tex_coord[2], normal[3], position[3]; // texture coordinate and normal when sent
};

struct GlRecording {
    // A letter a call: S glBegin(GL_TRIANGLE_STRIP), ? another glBegin, v glVertex3fv, E glEnd
    std::string calls;
    std::vector<RecordedVertex> vertices; // in the order sent
};

// Everything sent since the last call, which starts a new recording.
GlRecording take_gl_recording();
// Starts a new recording with room for `vertices` vertices and their strips, so that
// recording up to that many allocates nothing.
void reserve_gl_recording(std::size_t vertices);
