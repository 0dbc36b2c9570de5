// Ten seconds of motion at 60 frames per second, checked to the last bit. The same
// source is built at several optimisation levels; all must give these bits.
#include "scene/scene.h"
#include "sim/step_path.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

uint32_t bits(float value) {
    uint32_t b;
    std::memcpy(&b, &value, sizeof b);
    return b;
}

// FNV-1a over the particle array, as stored.
uint64_t state_hash(const JellyBody& body) {
    uint64_t h = 1469598103934665603ull;
    const auto* bytes = reinterpret_cast<const unsigned char*>(body.particles.data());
    for (std::size_t i = 0; i < body.particles.size() * sizeof(Particle); ++i) {
        h = (h ^ bytes[i]) * 1099511628211ull;
    }
    return h;
}

struct Golden {
    int particle;
    uint32_t x, y, z, vx, vy, vz;
};

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

    const Golden golden[] = {
#include "golden_trace.inc"
    };
    const uint64_t golden_hash = GOLDEN_HASH;

    for (const Golden& g : golden) {
        const Particle& p = state.body.particles[g.particle];
        const Golden got{g.particle,         bits(p.position.x), bits(p.position.y),
                         bits(p.position.z), bits(p.velocity.x), bits(p.velocity.y),
                         bits(p.velocity.z)};
        EXPECT_TRUE(std::memcmp(&got, &g, sizeof got) == 0)
            << "particle " << g.particle << " is at (" << p.position.x << ", " << p.position.y
            << ", " << p.position.z << ") moving (" << p.velocity.x << ", " << p.velocity.y << ", "
            << p.velocity.z << ")";
    }
    char line[160];
    std::snprintf(line, sizeof line, "state hash 0x%016llx",
                  (unsigned long long)state_hash(state.body));
    EXPECT_EQ(state_hash(state.body), golden_hash) << line;
    if (::testing::Test::HasFailure()) {
        for (int particle : {0, 62, 124}) {
            const Particle& p = state.body.particles[particle];
            std::printf("    {%d, 0x%08x, 0x%08x, 0x%08x, 0x%08x, 0x%08x, 0x%08x},\n", particle,
                        bits(p.position.x), bits(p.position.y), bits(p.position.z),
                        bits(p.velocity.x), bits(p.velocity.y), bits(p.velocity.z));
        }
        std::printf("%s\n", line);
    }
    set_step_path(StepPath::automatic);
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
