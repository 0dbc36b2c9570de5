// The scene: clock arithmetic, the lift schedule, sub-stepping and the stall bound.
#include "scene/scene.h"

#include <gtest/gtest.h>

#include <algorithm>
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

Scene started_scene(int64_t counter_start, int64_t frequency) {
    Scene state;
    state.start(counter_start, frequency);
    return state;
}

bool same_particles(const JellyBody& a, const JellyBody& b) {
    return std::memcmp(a.particles.data(), b.particles.data(), 125 * sizeof(Particle)) == 0;
}

TEST(Scene, ClockAndSubStepsOfTheFirstFrames) {
    Scene state = started_scene(5000000, 1000000);
    JellyBody by_hand = state.body;

    state.advance(5500000);
    EXPECT_EQ(state.prev_time, 0.0);
    EXPECT_EQ(state.time, 0.5);
    const float first_dt = substep_dt(0.0, 0.5);
    EXPECT_EQ(printed(first_dt), "0.0049999999");
    for (int i = 0; i < 100; ++i) {
        by_hand.step(first_dt);
    }
    EXPECT_TRUE(same_particles(state.body, by_hand));

    state.advance(5516667);
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

// sin(x) for a double x, rounded to the nearest double, computed in double-double
// arithmetic (about 106 bits) with no call into the C library, whose sin is rounded
// differently on different systems. Exact sums and products of doubles come from Knuth's
// two-sum and Dekker's split; nothing is contracted into fused multiply-adds.
struct DoubleDouble {
    double hi;
    double lo; // |lo| is at most half an ulp of hi
};

DoubleDouble quick_two_sum(double a, double b) { // |a| >= |b|
    const double s = a + b;
    return {s, b - (s - a)};
}

DoubleDouble two_sum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

DoubleDouble two_product(double a, double b) {
    auto split = [](double v, double& high, double& low) {
        const double c = 134217729.0 * v; // 2^27 + 1
        high = c - (c - v);
        low = v - high;
    };
    double ah, al, bh, bl;
    split(a, ah, al);
    split(b, bh, bl);
    const double p = a * b;
    return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

DoubleDouble operator+(DoubleDouble a, DoubleDouble b) {
    DoubleDouble s = two_sum(a.hi, b.hi);
    const DoubleDouble t = two_sum(a.lo, b.lo);
    s = quick_two_sum(s.hi, s.lo + t.hi);
    return quick_two_sum(s.hi, s.lo + t.lo);
}

DoubleDouble operator-(DoubleDouble a) {
    return {-a.hi, -a.lo};
}

DoubleDouble operator*(DoubleDouble a, DoubleDouble b) {
    const DoubleDouble p = two_product(a.hi, b.hi);
    return quick_two_sum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

DoubleDouble operator/(DoubleDouble a, double d) {
    const double q = a.hi / d;
    const DoubleDouble p = two_product(q, d);
    return quick_two_sum(q, (((a.hi - p.hi) - p.lo) + a.lo) / d);
}

double correctly_rounded_sin(double x) {
    // 2 pi in three doubles (about 160 bits): x - k 2 pi keeps about 150 bits for the
    // arguments here (below 2000), so sin near its zeros still has 100 bits.
    const double two_pi[3] = {6.283185307179586232, 2.449293598294706414e-16,
                              -5.989539619436679332e-33};
    const double k = std::floor(x / two_pi[0] + 0.5); // floor is exact on every C library
    DoubleDouble r{x, 0.0};
    for (double part : two_pi) {
        r = r + -two_product(k, part);
    }
    // The Taylor series on |r| <= pi + a little: its 30th term is below 1e-38.
    const DoubleDouble r2 = r * r;
    DoubleDouble term = r;
    DoubleDouble sum = r;
    for (int n = 1; n < 30; ++n) {
        term = -(term * r2 / double(2 * n) / double(2 * n + 1));
        sum = sum + term;
    }
    return sum.hi; // hi is hi + lo rounded to nearest
}

// The square the scene rounds into the float lift, from a correctly rounded sine.
double reference_lift_square(double time) {
    const double q = correctly_rounded_sin(time / 3.0) * 1.1;
    return q * q;
}

// How far `square` is from rounding to another float, in ulps of the double `square`.
double float_rounding_margin(double square) {
    const float f = float(square);
    const double below = (double(f) + double(std::nextafter(f, -1.0f))) / 2.0;
    const double above = (double(f) + double(std::nextafter(f, 2.0f))) / 2.0;
    const double ulp = std::nextafter(square, 2.0) - square;
    return std::min(square - below, above - square) / ulp;
}

TEST(Scene, ReferenceSineIsCorrectlyRounded) {
    // Each value is the double nearest the true sine (from its digits to 20 places).
    const struct {
        double x;
        double sin_x;
    } cases[] = {
        {1.0, 0.8414709848078965},                   // 0.84147098480789650665
        {0.5, 0.479425538604203},                    // 0.47942553860420300027
        {3.141592653589793, 1.2246467991473532e-16}, // pi minus the double nearest it
        {1000.0, 0.8268795405320025},                // 0.82687954053200256026
        {-2.0, -0.9092974268256817},                 // -0.90929742682568169540
    };
    for (const auto& c : cases) {
        EXPECT_EQ(correctly_rounded_sin(c.x), c.sin_x) << c.x;
    }
}

TEST(Scene, LiftSchedule) {
    const double pi = 3.141592653589793; // the double nearest pi
    EXPECT_EQ(lift_at(0.0), 0.0f);
    EXPECT_EQ(lift_at(std::nextafter(3.0, 0.0)), 0.0f);
    EXPECT_EQ(printed(lift_at(3.0)), "0.85676885");
    EXPECT_EQ(printed(lift_at(6.0)), "1.0004544");
    EXPECT_EQ(printed(lift_at(1.5 * pi)), "1.21");
    // At t = 3 pi the sine is pi minus the double nearest pi, 1.2246467991473532e-16, where
    // C libraries differ in more than the last bit: glibc gives it exactly, MinGW-w64's x87
    // reduction 1.2246063538223773e-16. Every sine accurate to 1e-5 there is allowed.
    const float tiny = float(1.2246467991473532e-16 * 1.1 * 1.2246467991473532e-16 * 1.1);
    EXPECT_NEAR(lift_at(3 * pi), tiny, tiny * 1e-4f);

    Scene state = started_scene(0, 1000);
    state.advance(6000);
    EXPECT_EQ(state.body.lift.x, 0.0f);
    EXPECT_EQ(state.body.lift.y, lift_at(6.0));
    EXPECT_EQ(state.body.lift.z, 0.0f);
}

// The frame times of an hour on the scripted clock at 30, 60, 144 and 1000 frames a second
// (from 3 s, where the lift starts). What holds on every C library: the square of 1.1 sin,
// correctly rounded, is never within 62 of its ulps of a float rounding boundary. A sine off
// by k ulps moves q = 1.1 sin by at most (k + 1) 2^-52 relative and the rounded square by at
// most 4k + 6 of its ulps, so any sine within 13 ulps at these times gives the same float
// lift. What this C library does: its sine gives exactly that float at every frame. Together
// they are why the trace hash agrees across C libraries whose sine differs in its last bits
// (glibc, MinGW-w64's, emscripten's).
TEST(Scene, LiftOfAnHourOfFramesMatchesACorrectlyRoundedSine) {
    constexpr int64_t frequency = 1000000; // the tools' scripted clock
    for (int64_t fps : {30, 60, 144, 1000}) {
        int64_t differing = 0;
        int64_t first = 0;
        double least_margin = 1e9; // ulps
        for (int64_t k = 3 * fps; k <= 3600 * fps; ++k) {
            const double time = double(k * frequency / fps) / double(frequency);
            const double square = reference_lift_square(time);
            least_margin = std::min(least_margin, float_rounding_margin(square));
            if (lift_at(time) != float(square)) {
                first = differing++ == 0 ? k : first;
            }
        }
        EXPECT_GE(least_margin, 62.0) << fps << " fps";
        EXPECT_EQ(differing, 0) << fps << " fps: first at frame " << first;
    }
}

TEST(Scene, RepeatedCounterReadingAdvancesNothing) {
    Scene state = started_scene(0, 1000);
    state.advance(100);
    const JellyBody before = state.body;
    state.advance(100);
    EXPECT_EQ(state.prev_time, state.time);
    EXPECT_TRUE(same_particles(state.body, before));
}

// A restart (the page's) is start again: the scene runs from time 0 at the new reading as a
// fresh one does, whatever ran before.
TEST(Scene, StartAgainRunsAsAFreshScene) {
    Scene fresh = started_scene(7000, 1000);
    Scene restarted = started_scene(0, 1000);
    for (int64_t tick = 100; tick <= 4000; tick += 100) {
        restarted.advance(tick);
    }
    restarted.start(7000, 1000);
    EXPECT_EQ(restarted.time, 0.0);
    EXPECT_EQ(restarted.prev_time, 0.0);
    EXPECT_TRUE(same_particles(restarted.body, fresh.body));
    fresh.advance(7050);
    restarted.advance(7050);
    EXPECT_EQ(restarted.time, 0.05);
    EXPECT_TRUE(same_particles(restarted.body, fresh.body));
    EXPECT_EQ(restarted.floor_mesh.n, 30);
}

TEST(Scene, StallsAreCutToHalfASecondOfSimulation) {
    EXPECT_EQ(substep_dt(1.0, 1.3), float((1.3 - 1.0) * 0.01)); // unbounded below 0.5 s
    EXPECT_EQ(substep_dt(1.0, 1.5), float(0.5 * 0.01));
    EXPECT_EQ(substep_dt(1.0, 6.0), float(0.5 * 0.01));
    EXPECT_EQ(substep_dt(0.0, 3600.0), float(0.5 * 0.01));

    // A body stalled for 5 s in the middle of its fall and bounces stays finite, and the
    // clock (so the camera and the lift) still follows the counter.
    for (int stall_at : {60, 200, 290}) {
        SCOPED_TRACE(stall_at);
        Scene state = started_scene(0, 60);
        int64_t tick = 0;
        for (int frame = 0; frame < 400; ++frame) {
            tick += frame == stall_at ? 300 : 1;
            state.advance(tick);
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
