// Loading 24-bit BMP images into mipmapped WebGL 2 textures.
#pragma once

#include "texture/bmp_decode.h"

#include <cstdint>

// A new texture holding `image` with every mipmap level (built on the CPU as GLU builds them)
// and OpenGL's initial sampling: nearest texel of the two nearest levels blended when
// minified, bilinear when magnified, repeated in s and t. Needs a current context.
uint32_t upload_texture(const BmpImage& image);

// Decodes the BMP file `name` and, if it is accepted, replaces `texture` (0 for none yet) by
// a new texture holding it. A refused file leaves `texture` as it was.
BmpStatus load_texture_file(const char* name, uint32_t& texture);
