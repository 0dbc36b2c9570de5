// The lattice step: forces, integration and floor contact, checked by their effects.
#include "sim/jelly_body.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>

namespace {

JellyBody body_at_rest() {
    JellyBody body;
    body.init();
    for (Particle& p : body.particles) {
        p.velocity = Vec3{0, 0, 0};
    }
    return body;
}

bool same_bits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::array<float, 3> xyz(const Vec3& v) {
    return {v.x, v.y, v.z};
}

// The undeformed lattice, at rest or spinning as it starts, feels no pair force: each
// velocity v gains only (-0.2 vx, -1 - 0.2 vy, -0.2 vz) dt. Worked out here by the rounding
// rules: a = (0, -1, 0) - 0.2 v, with 0.2 v formed in double and rounded to float, and the
// difference rounded too; then v + a dt and x + v dt, each formed in double and rounded.
TEST(JellyStep, UndeformedLatticeIsExactlyForceFree) {
    JellyBody spinning;
    spinning.init();
    for (const JellyBody& start : {body_at_rest(), spinning}) {
        for (float dt : {0.005f, 0.000166667f, 0.01f}) {
            JellyBody body = start;
            body.step(dt);
            for (int p = 0; p < 125; ++p) {
                const Particle& was = start.particles[p];
                const Particle& now = body.particles[p];
                const auto was_v = xyz(was.velocity), was_x = xyz(was.position);
                const auto got_v = xyz(now.velocity), got_x = xyz(now.position);
                for (int c = 0; c < 3; ++c) {
                    const float damping = float(0.2 * was_v[c]);
                    const float a = float((c == 1 ? -1.0 : 0.0) - damping);
                    const float v = float(was_v[c] + double(a) * dt);
                    EXPECT_TRUE(same_bits(got_v[c], v) &&
                                same_bits(got_x[c], float(was_x[c] + double(v) * dt)))
                        << "particle " << p << ", component " << c << ", dt " << dt
                        << ", velocity from " << was_v[c] << ": " << got_v[c] << " for " << v;
                }
            }
        }
    }
}

// Moving one particle off its rest place disturbs exactly itself and its lattice
// neighbours: that counts the pair terms each particle sums, and shows none reads
// outside the lattice.
int disturbed_by_moving(int moved) {
    JellyBody body = body_at_rest();
    body.particles[moved].position.x += 0.01f;
    body.particles[moved].position.z -= 0.007f;
    const float dt = 0.001f;
    body.step(dt);
    int changed = 0;
    for (const Particle& p : body.particles) {
        changed += !(p.velocity.x == 0.0f && p.velocity.y == -dt && p.velocity.z == 0.0f);
    }
    return changed - 1;
}

TEST(JellyStep, EachParticleSumsItsLatticeNeighboursOnly) {
    EXPECT_EQ(disturbed_by_moving(lattice_index(0, 0, 0)), 7);  // corner
    EXPECT_EQ(disturbed_by_moving(lattice_index(4, 4, 4)), 7);  // corner
    EXPECT_EQ(disturbed_by_moving(lattice_index(2, 0, 0)), 11); // edge
    EXPECT_EQ(disturbed_by_moving(lattice_index(4, 2, 4)), 11); // edge
    EXPECT_EQ(disturbed_by_moving(lattice_index(2, 2, 0)), 17); // face
    EXPECT_EQ(disturbed_by_moving(lattice_index(4, 1, 3)), 17); // face
    EXPECT_EQ(disturbed_by_moving(lattice_index(1, 2, 3)), 26); // interior
    int terms = 0;
    for (int p = 0; p < 125; ++p) {
        terms += disturbed_by_moving(p);
    }
    EXPECT_EQ(terms, 2072);
}

TEST(JellyStep, InternalForcesCancel) {
    // A deformed body at rest, high above the floor: the velocity it gains sums to
    // gravity alone, because every pair term has an exact opposite.
    JellyBody body = body_at_rest();
    for (int p = 0; p < 125; ++p) {
        Vec3& x = body.particles[p].position;
        x.x += 0.02f * float(std::sin(p * 1.7));
        x.y += 0.02f * float(std::sin(p * 2.3));
        x.z += 0.02f * float(std::sin(p * 3.1));
    }
    const float dt = 0.001f;
    body.step(dt);
    double sum[3] = {0, 0, 0};
    double largest = 0;
    for (const Particle& p : body.particles) {
        sum[0] += p.velocity.x;
        sum[1] += p.velocity.y + dt;
        sum[2] += p.velocity.z;
        largest = std::fmax(largest, std::fabs(p.velocity.x));
    }
    ASSERT_GT(largest, 1e-3); // the deformation does produce forces
    for (double s : sum) {
        EXPECT_LT(std::fabs(s), largest * 1e-5) << "net internal force " << s;
    }
}

TEST(JellyStep, SqueezedLatticePushesOutStretchedPullsIn) {
    for (float scale : {0.9f, 1.1f}) {
        SCOPED_TRACE(scale);
        JellyBody body = body_at_rest();
        const Vec3 centre = body.particles[62].position;
        for (Particle& p : body.particles) {
            p.position.x = centre.x + (p.position.x - centre.x) * scale;
            p.position.y = centre.y + (p.position.y - centre.y) * scale;
            p.position.z = centre.z + (p.position.z - centre.z) * scale;
        }
        body.step(0.001f);
        const Vec3& corner = body.particles[lattice_index(4, 4, 4)].velocity;
        const float outward = scale < 1 ? 1.0f : -1.0f;
        EXPECT_GT(corner.x * outward, 0.0f);
        EXPECT_GT(corner.z * outward, 0.0f);
        EXPECT_GT(body.particles[lattice_index(0, 2, 2)].velocity.x * -outward, 0.0f);
    }
}

TEST(JellyStep, FloorMirrorsWhatEndsStrictlyBelow) {
    struct Case {
        float y, vy; // bottom layer before the step (dt = 0, so nothing moves)
        float want_y, want_vy;
    };
    const Case cases[] = {
        {-0.01f, -0.5f, 0.01f, 0.5f},
        {-0.01f, 0.5f, 0.01f, -0.5f}, // below and rising: negated all the same
        {0.0f, -0.5f, 0.0f, -0.5f},
        {-0.0f, -0.5f, -0.0f, -0.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.y);
        JellyBody body = body_at_rest();
        for (int p = 0; p < 125; ++p) {
            const int iy = (p / 5) % 5;
            if (iy == 0) {
                body.particles[p].position.y = c.y;
            }
            body.particles[p].velocity.y = c.vy;
        }
        body.step(0.0f);
        const Particle& bottom = body.particles[lattice_index(1, 0, 2)];
        EXPECT_TRUE(same_bits(bottom.position.y, c.want_y)) << bottom.position.y;
        EXPECT_EQ(bottom.velocity.y, c.want_vy);
        EXPECT_EQ(body.particles[lattice_index(1, 1, 2)].velocity.y, c.vy);
    }
}

TEST(JellyStep, ParticleFallingThroughTheFloorIsReflected) {
    JellyBody body = body_at_rest();
    for (Particle& p : body.particles) {
        p.position.y -= 5.374f; // bottom layer at 0.001
        p.velocity.y = -1.0f;
    }
    body.step(0.01f);
    const Particle& bottom = body.particles[lattice_index(2, 0, 2)];
    // v = -1 + (-1 + 0.2) * 0.01 = -1.008, so y would be 0.001 - 0.01008.
    EXPECT_NEAR(bottom.position.y, 0.00908, 1e-6);
    EXPECT_NEAR(bottom.velocity.y, 1.008, 1e-6);
    EXPECT_LT(body.particles[lattice_index(2, 1, 2)].velocity.y, -0.9f); // still falling
}

TEST(JellyStep, ZeroStepChangesNothingAboveTheFloor) {
    JellyBody body;
    body.init();
    body.step(0.004f); // a little deformation and damping first
    body.lift = Vec3{0, 1.21f, 0};
    const JellyBody before = body;
    body.step(0.0f);
    EXPECT_EQ(std::memcmp(before.particles.data(), body.particles.data(), 125 * sizeof(Particle)),
              0);
}

} // namespace
