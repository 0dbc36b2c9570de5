// JellyBody::step and the choice of its backend. The step itself is written once, in
// lattice_kernel.h; each step_*.cpp gives it a lane type.
#include "sim/jelly_body.h"
#include "sim/lattice_lanes.h"
#include "sim/step_path.h"

namespace {

using StepFunction = void (*)(JellyBody&, float);

// The backend of `path`, or null where this build or this CPU cannot run it.
StepFunction function_of(StepPath path) {
    switch (path) {
    case StepPath::scalar:
        return lattice::step_scalar;
#if defined(JELLY_LANES_X86)
    case StepPath::sse2:
        return lattice::step_sse2;
    case StepPath::avx2: {
        static const bool has = [] {
            // Asked for, maybe, before the runtime's own constructors have run.
            __builtin_cpu_init();
            return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
        }();
        return has ? lattice::step_avx2 : nullptr;
    }
#endif
#if defined(JELLY_LANES_NEON)
    case StepPath::neon:
        return lattice::step_neon;
#endif
#if defined(JELLY_LANES_WASM)
    case StepPath::wasm_simd128:
        return lattice::step_wasm_simd128;
#endif
    default:
        return nullptr;
    }
}

StepPath fastest_path() {
    for (StepPath path : {StepPath::avx2, StepPath::sse2, StepPath::neon, StepPath::wasm_simd128}) {
        if (function_of(path) != nullptr) {
            return path;
        }
    }
    return StepPath::scalar;
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
