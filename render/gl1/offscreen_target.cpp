// Framebuffer objects through GL_ARB_framebuffer_object, or GL_EXT_framebuffer_object where
// only that is offered: both have the same entry points (with and without the EXT suffix)
// and the same enumerants.
//
// A window's buffer is stored with its top row first, a framebuffer object's with its bottom
// row first, and Mesa rasterises the two differently: pixel quads, hence texture level
// choice, and fill rules at edges are mirrored. Drawn into plainly by llvmpipe, 0.04 to
// 0.06% of the pixels of a 700 x 700 frame differ from the window's, by one or two levels,
// more on a few edge pixels. Where GL_MESA_framebuffer_flip_y is offered, the target stores
// its rows as a window does, and the frames come out bit for bit as the window shows them.
#include "render/gl1/offscreen_target.h"

#include "render/gl1/gl_errors.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

struct FramebufferCalls {
    PFNGLGENFRAMEBUFFERSEXTPROC gen_framebuffers;
    PFNGLBINDFRAMEBUFFEREXTPROC bind_framebuffer;
    PFNGLGENRENDERBUFFERSEXTPROC gen_renderbuffers;
    PFNGLBINDRENDERBUFFEREXTPROC bind_renderbuffer;
    PFNGLRENDERBUFFERSTORAGEEXTPROC renderbuffer_storage;
    PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC framebuffer_renderbuffer;
    PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC check_framebuffer_status;
};

#ifndef GL_FRAMEBUFFER_FLIP_Y_MESA
#define GL_FRAMEBUFFER_FLIP_Y_MESA 0x8BBB
#endif

// Whether `name` is a whole word of the extension string.
bool has_extension(const char* name) {
    const char* list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    const size_t length = std::strlen(name);
    for (const char* p = list; p != nullptr && (p = std::strstr(p, name)) != nullptr; p += length) {
        if ((p == list || p[-1] == ' ') && (p[length] == ' ' || p[length] == '\0')) {
            return true;
        }
    }
    return false;
}

template <typename Function>
void load_call(Function& call, GlProcLoader load, const char* name, const char* suffix) {
    const std::string full = std::string(name) + suffix;
    call = reinterpret_cast<Function>(load(full.c_str()));
}

std::string gl_error_text(GLenum error) {
    if (error == GL_OUT_OF_MEMORY) {
        return "the GL ran out of memory";
    }
    char text[48];
    std::snprintf(text, sizeof text, "the GL reported error 0x%04X", unsigned(error));
    return text;
}

// Stores the bound framebuffer's rows top first, as a window's are, where the GL can; the
// parameter is set through the GL 4.3 entry point, which Mesa accepts it through.
void store_rows_as_a_window(GlProcLoader load) {
    if (!has_extension("GL_MESA_framebuffer_flip_y") ||
        !has_extension("GL_ARB_framebuffer_no_attachments")) {
        return;
    }
    PFNGLFRAMEBUFFERPARAMETERIPROC set = nullptr;
    load_call(set, load, "glFramebufferParameteri", "");
    if (set != nullptr) {
        set(GL_FRAMEBUFFER_EXT, GL_FRAMEBUFFER_FLIP_Y_MESA, GL_TRUE);
        take_gl_error(); // a refusal leaves the plain layout, which still draws the scene
    }
}

// The depth format closest to the bound framebuffer's depth bits.
GLenum matching_depth_format() {
    GLint bits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &bits);
    return bits <= 16   ? GL_DEPTH_COMPONENT16
           : bits <= 24 ? GL_DEPTH_COMPONENT24
                        : GL_DEPTH_COMPONENT32;
}

} // namespace

