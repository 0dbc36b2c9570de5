// The WebGL 2 renderer of the scene: the camera as matrices, then the floor, shadow and body
// passes of the shared pass table, drawn from vertex buffers by the shader pair. It draws
// what it is given and presents nothing: the browser shows the canvas after the frame. The
// same verbs as Gl1Renderer.
#pragma once

#include "mesh/grid_mesh.h"
#include "render/frame_view.h"
#include "render/transform.h"
#include "render/webgl2/shader_program.h"
#include "texture/bmp_decode.h"

#include <string>
#include <vector>

struct WebGl2Renderer {
    // Scratch grid and array: each frame the body's six faces are built into `skin` and
    // written to `body_vertices`, once for both passes that draw them. Sized once.
    GridMesh skin;
    std::vector<float> body_vertices;
    bool body_written = false; // this frame's faces are in the body buffer

    ShaderProgram shaders;
    PendingProgram pending_shaders; // started, not yet taken up by create()
    uint32_t floor_array = 0;       // vertex array objects with their buffers
    uint32_t body_array = 0;
    uint32_t body_buffer = 0;
    int32_t floor_index_count = 0;
    int32_t body_index_count = 0;

    RendererState state;

    WebGl2Renderer();
    // Starts compiling and linking the shaders (needs a current WebGL 2 context), so that the
    // browser works on them while the caller does other work before create() takes them up.
    void start_shaders();
    // Builds the shaders (or finishes those started) and the buffers, the floor's filled from
    // `floor` once (needs the current WebGL 2 context). Texture names of an earlier, lost context
    // are forgotten. Returns false with the reason in `error`.
    bool create(const GridMesh& floor, std::string& error);
    // Replaces the cube's or the floor's texture by a new one holding `image`, every mipmap
    // level; on a WebGL error (out of memory, a lost context) the old one stays.
    TextureStatus set_texture(SceneTexture which, const BmpImage& image);
    // The viewport and, from the next frame, the projection's aspect ratio.
    void resize(int32_t width, int32_t height);
    // The camera, then the passes into the drawing buffer.
    void draw(const FrameView& view);
};
