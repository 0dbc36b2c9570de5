// A stand-in for the few OpenGL calls that grid drawing makes, linked in place of the real
// library so that what a mesh sends can be checked without a context.
#pragma once

#include <GL/gl.h>

#include <vector>

struct RecordedVertex {
    float tex_coord[2]; // current texture coordinate when the vertex was sent
    float normal[3];    // current normal when the vertex was sent
    float position[3];
};

struct RecordedPrimitive {
    GLenum mode;
    std::vector<RecordedVertex> vertices;
};

struct GlRecording {
    std::vector<RecordedPrimitive> primitives; // one per glBegin, in call order
    int misplaced_calls = 0; // glBegin inside a primitive, glEnd or glVertex outside one
};

// Everything sent since the last reset.
const GlRecording& gl_recording();
void gl_reset_recording();
