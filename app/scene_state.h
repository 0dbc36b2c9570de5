// The program-wide state: one record, zero before main runs, touched only by the callbacks.
#pragma once

#include "mesh/grid_mesh.h"
#include "sim/jelly_body.h"

#include <cstdint>

struct SceneState {
    double prev_time = 0.0;        // `time` of the previous frame (seconds)
    double time = 0.0;             // seconds since the clock start in init_scene
    int64_t counter_frequency = 0; // clock ticks per second
    int64_t counter_start = 0;     // clock reading at the clock start (ticks)
    uint32_t floor_texture = 0;    // GL texture name holding "floor.bmp"
    GridMesh floor_mesh;           // 30 x 30 floor grid in the plane y = 0
    uint32_t cube_texture = 0;     // GL texture name holding "cub.bmp"
    JellyBody body;                // the jelly cube
    int32_t window_height = 0;     // client area (pixels), as last given to on_reshape
    int32_t window_width = 0;
};

extern SceneState scene;
