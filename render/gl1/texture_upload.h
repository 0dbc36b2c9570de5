// Loading 24-bit BMP files into mipmapped OpenGL textures.
#pragma once

#include "texture/bmp_decode.h"

#include <cstdint>

// Fills the texture bound to GL_TEXTURE_2D, all mipmap levels, from a decoded image (the
// unpack alignment is 4 again after). False where GLU or GL could not (no memory).
bool upload_mipmapped(const BmpImage& image);

// Fills the texture bound to GL_TEXTURE_2D, all mipmap levels, from the BMP file `name`.
// On a file that cannot be opened, is not a usable 24-bit BMP or cannot be uploaded (no
// memory for the mipmaps) it writes one line to standard output and ends the process with
// status 1.
void load_bmp_texture(const char* name);

// Creates the cube texture from "cub.bmp", then the floor texture from "floor.bmp", both
// read from the current directory.
void load_scene_textures(uint32_t& cube_texture, uint32_t& floor_texture);
