// The GL's error flags, for the few calls whose failure the program must not pass over: the
// texture upload and the offscreen target.
#pragma once

#include <GL/gl.h>

// Clears the GL's error flags and returns the first that was set, or GL_NO_ERROR. Bounded,
// since a lost context may report an error every time it is asked.
GLenum take_gl_error();
