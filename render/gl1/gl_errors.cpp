// Draining the GL's error flags.
#include "render/gl1/gl_errors.h"

GLenum take_gl_error() {
    GLenum first = GL_NO_ERROR;
    for (int i = 0; i < 16; ++i) {
        const GLenum error = glGetError();
        if (error == GL_NO_ERROR) {
            break;
        }
        first = first == GL_NO_ERROR ? error : first;
    }
    return first;
}
