// JellyBody::step and the choice of its backend. The step itself is written once, in
// lattice_kernel.h; each step_*.cpp gives it a lane type.
#include "sim/jelly_body.h"
#include "sim/lattice_lanes.h"
#include "sim/step_path.h"

namespace {

// Whether this CPU has what the AVX2 backend is compiled for.
bool cpu_runs_avx2() {
#if defined(JELLY_LANES_X86)
    // Asked for, maybe, before the runtime's own constructors have run.
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
    return false;
#endif
}

// The backend of `path`, or null where this build or this CPU cannot run it (or for automatic).
lattice::Step function_of(StepPath path) {
    static const lattice::Step by_path[] = {nullptr,
                                            lattice::step_scalar,
                                            lattice::step_sse2,
                                            cpu_runs_avx2() ? lattice::step_avx2 : nullptr,
                                            lattice::step_neon,
                                            lattice::step_wasm_simd128};
    return by_path[int(path)];
}

// Each path is faster than those before it, and a build has one instruction set's backends at
// most, so the fastest is the last one available; scalar always is.
StepPath fastest_path() {
    int path = int(StepPath::wasm_simd128);
    while (function_of(StepPath(path)) == nullptr) {
        --path;
    }
    return StepPath(path);
}

// The path in use: the fastest one until set_step_path says otherwise.
StepPath& chosen() {
    static StepPath path = fastest_path();
    return path;
}

} // namespace

bool step_path_available(StepPath path) {
    return path == StepPath::automatic || function_of(path) != nullptr;
}

bool set_step_path(StepPath path) {
    if (!step_path_available(path)) {
        return false;
    }
    chosen() = path == StepPath::automatic ? fastest_path() : path;
    return true;
}

StepPath active_step_path() {
    return chosen();
}

const char* step_path_name(StepPath path) {
    const char* const names[] = {"automatic", "scalar", "sse2", "avx2", "neon", "wasm_simd128"};
    return names[int(path)];
}

void JellyBody::step(float dt) {
    function_of(chosen())(*this, dt);
}
