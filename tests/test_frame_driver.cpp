// The frame driver: clock arithmetic, the lift schedule, sub-stepping and the stall bound.
#include "app/frame_driver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string printed(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.8g", double(value));
    return text;
}

SceneState started_scene(int64_t counter_start, int64_t frequency) {
    SceneState state;
    state.counter_start = counter_start;
    state.counter_frequency = frequency;
    state.body.init();
    return state;
}

bool same_particles(const JellyBody& a, const JellyBody& b) {
    return std::memcmp(a.particles.data(), b.particles.data(), 125 * sizeof(Particle)) == 0;
}

TEST(FrameDriver, ClockAndSubStepsOfTheFirstFrames) {
    SceneState state = started_scene(5000000, 1000000);
    JellyBody by_hand = state.body;

    run_frame(state, 5500000);
    EXPECT_EQ(state.prev_time, 0.0);
    EXPECT_EQ(state.time, 0.5);
    const float first_dt = substep_dt(0.0, 0.5);
    EXPECT_EQ(printed(first_dt), "0.0049999999");
    for (int i = 0; i < 100; ++i) {
        by_hand.step(first_dt);
    }
    EXPECT_TRUE(same_particles(state.body, by_hand));

    run_frame(state, 5516667);
    EXPECT_EQ(state.prev_time, 0.5);
    EXPECT_EQ(state.time, 0.516667);
    EXPECT_EQ(printed(substep_dt(0.5, 0.516667)), "0.00016667");
    for (int i = 0; i < 100; ++i) {
        by_hand.step(substep_dt(0.5, 0.516667));
    }
    EXPECT_TRUE(same_particles(state.body, by_hand));
    EXPECT_EQ(state.body.lift.x, 0.0f);
    EXPECT_EQ(state.body.lift.y, 0.0f);
    EXPECT_EQ(state.body.lift.z, 0.0f);
}

TEST(FrameDriver, LiftSchedule) {
    EXPECT_EQ(lift_at(0.0), 0.0f);
    EXPECT_EQ(lift_at(std::nextafter(3.0, 0.0)), 0.0f);
    EXPECT_EQ(printed(lift_at(3.0)), "0.85676885");
    EXPECT_EQ(printed(lift_at(6.0)), "1.0004544");
    EXPECT_EQ(printed(lift_at(1.5 * M_PI)), "1.21");
    EXPECT_EQ(lift_at(3 * M_PI), float(std::pow(std::sin(M_PI) * 1.1, 2)));

    SceneState state = started_scene(0, 1000);
    run_frame(state, 6000);
    EXPECT_EQ(state.body.lift.x, 0.0f);
    EXPECT_EQ(state.body.lift.y, lift_at(6.0));
    EXPECT_EQ(state.body.lift.z, 0.0f);
}

TEST(FrameDriver, RepeatedCounterReadingAdvancesNothing) {
    SceneState state = started_scene(0, 1000);
    run_frame(state, 100);
    const JellyBody before = state.body;
    run_frame(state, 100);
    EXPECT_EQ(state.prev_time, state.time);
    EXPECT_TRUE(same_particles(state.body, before));
}

TEST(FrameDriver, StallsAreCutToHalfASecondOfSimulation) {
    EXPECT_EQ(substep_dt(1.0, 1.3), float((1.3 - 1.0) * 0.01)); // unbounded below 0.5 s
    EXPECT_EQ(substep_dt(1.0, 1.5), float(0.5 * 0.01));
    EXPECT_EQ(substep_dt(1.0, 6.0), float(0.5 * 0.01));
    EXPECT_EQ(substep_dt(0.0, 3600.0), float(0.5 * 0.01));

    // A body stalled for 5 s in the middle of its fall and bounces stays finite, and the
    // clock (so the camera and the lift) still follows the counter.
    for (int stall_at : {60, 200, 290}) {
        SCOPED_TRACE(stall_at);
        SceneState state = started_scene(0, 60);
        int64_t tick = 0;
        for (int frame = 0; frame < 400; ++frame) {
            tick += frame == stall_at ? 300 : 1;
            run_frame(state, tick);
        }
        EXPECT_EQ(state.time, double(tick) / 60.0);
        for (const Particle& p : state.body.particles) {
            ASSERT_TRUE(std::isfinite(p.position.x) && std::isfinite(p.position.y) &&
                        std::isfinite(p.position.z));
            ASSERT_GE(p.position.y, 0.0f);
        }
    }
}

} // namespace
