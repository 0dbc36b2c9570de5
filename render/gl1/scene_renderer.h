// The OpenGL 1.1 renderer of the scene: the camera, then the floor, shadow and body passes
// drawn with fixed-function state. It draws what it is given and presents nothing: the
// platform shows the back buffer.
#pragma once

#include "mesh/grid_mesh.h"
#include "render/frame_view.h"

struct Gl1Renderer {
    // Scratch grid: each of the body's faces is built into it and drawn before the next
    // overwrites it. Sized once here, so frames allocate nothing.
    GridMesh skin;

    Gl1Renderer();
    // Loads the projection for the view's window size and the orbiting view for its time.
    // Leaves GL_MODELVIEW current, holding the view transform.
    void setup_camera(const FrameView& view) const;
    // Draws the passes into the back buffer from the view transform that setup_camera left.
    void draw_passes(const FrameView& view);
};
