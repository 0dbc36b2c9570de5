// JellyBody::step and the choice of its code path. The paths live in step_portable.cpp and
// step_avx2.cpp; they share the lane layout of step_lanes.h.
#include "sim/jelly_body.h"
#include "sim/step_lanes.h"
#include "sim/step_path.h"

namespace {

using StepFunction = void (*)(JellyBody&, float);

bool cpu_has_avx2() {
#if defined(__x86_64__)
    static const bool has = [] {
        // The detection may be asked for before the runtime's own constructors have run.
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    }();
    return has;
#else
    return false;
#endif
}

StepPath fastest_path() {
    return cpu_has_avx2() ? StepPath::avx2 : StepPath::portable;
}

StepFunction function_of(StepPath path) {
#if defined(__x86_64__)
    if (path == StepPath::avx2) {
        return step_lanes::step_avx2;
    }
#endif
    return step_lanes::step_portable;
}

// The path in use, the fastest one until set_step_path says otherwise.
StepPath& chosen() {
    static StepPath path = fastest_path();
    return path;
}

} // namespace

bool step_path_available(StepPath path) {
    return path != StepPath::avx2 || cpu_has_avx2();
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

void JellyBody::step(float dt) {
    function_of(chosen())(*this, dt);
}
