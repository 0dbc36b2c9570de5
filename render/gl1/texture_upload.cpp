// The GL side of texture loading: BMP pixels into the bound texture's mipmap chain.
#include "render/gl1/texture_upload.h"

#include "texture/bmp_decode.h"

#include <GL/gl.h>
#include <GL/glu.h>

void load_bmp_texture(const char* name) {
    BmpImage image;
    read_bmp_file_or_exit(name, image);
    // Rows are padded to 4 bytes, which is what the initial GL_UNPACK_ALIGNMENT of 4
    // expects, so any width is read correctly. The first stored row becomes t = 0.
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, image.width, image.width, GL_RGB, GL_UNSIGNED_BYTE,
                      image.pixels.get());
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
