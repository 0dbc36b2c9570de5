// jellycube-frame-steps: the cost of one frame's 100 sub-steps, with no display and no
// benchmark library, so that the same source runs natively and as WebAssembly under node.
// The frame driver runs a 60 fps scripted clock; frames are timed in blocks of 100, and the
// median and fastest blocks are printed, for each step path this build and CPU can run.
#include "app/frame_driver.h"
#include "app/scene_state.h"
#include "sim/step_path.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int64_t counter_frequency = 1000000; // ticks per second of the scripted clock
constexpr int64_t frames_per_second = 60;
constexpr int block_frames = 100;
constexpr int blocks = 30; // 3000 frames: 50 s of the scene, falls, landings and hops

void time_path(const char* name) {
    SceneState state;
    state.counter_frequency = counter_frequency;
    state.body.init();
    std::vector<double> block_ms;
    int64_t frame = 0;
    for (int b = 0; b < blocks; ++b) {
        const auto start = std::chrono::steady_clock::now();
        for (int k = 0; k < block_frames; ++k) {
            ++frame;
            run_frame(state, frame * counter_frequency / frames_per_second);
        }
        const std::chrono::duration<double, std::milli> spent =
            std::chrono::steady_clock::now() - start;
        block_ms.push_back(spent.count() / block_frames);
    }
    // A value read from the body, so that no compiler can drop the work.
    const float check = state.body.particles[62].position.y;
    std::sort(block_ms.begin(), block_ms.end());
    std::printf("| %s | %.3f | %.3f | %.6g |\n", name, block_ms[block_ms.size() / 2], block_ms[0],
                double(check));
}

} // namespace

int main() {
    std::printf("| step path | ms a frame (median of %d blocks) | fastest block | centre "
                "particle y |\n|---|---:|---:|---:|\n",
                blocks);
    for (const StepPath path : step_backends) {
        if (set_step_path(path)) {
            time_path(step_path_name(path));
        }
    }
    return 0;
}
