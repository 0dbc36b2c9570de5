// The fast lattice step against the term-by-term reference: every code path this CPU can
// run, from many states, compared bit for bit after every step; and, at compile time, the
// lane tables that schedule its pair terms.
#include "sim/jelly_body.h"
#include "sim/pair_tables.h"
#include "sim/step_path.h"
#include "support/reference_step.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

namespace {

// Replays one step's writes and reads of the term rows lane by lane, block b + 1's writes
// both after and before block b's reads, and checks that every read finds what its lane
// needs: its own pair's term (subtracted where the lane trails the pair), or a zero where it
// has no neighbour at that offset. A cell holds 16 times the leading slot of its term's pair
// plus the half, -1 for a zero, or -2 for nothing yet.
constexpr bool every_read_finds_its_term() {
    using namespace lattice;
    int cell[half_count][row] = {};
    for (auto& cells : cell) {
        for (int c = 0; c < row; ++c) {
            cells[c] = c >= ring - lanes && c < ring ? -1 : -2;
        }
    }
    bool right = true;
    for (int b = -1; b < blocks; ++b) {
        for (int pass = 0; pass < 2; ++pass) {
            for (int g = block_groups * b; b >= 0 && g < block_groups * (b + 1); ++g) {
                for (int s = 0, k = 0; s < tables.group_steps[g]; ++s, ++k) {
                    while (lane_bits(g, neighbour_offsets[k]) == 0) {
                        ++k;
                    }
                    const int delta = neighbour_offsets[k].delta();
                    const int at = tables.cell[g][s];
                    for (int j = 0, p = lanes * g; j < lanes; ++j, ++p) {
                        const bool real = has_neighbour(p, neighbour_offsets[k]);
                        const int want =
                            real ? 16 * (delta > 0 ? p : p + delta) + tables.half_of[k] : -1;
                        right = right && cell[at / (3 * row)][at % row + j] == want &&
                                (!real || tables.minus[g][s] == (delta < 0));
                    }
                }
            }
            const int end = std::min(block_groups * (b + 2), groups);
            for (int g = block_groups * (b + 1); pass == 0 && g < end; ++g) {
                for (int h = 0; h < half_count; ++h) {
                    for (int j = 0, c = ring_cell(lanes * g); j < lanes; ++j, ++c) {
                        const bool pair = (tables.pair_lanes[g][h] >> j) & 1;
                        cell[h][c] = cell[h][c < lanes ? c + ring : c] =
                            pair ? 16 * (lanes * g + j) + h : -1;
                    }
                }
            }
        }
    }
    return right;
}
static_assert(every_read_finds_its_term(), "every lane reads its own term, or a zero");

uint32_t bits(float value) {
    uint32_t b;
    std::memcpy(&b, &value, sizeof b);
    return b;
}

// Deterministic noise in [-1, 1) from an integer.
float noise(uint32_t n) {
    n = (n ^ 61u) ^ (n >> 16);
    n *= 9u;
    n ^= n >> 4;
    n *= 0x27d4eb2du;
    n ^= n >> 15;
    return float(n % 20001u) / 10000.0f - 1.0f;
}

enum class Match {
    exact,     // every bit
    nan_blind, // every bit, except that two NaNs match whatever their payload and sign
};

bool same(float a, float b, Match match) {
    return bits(a) == bits(b) || (match == Match::nan_blind && std::isnan(a) && std::isnan(b));
}

// "" when the particle arrays agree; otherwise the first difference, with both values.
std::string first_difference(const JellyBody& fast, const JellyBody& reference, Match match) {
    if (fast.particles.size() != reference.particles.size()) {
        return "particle count differs";
    }
    static const char* const names[6] = {"position.x", "position.y", "position.z",
                                         "velocity.x", "velocity.y", "velocity.z"};
    for (std::size_t p = 0; p < fast.particles.size(); ++p) {
        const Particle& f = fast.particles[p];
        const Particle& r = reference.particles[p];
        const float got[6] = {f.position.x, f.position.y, f.position.z,
                              f.velocity.x, f.velocity.y, f.velocity.z};
        const float want[6] = {r.position.x, r.position.y, r.position.z,
                               r.velocity.x, r.velocity.y, r.velocity.z};
        for (int i = 0; i < 6; ++i) {
            if (!same(got[i], want[i], match)) {
                char line[160];
                std::snprintf(line, sizeof line,
                              "particle %zu %s: fast 0x%08x (%.9g), reference "
                              "0x%08x (%.9g)",
                              p, names[i], unsigned(bits(got[i])), got[i], unsigned(bits(want[i])),
                              want[i]);
                return line;
            }
        }
    }
    return "";
}

JellyBody spinning_start() {
    JellyBody body;
    body.init();
    return body;
}

// Moves every particle by `amount` times noise, and sets velocities to `speed` times noise.
JellyBody jostled(float amount, float speed, uint32_t seed) {
    JellyBody body = spinning_start();
    for (uint32_t p = 0; p < 125; ++p) {
        Particle& particle = body.particles[p];
        const uint32_t n = seed * 1000u + p * 6u;
        particle.position.x += amount * noise(n);
        particle.position.y += amount * noise(n + 1);
        particle.position.z += amount * noise(n + 2);
        particle.velocity = Vec3{speed * noise(n + 3), speed * noise(n + 4), speed * noise(n + 5)};
    }
    return body;
}

// Every position moved to centre + scale * (position - centre).
JellyBody scaled(JellyBody body, float scale, Vec3 centre) {
    for (Particle& p : body.particles) {
        p.position.x = centre.x + (p.position.x - centre.x) * scale;
        p.position.y = centre.y + (p.position.y - centre.y) * scale;
        p.position.z = centre.z + (p.position.z - centre.z) * scale;
    }
    return body;
}

JellyBody lowered(JellyBody body, float height, float fall_speed) {
    const float drop = body.particles[0].position.y - height;
    for (Particle& p : body.particles) {
        p.position.y -= drop;
        p.velocity.y -= fall_speed;
    }
    return body;
}

struct Scenario {
    const char* name;
    std::function<JellyBody()> start;
    float dt;
    Vec3 lift; // held constant
    int steps;
    Match match;
};

// The frame driver's lift, held constant.
Vec3 lift(float up) {
    return Vec3{0.0f, up, 0.0f};
}

// Spacing 1e-12 about y = 1e-9: R rounds to zero and the pair terms underflow, so force
// sums end as zeros of either sign, which must not show in the result.
JellyBody microscopic(uint32_t seed, float velocity) {
    JellyBody body = spinning_start();
    body.spacing = 1e-12f;
    for (uint32_t p = 0; p < 125; ++p) {
        Particle& particle = body.particles[p];
        const Vec3 x = particle.position;
        const uint32_t n = seed * 1000u + p * 3u;
        particle.position = Vec3{(x.x + 0.125f) * 4e-12f * (1.0f + 0.3f * noise(n)),
                                 1e-9f + (x.y - 5.875f) * 4e-12f * (1.0f + 0.3f * noise(n + 1)),
                                 (x.z + 0.125f) * 4e-12f * (1.0f + 0.3f * noise(n + 2))};
        particle.velocity = Vec3{velocity, velocity, velocity};
    }
    return body;
}

const Vec3 centre{-0.125f, 5.875f, -0.125f}; // of the initial lattice
const float frame_dt = 1.0f / 6000;          // one sub-step at 60 frames per second

const Scenario scenarios[] = {
    {"spinning start, falling and bouncing", spinning_start, frame_dt, lift(0), 6000, Match::exact},
    {"spinning start with lift", spinning_start, frame_dt, lift(1.21f), 1500, Match::exact},
    {"falling fast onto the floor", [] { return lowered(spinning_start(), 0.05f, 3.0f); }, frame_dt,
     lift(0), 3000, Match::exact},
    {"partly below the floor, rising",
     [] { return lowered(jostled(0.02f, 1.0f, 7), -0.3f, -2.0f); }, frame_dt, lift(0), 1000,
     Match::exact},
    {"squashed to 0.4 about its centre", [] { return scaled(spinning_start(), 0.4f, centre); },
     frame_dt, lift(0), 2000, Match::exact},
    {"stretched to 1.3 about its centre", [] { return scaled(spinning_start(), 1.3f, centre); },
     frame_dt, lift(0.5f), 1000, Match::exact},
    {"jostled", [] { return jostled(0.05f, 2.0f, 1); }, frame_dt, lift(0), 2000, Match::exact},
    {"jostled hard, long steps", [] { return jostled(0.08f, 5.0f, 2); }, 0.001f, lift(0.8f), 1000,
     Match::exact},
    {"jostled, dt = 0", [] { return jostled(0.05f, 2.0f, 3); }, 0.0f, lift(1.21f), 50,
     Match::exact},
    {"bottom layer at +0.0 and -0.0, dt = 0",
     [] {
         JellyBody body = jostled(0.02f, 1.0f, 11);
         for (int p = 0; p < 125; ++p) {
             if ((p / 5) % 5 == 0) {
                 body.particles[p].position.y = p % 2 ? -0.0f : 0.0f;
             }
         }
         return body;
     },
     0.0f, lift(0), 5, Match::exact},
    {"jostled, negative dt", [] { return jostled(0.03f, 1.0f, 4); }, -frame_dt, lift(0), 500,
     Match::exact},
    {"microscopic lattice", [] { return microscopic(5, 0.0f); }, 1e-7f, lift(0), 300, Match::exact},
    {"microscopic lattice, -0.0 velocities and lift", [] { return microscopic(10, -0.0f); }, 1e-7f,
     Vec3{-0.0f, 0.0f, -0.0f}, 300, Match::exact},
    // NaNs appear from here on. Where two different NaNs meet, which one comes out depends
    // on the operand order the compiler picks, in the reference too, so NaNs match any NaN.
    {"two neighbours in one place",
     [] {
         JellyBody body = jostled(0.02f, 1.0f, 6);
         body.particles[62].position = body.particles[63].position;
         return body;
     },
     frame_dt, lift(0), 20, Match::nan_blind},
    {"blowing up", [] { return jostled(0.1f, 20.0f, 8); }, 0.01f, lift(0), 200, Match::nan_blind},
    {"infinite and NaN inputs",
     [] {
         JellyBody body = jostled(0.02f, 1.0f, 9);
         body.particles[0].position.x = INFINITY;
         body.particles[31].velocity.y = -INFINITY;
         body.particles[62].position.z = NAN;
         body.particles[124].position.x = -NAN;
         return body;
     },
     frame_dt, lift(0), 20, Match::nan_blind},
    // Particles 4 and 5 end and start a row, so they are no pair, yet their difference
    // overflows to infinity; no term of it may reach either sum.
    {"finite positions beyond half the largest float",
     [] {
         JellyBody body = jostled(0.02f, 1.0f, 12);
         body.particles[4].position.x = 3e38f;
         body.particles[5].position.x = -3e38f;
         return body;
     },
     frame_dt, lift(0), 5, Match::nan_blind},
};

class FastStep : public ::testing::TestWithParam<StepPath> {};

TEST_P(FastStep, MatchesTheReferenceBitForBit) {
    const StepPath path = GetParam();
    if (!set_step_path(path)) {
        GTEST_SKIP() << "this build or CPU cannot run " << step_path_name(path);
    }
    ASSERT_EQ(active_step_path(), path);
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.name);
        JellyBody fast = s.start();
        fast.lift = s.lift;
        JellyBody reference = fast;
        std::string difference;
        int step = 0;
        while (difference.empty() && step < s.steps) {
            fast.step(s.dt);
            reference_step(reference, s.dt);
            difference = first_difference(fast, reference, s.match);
            ++step;
        }
        EXPECT_EQ(difference, "") << "after step " << step;
    }
    set_step_path(StepPath::automatic);
}

INSTANTIATE_TEST_SUITE_P(EveryBackend, FastStep, ::testing::ValuesIn(step_backends),
                         [](const ::testing::TestParamInfo<StepPath>& info) {
                             return std::string(step_path_name(info.param));
                         });

} // namespace
