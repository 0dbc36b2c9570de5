// The scene's default textures, drawn by our own code: a glossy-jelly sphere map for the
// cube and a tiled floor. Both are deterministic to the byte on every IEEE-754 machine.
#pragma once

#include "texture/bmp_writer.h"

constexpr int32_t default_texture_size = 256; // pixels per side of both textures

// Sphere map for the cube: a disc of reflected studio light over raspberry jelly, with a
// soft highlight at its upper left.
RgbImage make_cube_texture();

// Floor: 16 x 16 checkered cream and sand tiles with grout, stretched once over the floor.
RgbImage make_floor_texture();
