// jellycube-step-ratio: the reference step and JellyBody::step taking turns, a frame's worth of
// steps each from the first bounce of a 60 fps run, and how many times faster the fast one
// is. Plain C++, so that it runs wherever the program is built: under node for WebAssembly.
#include "app/frame_driver.h"
#include "sim/step_path.h"
#include "support/reference_step.h"

#include <chrono>
#include <cstdio>

int main() {
    SceneState scene;
    scene.counter_frequency = 60;
    scene.body.init();
    int64_t frame = 0;
    float lowest = 1.0f;
    while (lowest > 0.01f) { // the first frame whose lowest particle meets the floor
        run_frame(scene, ++frame);
        for (const Particle& p : scene.body.particles) {
            lowest = p.position.y < lowest ? p.position.y : lowest;
        }
    }
    const float dt = substep_dt(scene.prev_time, scene.time);
    JellyBody reference = scene.body;
    JellyBody fast = scene.body;
    using Clock = std::chrono::steady_clock;
    Clock::duration reference_time{};
    Clock::duration fast_time{};
    const int rounds = 400;
    for (int round = 0; round < rounds; ++round) {
        reference.particles = scene.body.particles;
        fast.particles = scene.body.particles;
        const Clock::time_point began = Clock::now();
        for (int i = 0; i < substeps_per_frame; ++i) {
            reference_step(reference, dt);
        }
        const Clock::time_point between = Clock::now();
        for (int i = 0; i < substeps_per_frame; ++i) {
            fast.step(dt);
        }
        fast_time += Clock::now() - between;
        reference_time += between - began;
    }
    const double steps = double(rounds) * substeps_per_frame;
    const double reference_us = std::chrono::duration<double>(reference_time).count() / steps * 1e6;
    const double fast_us = std::chrono::duration<double>(fast_time).count() / steps * 1e6;
    std::printf("%s: reference %.2f us, fast %.2f us a step, x_reference %.2f\n",
                step_path_name(active_step_path()), reference_us, fast_us, reference_us / fast_us);
    return 0;
}
