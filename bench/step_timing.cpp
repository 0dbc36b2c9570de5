// jellycube-step-timing: what the step costs, in plain C++ so that the same source runs
// natively and as WebAssembly under node. Two tables, each measured in this one run:
//  - the fast step against the reference step written term by term, taking turns a frame's
//    worth of steps each from the same state, so that a busy machine slows both alike and
//    the ratio holds where the times drift: from the spinning start and from the first
//    impact (60 fps), for every backend this build and CPU can run;
//  - one frame of the scene (its 100 sub-steps) on a 60 fps scripted clock, per backend,
//    in blocks of 100 frames: the median and the fastest block.
#include "scene/scene.h"
#include "sim/step_path.h"
#include "support/reference_step.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int64_t counter_frequency = 1000000; // ticks per second of the scripted clock
constexpr int64_t frames_per_second = 60;
constexpr int rounds = 300;            // turns of the reference and the fast step
constexpr int block_frames = 100;      // frames of one timed block
constexpr int blocks = 30;             // 3000 frames: 50 s of the scene, falls, landings and hops
constexpr float impact_height = 0.01f; // world units: the lowest particle has met the floor

int64_t reading(int64_t frame) {
    return frame * counter_frequency / frames_per_second;
}

// A body ready to step, with the dt of the frame it was taken from.
struct StepStart {
    const char* name;
    JellyBody body;
    float dt;
};

std::vector<StepStart> step_starts() {
    Scene scene;
    scene.start(0, counter_frequency);
    std::vector<StepStart> starts = {
        {"spinning start", scene.body, substep_dt(0.0, double(reading(1)) / counter_frequency)}};
    int64_t frame = 0;
    float lowest = 1.0f;
    while (lowest > impact_height) {
        scene.advance(reading(++frame));
        for (const Particle& p : scene.body.particles) {
            lowest = std::min(lowest, p.position.y);
        }
    }
    starts.push_back({"first impact", scene.body, substep_dt(scene.prev_time, scene.time)});
    return starts;
}

void print_step_ratio(const StepStart& start) {
    JellyBody reference = start.body;
    JellyBody fast = start.body;
    Clock::duration reference_time{};
    Clock::duration fast_time{};
    for (int round = 0; round < rounds; ++round) {
        reference.particles = start.body.particles; // same size: copied in place
        fast.particles = start.body.particles;
        const Clock::time_point began = Clock::now();
        for (int i = 0; i < substeps_per_frame; ++i) {
            reference_step(reference, start.dt);
        }
        const Clock::time_point between = Clock::now();
        for (int i = 0; i < substeps_per_frame; ++i) {
            fast.step(start.dt);
        }
        fast_time += Clock::now() - between;
        reference_time += between - began;
    }
    const double steps = double(rounds) * substeps_per_frame;
    const double reference_us = std::chrono::duration<double>(reference_time).count() / steps * 1e6;
    const double fast_us = std::chrono::duration<double>(fast_time).count() / steps * 1e6;
    // A value read from the bodies, so that no compiler can drop the work.
    const bool same = reference.particles[62].position.y == fast.particles[62].position.y;
    std::printf("| %s | %s | %.2f | %.2f | %.2f |%s\n", step_path_name(active_step_path()),
                start.name, reference_us, fast_us, reference_us / fast_us,
                same ? "" : " the bits differ!");
}

void print_frame_blocks() {
    Scene scene;
    scene.start(0, counter_frequency);
    std::vector<double> block_ms;
    int64_t frame = 0;
    for (int b = 0; b < blocks; ++b) {
        const Clock::time_point began = Clock::now();
        for (int k = 0; k < block_frames; ++k) {
            scene.advance(reading(++frame));
        }
        const std::chrono::duration<double, std::milli> spent = Clock::now() - began;
        block_ms.push_back(spent.count() / block_frames);
    }
    std::sort(block_ms.begin(), block_ms.end());
    std::printf("| %s | %.3f | %.3f | %.6g |\n", step_path_name(active_step_path()),
                block_ms[block_ms.size() / 2], block_ms[0],
                double(scene.body.particles[62].position.y));
}

} // namespace

int main() {
    const std::vector<StepStart> starts = step_starts();
    std::printf("| step path | from | reference us a step | fast us a step | x reference |\n"
                "|---|---|---:|---:|---:|\n");
    for (const StepPath path : step_backends) {
        if (set_step_path(path)) {
            for (const StepStart& start : starts) {
                print_step_ratio(start);
            }
        }
    }
    std::printf("\n| step path | ms a frame (median of %d blocks) | fastest block | centre "
                "particle y |\n|---|---:|---:|---:|\n",
                blocks);
    for (const StepPath path : step_backends) {
        if (set_step_path(path)) {
            print_frame_blocks();
        }
    }
    return 0;
}
