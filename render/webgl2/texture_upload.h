// Loading 24-bit BMP images into mipmapped WebGL 2 textures.
#pragma once

#include "texture/bmp_decode.h"

#include <cstddef>
#include <cstdint>

// A new texture holding `image` with every mipmap level (built on the CPU as GLU builds them)
// and OpenGL's initial sampling: nearest texel of the two nearest levels blended when
// minified, bilinear when magnified, repeated in s and t. Needs a current context.
uint32_t upload_texture(const BmpImage& image);

enum class TextureLoad {
    ok,
    invalid_format, // the decoder refused the file
    upload_failed,  // WebGL reported an error (out of memory, a lost context)
};

// Decodes the `size` bytes of a BMP file at `data` and, if they are accepted and uploaded
// without a GL error, replaces `texture` (0 for none yet) by a new texture holding them.
// Otherwise `texture` stays as it was.
TextureLoad load_texture(const unsigned char* data, size_t size, uint32_t& texture);
