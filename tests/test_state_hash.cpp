// The state hash: the bytes it reads, and a minute at 60 frames per second pinned on every
// backend, so that the same line comes out on every machine.
#include "scene/scene.h"
#include "sim/step_path.h"
#include "support/state_hash.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(StateHash, ReadsLittleEndianFloatsInParticleOrder) {
    const struct {
        std::vector<Particle> particles;
        const char* want; // FNV-1a worked out by hand from the float32 bytes
    } cases[] = {
        {{}, "cbf29ce484222325"}, // nothing hashed: the offset basis
        {{{{1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, -2.0f}}}, "34eefbe7d739ae58"},
        {{{{1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, -2.0f}}, {{0.5f, -0.0f, 3.25f}, {1e-3f, 7.0f, -1.5f}}},
         "5429a3439d8114e0"},
    };
    for (const auto& c : cases) {
        JellyBody body;
        body.particles = c.particles;
        EXPECT_EQ(state_hash_text(body), c.want) << c.particles.size() << " particles";
    }
}

class StateHashGolden : public ::testing::TestWithParam<StepPath> {};

// jellycube-trace --hash --fps 60 --seconds 60 prints the same line
// (tests/golden/state_hash.txt).
TEST_P(StateHashGolden, OneMinuteAtSixtyFps) {
    if (!set_step_path(GetParam())) {
        GTEST_SKIP() << "this build or CPU cannot run " << step_path_name(GetParam());
    }
    const int64_t frequency = 1000000;
    Scene state;
    state.counter_frequency = frequency;
    state.body.init();
    for (int64_t k = 1; k <= 3600; ++k) {
        state.advance(k * frequency / 60);
    }
    set_step_path(StepPath::automatic);
    EXPECT_EQ(state_hash_text(state.body), GOLDEN_HASH_60FPS_60S);
}

INSTANTIATE_TEST_SUITE_P(EveryBackend, StateHashGolden, ::testing::ValuesIn(step_backends),
                         [](const ::testing::TestParamInfo<StepPath>& info) {
                             return std::string(step_path_name(info.param));
                         });

} // namespace
