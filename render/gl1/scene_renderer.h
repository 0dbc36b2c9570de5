// The OpenGL 1.1 renderer of the scene: the camera, then the floor, shadow and body passes
// drawn with fixed-function state. It draws what it is given and presents nothing: the
// platform shows the back buffer. The same verbs as WebGl2Renderer.
#pragma once

#include "mesh/grid_mesh.h"
#include "render/frame_view.h"
#include "texture/bmp_decode.h"

#include <string>

struct Gl1Renderer {
    // Scratch grid: each of the body's faces is built into it and drawn before the next
    // overwrites it. Sized once here, so frames allocate nothing.
    GridMesh skin;
    RendererState state;

    Gl1Renderer();
    // Immediate mode keeps no buffers and no shaders: nothing can fail. Texture names of an
    // earlier context are forgotten.
    bool create(const GridMesh& floor, std::string& error);
    // Fills the cube's or the floor's texture, every mipmap level, from a decoded image
    // (needs a current context).
    TextureStatus set_texture(SceneTexture which, const BmpImage& image);
    // The viewport and, from the next frame, the projection's aspect ratio.
    void resize(int32_t width, int32_t height);
    // The camera, then the passes into the back buffer.
    void draw(const FrameView& view);
    // Loads the projection for the drawable size and the orbiting view for scene time
    // `time`; leaves GL_MODELVIEW current, holding the view transform.
    void setup_camera(double time) const;
};
