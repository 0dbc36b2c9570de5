// The GL side of texture loading: decoded BMP pixels into a texture's mipmap chain.
#include "render/gl1/texture_upload.h"

#include "render/gl1/gl_errors.h"
#include "render/gl1/scene_renderer.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstring>
#include <memory>
#include <new>

bool upload_mipmapped(const BmpImage& image) {
    // GLU hands GL each level it builds under the unpack alignment in force, though its own
    // rows are tight: with the initial 4, GL would read the second row of the 2 x 2 level
    // (6 bytes a row) 2 bytes late, from beyond the level. So the rows go in without their
    // fill bytes under an alignment of 1, and 4 is set back after. The first row is t = 0.
    const size_t row = size_t(image.width) * 3;
    std::unique_ptr<unsigned char[]> rows(new (std::nothrow) unsigned char[row * image.width]);
    if (!rows) {
        return false;
    }
    for (int32_t y = 0; y < image.width; ++y) {
        std::memcpy(&rows[row * y], &image.pixels[image.row_stride * y], row);
    }
    take_gl_error();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const GLint built = gluBuild2DMipmaps(GL_TEXTURE_2D, 3, image.width, image.width, GL_RGB,
                                          GL_UNSIGNED_BYTE, rows.get());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    // GLU reports its own failures, such as no memory for its scaled copies; the GL's, such
    // as no memory for a level, only show as an error flag. Either leaves the texture
    // incomplete, and the surface would be drawn plain white without a word.
    return built == 0 && take_gl_error() == GL_NO_ERROR;
}

TextureStatus Gl1Renderer::set_texture(SceneTexture which, const BmpImage& image) {
    uint32_t& texture = state.texture(which);
    if (texture == 0) {
        GLuint name = 0;
        glGenTextures(1, &name);
        texture = name;
    }
    glBindTexture(GL_TEXTURE_2D, texture);
    return upload_mipmapped(image) ? TextureStatus::ok : TextureStatus::upload_failed;
}