std::string OffscreenTarget::create(int32_t width, int32_t height, GlProcLoader load) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const char* suffix = has_extension("GL_ARB_framebuffer_object")   ? ""
                         : has_extension("GL_EXT_framebuffer_object") ? "EXT"
                                                                      : nullptr;
    if (suffix == nullptr) {
        return "the GL offers no framebuffer objects to draw into";
    }
    FramebufferCalls gl{};
    load_call(gl.gen_framebuffers, load, "glGenFramebuffers", suffix);
    load_call(gl.bind_framebuffer, load, "glBindFramebuffer", suffix);
    load_call(gl.gen_renderbuffers, load, "glGenRenderbuffers", suffix);
    load_call(gl.bind_renderbuffer, load, "glBindRenderbuffer", suffix);
    load_call(gl.renderbuffer_storage, load, "glRenderbufferStorage", suffix);
    load_call(gl.framebuffer_renderbuffer, load, "glFramebufferRenderbuffer", suffix);
    load_call(gl.check_framebuffer_status, load, "glCheckFramebufferStatus", suffix);
    if (!gl.gen_framebuffers || !gl.bind_framebuffer || !gl.gen_renderbuffers ||
        !gl.bind_renderbuffer || !gl.renderbuffer_storage || !gl.framebuffer_renderbuffer ||
        !gl.check_framebuffer_status) {
        return "the GL names framebuffer objects but does not provide them";
    }

    // Both the buffers and the viewport must reach every pixel.
    GLint max_buffer = 0;
    GLint max_viewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE_EXT, &max_buffer);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, max_viewport);
    const GLint max_width = std::min(max_buffer, max_viewport[0]);
    const GLint max_height = std::min(max_buffer, max_viewport[1]);
    if (width > max_width || height > max_height) {
        return "the GL draws at most " + std::to_string(max_width) + "x" +
               std::to_string(max_height) + " pixels, less than " + size;
    }

    const GLenum depth_format = matching_depth_format();
    take_gl_error();
    GLuint framebuffer = 0;
    GLuint buffers[2] = {0, 0}; // colour, depth
    gl.gen_framebuffers(1, &framebuffer);
    gl.bind_framebuffer(GL_FRAMEBUFFER_EXT, framebuffer);
    store_rows_as_a_window(load);
    gl.gen_renderbuffers(2, buffers);
    gl.bind_renderbuffer(GL_RENDERBUFFER_EXT, buffers[0]);
    gl.renderbuffer_storage(GL_RENDERBUFFER_EXT, GL_RGBA8, width, height);
    gl.framebuffer_renderbuffer(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_RENDERBUFFER_EXT,
                                buffers[0]);
    gl.bind_renderbuffer(GL_RENDERBUFFER_EXT, buffers[1]);
    gl.renderbuffer_storage(GL_RENDERBUFFER_EXT, depth_format, width, height);
    gl.framebuffer_renderbuffer(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                                buffers[1]);
    gl.bind_renderbuffer(GL_RENDERBUFFER_EXT, 0);
    const GLenum error = take_gl_error();
    const GLenum status = gl.check_framebuffer_status(GL_FRAMEBUFFER_EXT);
    if (error != GL_NO_ERROR || status != GL_FRAMEBUFFER_COMPLETE_EXT) {
        gl.bind_framebuffer(GL_FRAMEBUFFER_EXT, 0);
        if (error != GL_NO_ERROR) {
            return "cannot make " + size + " buffers: " + gl_error_text(error);
        }
        // Mesa reports a renderbuffer it had no memory for this way, not as an error.
        char text[128];
        std::snprintf(text, sizeof text,
                      "the GL cannot draw into %s buffers (framebuffer status 0x%04X); too "
                      "little memory?",
                      size.c_str(), unsigned(status));
        return text;
    }
    glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
    glReadBuffer(GL_COLOR_ATTACHMENT0_EXT);
    width_ = width;
    height_ = height;
    return "";
}

std::string OffscreenTarget::read_rgb(unsigned char* rgb) const {
    // Rows of 3 x width bytes, packed; the initial alignment of 4 is put back afterwards.
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    const GLenum error = take_gl_error();
    if (error != GL_NO_ERROR) {
        return "drawing or reading the picture failed: " + gl_error_text(error);
    }
    // GL rows run from the bottom up.
    const size_t row = size_t(width_) * 3;
    for (int32_t y = 0; y < height_ / 2; ++y) {
        unsigned char* top = rgb + size_t(y) * row;
        std::swap_ranges(top, top + row, rgb + size_t(height_ - 1 - y) * row);
    }
    return "";
}
