// The WebGL 2 renderer of the scene: the camera as matrices, then the floor, shadow and body
// passes of the shared pass table, drawn from vertex buffers by the shader pair. It draws
// what it is given and presents nothing: the browser shows the canvas after the frame.
#pragma once

#include "mesh/grid_mesh.h"
#include "render/frame_view.h"
#include "render/transform.h"
#include "render/webgl2/shader_program.h"

#include <string>
#include <vector>

struct WebGl2Renderer {
    // Scratch grid and array: each frame the body's six faces are built into `skin` and
    // written to `body_vertices`, once for both passes that draw them. Sized once.
    GridMesh skin;
    std::vector<float> body_vertices;
    bool body_written = false; // this frame's faces are in the body buffer

    ShaderProgram shaders;
    uint32_t floor_array = 0; // vertex array objects with their buffers
    uint32_t body_array = 0;
    uint32_t body_buffer = 0;
    int32_t floor_index_count = 0;
    int32_t body_index_count = 0;

    Matrix4 projection{}; // set by setup_camera for the frame
    Matrix4 view{};

    WebGl2Renderer();
    // Builds the shaders and the buffers, the floor's filled from `floor` once (needs a
    // current WebGL 2 context). Returns false with the reason in `error`.
    bool init(const GridMesh& floor, std::string& error);
    // The projection for the view's window size and the orbiting view for its time.
    void setup_camera(const FrameView& view);
    // Draws the passes into the drawing buffer with the camera of setup_camera.
    void draw_passes(const FrameView& view);
};
