// An offscreen framebuffer for the GL 1.1 renderer: colour and depth renderbuffers of a
// chosen size, drawn into and read back with no window shown, placed or mapped.
#pragma once

#include <cstdint>
#include <string>

// An entry point of the GL looked up by name, as the platform's GetProcAddress does it.
using GlProc = void (*)();
using GlProcLoader = GlProc (*)(const char* name);

class OffscreenTarget {
  public:
    // Needs a current context. Makes the buffers, with the depth precision of the
    // framebuffer bound now (the window's), so the scene rasterises as it does there, and
    // leaves them bound for drawing and reading. Returns "" or one line saying why the GL
    // cannot draw a picture of this size; nothing is left bound then. The buffers live as
    // long as the context.
    std::string create(int32_t width, int32_t height, GlProcLoader load);

    // The colour buffer as RGB rows from the top down, 3 x width x height bytes, into `rgb`.
    // Returns "" or one line if the GL has reported an error since the last check: a
    // drawing that ran out of memory leaves a picture that cannot be trusted.
    std::string read_rgb(unsigned char* rgb) const;

  private:
    int32_t width_ = 0;  // pixels
    int32_t height_ = 0; // pixels
};
