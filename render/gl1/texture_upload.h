// Loading decoded 24-bit BMP images into mipmapped OpenGL textures.
#pragma once

#include "texture/bmp_decode.h"

// Fills the texture bound to GL_TEXTURE_2D, all mipmap levels, from a decoded image (the
// unpack alignment is 4 again after). False where GLU or GL could not (no memory).
bool upload_mipmapped(const BmpImage& image);
