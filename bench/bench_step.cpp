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
#include "tests/reference_step.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <string>

namespace {

// One way of advancing the body by a sub-step. The step written term by term
// (tests/reference_step.cpp) is the reference; JellyBody::step on each of its code paths is
// registered beside it and measured from the very same states.
using StepFunction = void (*)(JellyBody& body, float dt);

void fast_step(JellyBody& body, float dt) {
    body.step(dt);
}

// The reference's processor time per step in each regime of this run, for the fast step's
// counter "x_reference": how many times faster it is, measured side by side. Processor time
// is used because it is less disturbed than wall time by other work on the machine.
enum Regime { spinning_regime, impact_regime };
double reference_seconds[2] = {0.0, 0.0};

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

void step_from(benchmark::State& state, const StepStart& start, StepFunction step, StepPath path,
               Regime regime) {
    if (!set_step_path(path)) {
        state.SkipWithError("this CPU cannot run the path");
        return;
    }
    JellyBody body = start.body;
    int taken = 0;
    const std::clock_t began = std::clock();
    for (auto _ : state) {
        if (taken == steps_per_restore) {
            body.particles = start.body.particles; // same size: copied in place
            taken = 0;
        }
        step(body, start.dt);
        ++taken;
        benchmark::ClobberMemory();
    }
    const double seconds =
        double(std::clock() - began) / CLOCKS_PER_SEC / double(state.iterations());
    set_step_path(StepPath::automatic);
    if (step == &reference_step) {
        reference_seconds[regime] = seconds;
    } else if (reference_seconds[regime] > 0.0) {
        state.counters["x_reference"] = reference_seconds[regime] / seconds;
    }
}

void BM_step_spinning_start(benchmark::State& state, StepFunction step, StepPath path) {
    step_from(state, spinning_start(), step, path, spinning_regime);
}

void BM_step_first_impact(benchmark::State& state, StepFunction step, StepPath path) {
    const SceneState& scene = first_impact().scene;
    step_from(state, StepStart{scene.body, substep_dt(scene.prev_time, scene.time)}, step, path,
              impact_regime);
    state.SetLabel("from t = " + std::to_string(scene.time) + " s");
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

// Each reference first: the fast step's x_reference divides by the time measured just before.
BENCHMARK_CAPTURE(BM_step_spinning_start, reference, &reference_step, StepPath::automatic)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_step_spinning_start, fast, &fast_step, StepPath::automatic)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_step_spinning_start, fast_avx2, &fast_step, StepPath::avx2)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_step_spinning_start, fast_portable, &fast_step, StepPath::portable)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_step_first_impact, reference, &reference_step, StepPath::automatic)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_step_first_impact, fast, &fast_step, StepPath::automatic)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_step_first_impact, fast_avx2, &fast_step, StepPath::avx2)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_step_first_impact, fast_portable, &fast_step, StepPath::portable)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_frame_first_impact)->Unit(benchmark::kMicrosecond);
