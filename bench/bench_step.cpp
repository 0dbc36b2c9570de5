// Time per JellyBody::step from two states of a 60 fps run, against the step written term
// by term, and per frame of 100 steps.
//
// A step is measured from a saved state, and the state is put back every 100 steps (one
// frame's worth), so every measurement stays in the regime it was taken from instead of
// drifting off into whatever the body does seconds later. Putting back 125 particles is a
// 3 KB copy without allocation, under 0.1 % of 100 steps, and is left inside the timing.
#include "app/frame_driver.h"
#include "app/scene_state.h"
#include "sim/jelly_body.h"
#include "sim/step_path.h"
#include "support/reference_step.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <string>

namespace {

// One way of advancing the body by a sub-step. The step written term by term
// (support/reference_step.cpp) is the reference; JellyBody::step on each of its code paths is
// registered beside it and measured from the very same states, alone and taking turns with
// the reference (x_reference: how many times faster it is).
using StepFunction = void (*)(JellyBody& body, float dt);

void fast_step(JellyBody& body, float dt) {
    body.step(dt);
}

constexpr int64_t counter_frequency = 1000000; // ticks per second of the scripted clock
constexpr int64_t frames_per_second = 60;
constexpr int steps_per_restore = substeps_per_frame;
constexpr float impact_height = 0.01f; // world units: the lowest particle has met the floor

// A body ready to step, with the dt and lift of the frame it was taken from.
struct StepStart {
    JellyBody body;
    float dt = 0.0f;
};

SceneState started_scene() {
    SceneState scene;
    scene.counter_frequency = counter_frequency;
    scene.body.init();
    return scene;
}

int64_t reading(int64_t frame) {
    return frame * counter_frequency / frames_per_second;
}

float lowest_height(const JellyBody& body) {
    float lowest = body.particles[0].position.y;
    for (const Particle& particle : body.particles) {
        lowest = std::min(lowest, particle.position.y);
    }
    return lowest;
}

// The spinning, undeformed start of the cube, stepped at the first frame's dt.
const StepStart& spinning_start() {
    static const StepStart start = [] {
        SceneState scene = started_scene();
        return StepStart{scene.body, substep_dt(0.0, double(reading(1)) / counter_frequency)};
    }();
    return start;
}

// The scene at the end of the first frame (at 60 fps) whose lowest particle is within
// impact_height of the floor: the first bounce, squashed and with the lift on (about 3.1 s).
struct Impact {
    SceneState scene;
    int64_t frame = 0;
};

const Impact& first_impact() {
    static const Impact impact = [] {
        Impact found{started_scene(), 0};
        do {
            run_frame(found.scene, reading(++found.frame));
        } while (lowest_height(found.scene.body) > impact_height);
        return found;
    }();
    return impact;
}

// The first impact's body, with the dt of the frame it was taken from.
StepStart impact_start() {
    const SceneState& scene = first_impact().scene;
    return StepStart{scene.body, substep_dt(scene.prev_time, scene.time)};
}

std::string impact_label() {
    return "from t = " + std::to_string(first_impact().scene.time) + " s";
}

void step_from(benchmark::State& state, const StepStart& start, StepFunction step, StepPath path) {
    if (!set_step_path(path)) {
        state.SkipWithError("this CPU cannot run the path");
        return;
    }
    JellyBody body = start.body;
    int taken = 0;
    for (auto _ : state) {
        if (taken == steps_per_restore) {
            body.particles = start.body.particles; // same size: copied in place
            taken = 0;
        }
        step(body, start.dt);
        ++taken;
        benchmark::ClobberMemory();
    }
    set_step_path(StepPath::automatic);
}

void BM_step_spinning_start(benchmark::State& state, StepFunction step, StepPath path) {
    step_from(state, spinning_start(), step, path);
}

void BM_step_first_impact(benchmark::State& state, StepFunction step, StepPath path) {
    step_from(state, impact_start(), step, path);
    state.SetLabel(impact_label());
}

// The reference and the fast step taking turns, a frame's worth of steps each from the same
// state, so that both meet the same machine: other work slows both alike, and the ratio
// x_reference holds where the times above drift. Processor time, microseconds per step.
void step_side_by_side(benchmark::State& state, const StepStart& start, StepPath path) {
    if (!set_step_path(path)) {
        state.SkipWithError("this CPU cannot run the path");
        return;
    }
    JellyBody reference = start.body;
    JellyBody fast = start.body;
    double reference_seconds = 0.0;
    double fast_seconds = 0.0;
    for (auto _ : state) {
        reference.particles = start.body.particles;
        fast.particles = start.body.particles;
        const std::clock_t began = std::clock();
        for (int i = 0; i < steps_per_restore; ++i) {
            reference_step(reference, start.dt);
        }
        const std::clock_t between = std::clock();
        for (int i = 0; i < steps_per_restore; ++i) {
            fast.step(start.dt);
        }
        const std::clock_t ended = std::clock();
        reference_seconds += double(between - began) / CLOCKS_PER_SEC;
        fast_seconds += double(ended - between) / CLOCKS_PER_SEC;
        benchmark::ClobberMemory();
    }
    set_step_path(StepPath::automatic);
    const double steps = double(state.iterations()) * steps_per_restore;
    state.counters["reference_us"] = reference_seconds / steps * 1e6;
    state.counters["fast_us"] = fast_seconds / steps * 1e6;
    state.counters["x_reference"] = reference_seconds / fast_seconds;
}

void BM_side_by_side_spinning_start(benchmark::State& state, StepPath path) {
    step_side_by_side(state, spinning_start(), path);
}

void BM_side_by_side_first_impact(benchmark::State& state, StepPath path) {
    step_side_by_side(state, impact_start(), path);
    state.SetLabel(impact_label());
}

// Whole frames of the driver without drawing, from the first impact on; the scene is put
// back every 30 frames (half a second) so the run keeps bouncing, not settling.
void BM_frame_first_impact(benchmark::State& state) {
    constexpr int64_t frames_per_restore = 30;
    const Impact& impact = first_impact();
    SceneState scene = impact.scene;
    int64_t frame = impact.frame;
    for (auto _ : state) {
        if (frame == impact.frame + frames_per_restore) {
            scene.body.particles = impact.scene.body.particles;
            scene.time = impact.scene.time;
            frame = impact.frame;
        }
        run_frame(scene, reading(++frame));
        benchmark::ClobberMemory();
    }
    state.counters["per_step"] =
        benchmark::Counter(double(state.iterations()) * substeps_per_frame,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK_CAPTURE(BM_step_spinning_start, reference, &reference_step, StepPath::automatic)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_step_spinning_start, fast, &fast_step, StepPath::automatic)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_step_spinning_start, fast_avx2, &fast_step, StepPath::avx2)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_step_spinning_start, fast_sse2, &fast_step, StepPath::sse2)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_step_first_impact, reference, &reference_step, StepPath::automatic)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_step_first_impact, fast, &fast_step, StepPath::automatic)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_step_first_impact, fast_avx2, &fast_step, StepPath::avx2)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_step_first_impact, fast_sse2, &fast_step, StepPath::sse2)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_side_by_side_spinning_start, fast, StepPath::automatic)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_side_by_side_spinning_start, fast_avx2, StepPath::avx2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_side_by_side_spinning_start, fast_sse2, StepPath::sse2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_side_by_side_first_impact, fast, StepPath::automatic)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_side_by_side_first_impact, fast_avx2, StepPath::avx2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_side_by_side_first_impact, fast_sse2, StepPath::sse2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_frame_first_impact)->Unit(benchmark::kMicrosecond);
