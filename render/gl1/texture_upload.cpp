// The GL side of texture loading: BMP pixels into the bound texture's mipmap chain.
#include "render/gl1/texture_upload.h"

#include "render/gl1/gl_errors.h"
#include "texture/bmp_decode.h"

#include <GL/gl.h>
#include <GL/glu.h>

void load_bmp_texture(const char* name) {
    BmpImage image;
    read_bmp_file_or_exit(name, image);
    // Rows are padded to 4 bytes, which is what the initial GL_UNPACK_ALIGNMENT of 4
    // expects, so any width is read correctly. The first stored row becomes t = 0.
    take_gl_error();
    const GLint built = gluBuild2DMipmaps(GL_TEXTURE_2D, 3, image.width, image.width, GL_RGB,
                                          GL_UNSIGNED_BYTE, image.pixels.get());
    // GLU reports its own failures, such as no memory for its scaled copies; the GL's, such
    // as no memory for a level, only show as an error flag. Either leaves the texture
    // incomplete, and the surface would be drawn plain white without a word.
    if (built != 0 || take_gl_error() != GL_NO_ERROR) {
        exit_for_bmp_failure(name, BmpStatus::invalid_format);
    }
}

void load_scene_textures(uint32_t& cube_texture, uint32_t& floor_texture) {
    GLuint name = 0;
    glGenTextures(1, &name);
    cube_texture = name;
    glBindTexture(GL_TEXTURE_2D, cube_texture);
    load_bmp_texture("cub.bmp");

    glGenTextures(1, &name);
    floor_texture = name;
    glBindTexture(GL_TEXTURE_2D, floor_texture);
    load_bmp_texture("floor.bmp");
}
