// The WebGL 2 side of texture loading: each level of the CPU's mipmap chain into a texture.
#include "render/webgl2/texture_upload.h"

#include "texture/mipmap_chain.h"

#include <GLES3/gl3.h>

uint32_t upload_texture(const BmpImage& image) {
    GLint max_side = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_side);
    const std::vector<MipmapLevel> chain = build_mipmap_chain(image, max_side);
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1); // the chain's rows have no padding
    for (size_t level = 0; level < chain.size(); ++level) {
        // The first row is t = 0, as with the GL 1.1 upload.
        glTexImage2D(GL_TEXTURE_2D, GLint(level), GL_RGB8, chain[level].side, chain[level].side, 0,
                     GL_RGB, GL_UNSIGNED_BYTE, chain[level].rgb.data());
    }
    // OpenGL's initial values, which the GL 1.1 backend leaves in place, set here for all to
    // see.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    return name;
}
