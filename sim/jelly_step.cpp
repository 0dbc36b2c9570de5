// JellyBody::step and the choice of its backend. The step itself is written once, in
// lattice_kernel.h; each step_*.cpp gives it a lane type.
#include "sim/step_backends.h"
#include "sim/step_path.h"

namespace {

// The instruction set step_simd128.cpp is built for here (its step is null where none is).
#if defined(JELLY_LANES_X86)
constexpr StepPath simd128_path = StepPath::sse2;
#elif defined(JELLY_LANES_NEON)
constexpr StepPath simd128_path = StepPath::neon;
#else
constexpr StepPath simd128_path = StepPath::wasm_simd128;
#endif

// The backend of `path`, or null where this build or this CPU cannot run it (or for automatic).
lattice::Step function_of(StepPath path) {
#if defined(JELLY_LANES_X86)
    // The CPU's features, asked for maybe before the runtime's own constructors have run.
    static const bool avx2 =
        (__builtin_cpu_init(), __builtin_cpu_supports("avx2")) && __builtin_cpu_supports("fma");
#else
    const bool avx2 = false;
#endif
    return path == StepPath::scalar         ? lattice::step_scalar
           : path == simd128_path           ? lattice::step_simd128
           : path == StepPath::avx2 && avx2 ? lattice::step_avx2
                                            : nullptr;
}

StepPath fastest_path() {
    const StepPath* path = step_backends;
    while (function_of(*path) == nullptr) {
        ++path;
    }
    return *path;
}

// The path in use: the fastest one until set_step_path says otherwise.
StepPath& chosen() {
    static StepPath path = fastest_path();
    return path;
}

} // namespace

bool set_step_path(StepPath path) {
    const StepPath to = path == StepPath::automatic ? fastest_path() : path;
    if (function_of(to) == nullptr) {
        return false;
    }
    chosen() = to;
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
