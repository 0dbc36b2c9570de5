// Loading 24-bit BMP images into mipmapped WebGL 2 textures.
#pragma once

#include "texture/bmp_decode.h"

#include <cstdint>

// A new texture holding `image` with every mipmap level (built on the CPU as GLU builds them)
// and OpenGL's initial sampling: nearest texel of the two nearest levels blended when
// minified, bilinear when magnified, repeated in s and t. Needs a current context.
uint32_t upload_texture(const BmpImage& image);
