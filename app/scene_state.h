// The scene a shell keeps from frame to frame: the clock, the body, the floor, the texture
// names and the window size. Each shell holds one in its program-wide state.
#pragma once

#include "mesh/grid_mesh.h"
#include "render/frame_view.h"
#include "sim/jelly_body.h"

#include <cstdint>

struct SceneState {
    double prev_time = 0.0;        // `time` of the previous frame (seconds)
    double time = 0.0;             // seconds since the clock start in init_scene
    int64_t counter_frequency = 0; // clock ticks per second
    int64_t counter_start = 0;     // clock reading at the clock start (ticks)
    uint32_t floor_texture = 0;    // texture name holding "floor.bmp"
    GridMesh floor_mesh;           // 30 x 30 floor grid in the plane y = 0
    uint32_t cube_texture = 0;     // texture name holding "cub.bmp"
    JellyBody body;                // the jelly cube
    int32_t window_height = 0;     // client area (pixels), as last given to the reshape
    int32_t window_width = 0;
};

// What a renderer needs of the scene to draw it.
inline FrameView frame_view(const SceneState& state) {
    return FrameView{state.body, state.floor_mesh,   state.cube_texture, state.floor_texture,
                     state.time, state.window_width, state.window_height};
}
