// A played session: what the physics saw in each frame since the scene's start, kept so that
// the session can be replayed bit for bit anywhere. Its text form is support/session_file.h.
#pragma once

#include "scene/grab.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// One frame: the counter reading the frame advanced to (ticks since the scene's start, which
// reads 0) and that frame's grab.
struct SessionFrame {
    int64_t reading = 0;
    Grab grab;
};

struct Session {
    int64_t frequency = 1000000; // counter ticks per second, > 0
    std::vector<SessionFrame> frames;
};

// Limits, so that any input is read or refused in bounded memory.
constexpr size_t max_session_bytes = size_t(64) << 20;
constexpr size_t max_session_frames = 2000000;
// Characters of a line, its line break not counted; a frame line needs at most about 80.
constexpr size_t max_session_line_length = 256;
