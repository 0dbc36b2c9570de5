// Ten seconds of motion at 60 frames per second, checked to the last bit through the state
// hash (tests/golden/state_hash.txt). The same source is built at several optimisation
// levels; all must give these bits.
#include "scene/scene.h"
#include "sim/step_path.h"
#include "support/state_hash.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

// Every backend this build and CPU can run gives these bits.
class GoldenTrace : public ::testing::TestWithParam<StepPath> {};

TEST_P(GoldenTrace, SixHundredFramesAtSixtyFps) {
    if (!set_step_path(GetParam())) {
        GTEST_SKIP() << "this build or CPU cannot run " << step_path_name(GetParam());
    }
    const int64_t frequency = 1000000;
    Scene state;
    state.counter_frequency = frequency;
    state.body.init();
    for (int64_t k = 1; k <= 600; ++k) {
        state.advance(k * frequency / 60);
    }
    set_step_path(StepPath::automatic);
    EXPECT_EQ(state_hash_text(state.body), GOLDEN_HASH_60FPS_10S)
        << "particle 0 is at (" << state.body.particles[0].position.x << ", "
        << state.body.particles[0].position.y << ", " << state.body.particles[0].position.z << ")";
}

#if defined(GOLDEN_FASTEST_BACKEND_ONLY)
// Unoptimised, every backend would take minutes: this build checks the fastest one.
constexpr StepPath golden_backends[] = {StepPath::automatic};
#else
constexpr const StepPath (&golden_backends)[5] = step_backends;
#endif

INSTANTIATE_TEST_SUITE_P(EveryBackend, GoldenTrace, ::testing::ValuesIn(golden_backends),
                         [](const ::testing::TestParamInfo<StepPath>& info) {
                             return std::string(step_path_name(info.param));
                         });

} // namespace
