// The scripted clock of the headless tools and the page's scripted mode: each frame's
// counter reading, and which frames are shown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The counter readings of one scripted run. The counter starts at 0 and ticks `frequency`
// times a second; frames are numbered from 1.
struct FrameScript {
    int64_t frequency = 1000000; // counter ticks per second, > 0
    int64_t fps = 60;            // frames per second of the paced mode (unused with ticks)
    int64_t frames = 0;          // frames to run, >= 1
    std::vector<int64_t> ticks;  // one reading per frame from --ticks, never decreasing and
                                 // none below 0; empty when paced
    int64_t every = 0;           // --every K, or 0 when not given

    // Counter reading of frame k in 1..frames: the k-th tick, or floor(k * frequency / fps).
    // Whoever fills the script makes sure that frames * frequency fits in 64 bits.
    int64_t reading(int64_t k) const {
        if (!ticks.empty()) {
            return ticks[size_t(k - 1)];
        }
        return k * frequency / fps; // both factors positive, so the division rounds down
    }
    // Whether frame k is shown: every `every`-th frame and the last; the last alone when
    // `every` is 0.
    bool shows(int64_t k) const { return k == frames || (every > 0 && k % every == 0); }
};
