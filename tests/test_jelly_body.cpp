// The lattice's initial state.
#include "sim/jelly_body.h"

#include <gtest/gtest.h>

namespace {

void expect_vec(const Vec3& got, float x, float y, float z) {
    EXPECT_EQ(got.x, x);
    EXPECT_EQ(got.y, y);
    EXPECT_EQ(got.z, z);
}

TEST(JellyBodyInit, CornersCentreAndSizes) {
    JellyBody body;
    body.particles.resize(300, Particle{{9, 9, 9}, {9, 9, 9}}); // init drops extra entries
    body.lift = Vec3{1, 2, 3};
    body.init();
    ASSERT_EQ(body.particles.size(), 125u);
    EXPECT_EQ(body.spacing, 0.25f);
    expect_vec(body.lift, 1, 2, 3); // left to its owner
    expect_vec(body.particles[0].position, -0.625f, 5.375f, -0.625f);
    expect_vec(body.particles[0].velocity, 2.5f, -2.5f, 0);
    expect_vec(body.particles[62].position, -0.125f, 5.875f, -0.125f);
    expect_vec(body.particles[62].velocity, 0.5f, -0.5f, 0);
    expect_vec(body.particles[124].position, 0.375f, 6.375f, 0.375f);
    expect_vec(body.particles[124].velocity, -1.5f, 1.5f, 0);
}

TEST(JellyBodyInit, RigidSpinAboutAnAxisHalfASpacingOffCentre) {
    JellyBody body;
    body.init();
    double sum_p[3] = {0, 0, 0};
    double sum_v[3] = {0, 0, 0};
    for (int p = 0; p < 125; ++p) {
        const Particle& particle = body.particles[p];
        // velocity = (0, 0, 4) x (position - (0, 6, 0)), exact at this spacing
        const Vec3& x = particle.position;
        expect_vec(particle.velocity, -4 * (x.y - 6), 4 * x.x, 0);
        sum_p[0] += x.x, sum_p[1] += x.y, sum_p[2] += x.z;
        sum_v[0] += particle.velocity.x, sum_v[1] += particle.velocity.y;
        sum_v[2] += particle.velocity.z;
    }
    EXPECT_EQ(sum_p[0] / 125, -0.125);
    EXPECT_EQ(sum_p[1] / 125, 5.875);
    EXPECT_EQ(sum_p[2] / 125, -0.125);
    EXPECT_EQ(sum_v[0] / 125, 0.5);
    EXPECT_EQ(sum_v[1] / 125, -0.5);
    EXPECT_EQ(sum_v[2] / 125, 0.0);
}

} // namespace
