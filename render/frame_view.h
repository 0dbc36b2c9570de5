// What one frame draws, as a renderer receives it: plain references and numbers, no state
// of the program's own.
#pragma once

#include "mesh/grid_mesh.h"
#include "sim/jelly_body.h"

#include <cstdint>

struct FrameView {
    const JellyBody& body;  // the particles after the frame's sub-steps
    const GridMesh& floor;  // the 30 x 30 floor grid with its normals
    uint32_t cube_texture;  // texture name (of the renderer's API) holding "cub.bmp"
    uint32_t floor_texture; // texture name holding "floor.bmp"
    double time;            // scene time (seconds), which turns the camera
    int32_t window_width;   // drawable size (pixels), for the projection's aspect ratio
    int32_t window_height;
};
