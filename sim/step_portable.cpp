// The fast lattice step in plain C++: the lane layout of step_lanes.h with scalar lanes, for
// any CPU. The four lanes of a group are independent, so their float sums overlap in time
// instead of waiting on one another.
#include "sim/step_lanes.h"

namespace step_lanes {

namespace {

// The pair terms between group g's slots and the slots one half offset further on, in the
// exact layout of step_lanes.h: what each slot receives goes to the group's forward area,
// what its partner receives to the ring.
void pair_terms(const float (&pos)[3][position_row], const double r[half_count], int g,
                double* terms) {
    const int first = lane_count * g;
    const int ring = ring_position(first);
    const int forward = forward_position(g);
    for (int n = tables.item_begin[g]; n < tables.item_begin[g + 1]; ++n) {
        const PairItem& item = tables.items[n];
        double* const row = terms + item.row;
        for (int j = 0; j < lane_count; ++j) {
            const int p = first + j;
            const int q = item.partner + j;
            double forward_term[3] = {-0.0, -0.0, -0.0};
            double mirrored_term[3] = {-0.0, -0.0, -0.0};
            if ((item.pair_lanes >> j) & 1u) {
                // A float difference rounds exactly as the double difference rounded to
                // float. q's own difference is the exact negative, except for zeros and
                // NaNs, so it is formed too.
                const float d[3] = {pos[0][p] - pos[0][q], pos[1][p] - pos[1][q],
                                    pos[2][p] - pos[2][q]};
                const float e[3] = {pos[0][q] - pos[0][p], pos[1][q] - pos[1][p],
                                    pos[2][q] - pos[2][p]};
                const double s = double(d[0]) * d[0] + double(d[1]) * d[1] + double(d[2]) * d[2];
                const double c = r[item.half] / (s * s) - s * s;
                for (int i = 0; i < 3; ++i) {
                    forward_term[i] = c * d[i];
                    mirrored_term[i] = c * e[i];
                }
            }
            for (int i = 0; i < 3; ++i) {
                double* const component = row + i * term_row;
                if (item.pair_lanes != 0) {
                    component[forward + j] = forward_term[i];
                }
                component[ring + j] = mirrored_term[i];
                if (ring == 0) {
                    component[ring_copy + j] = mirrored_term[i];
                }
            }
        }
    }
}

// Velocity and then position of one particle from its summed force.
void advance(Particle& particle, const float force[3], const Vec3& lift, float dt) {
    Vec3 a;
    a.x = float(force_scale * force[0]);
    a.y = float(force_scale * force[1]);
    a.z = float(force_scale * force[2]);
    a.y = float(a.y - gravity);
    a.x = float(double(a.x) + lift.x);
    a.y = float(double(a.y) + lift.y);
    a.z = float(double(a.z) + lift.z);
    Vec3& v = particle.velocity;
    const Vec3 damping{float(damping_rate * v.x), float(damping_rate * v.y),
                       float(damping_rate * v.z)};
    vec_sub(a, a, damping);
    v.x = float(v.x + double(a.x) * dt);
    v.y = float(v.y + double(a.y) * dt);
    v.z = float(v.z + double(a.z) * dt);

    // The mirror contact: strictly below y = 0 only; -0.0 and not-a-number are not below.
    Vec3& x = particle.position;
    x.x = float(x.x + double(v.x) * dt);
    x.y = float(x.y + double(v.y) * dt);
    x.z = float(x.z + double(v.z) * dt);
    if (x.y < 0.0f) {
        x.y = -x.y;
        v.y = -v.y;
    }
}

} // namespace

void step_portable(JellyBody& body, float dt) {
    Particle* const lattice = body.particles.data();
    double r[half_count];
    half_pair_constants(body.spacing, r);
    // The old positions stay here while the particles themselves are moved block by block.
    alignas(32) float pos[3][position_row];
    alignas(32) float vel[3][slot_count];
    copy_particles(lattice, 0, pos, vel);
    alignas(32) double terms[term_count];
    prepare_terms(terms);

    // Block b + 1's pair terms are formed before block b is summed.
    for (int g = 0; g < block_groups; ++g) {
        pair_terms(pos, r, g, terms);
    }
    for (int b = 0; b < block_count; ++b) {
        for (int g = block_groups * (b + 1); g < block_groups * (b + 2) && g < group_count; ++g) {
            pair_terms(pos, r, g, terms);
        }
        // Rounded to float after every addition, each lane in its own neighbour order.
        float force[block_groups][lane_count][3] = {};
        for (int s = tables.block_begin[b]; s < tables.block_begin[b + 1]; ++s) {
            for (int i = 0; i < block_groups; ++i) {
                const double* const t = terms + tables.exact_steps[s][i];
                for (int j = 0; j < lane_count; ++j) {
                    force[i][j][0] = float(force[i][j][0] + t[j]);
                    force[i][j][1] = float(force[i][j][1] + t[j + term_row]);
                    force[i][j][2] = float(force[i][j][2] + t[j + 2 * term_row]);
                }
            }
        }
        for (int i = 0; i < block_groups; ++i) {
            for (int j = 0; j < lane_count; ++j) {
                const int p = lane_count * (block_groups * b + i) + j;
                if (p < lattice_particle_count) {
                    advance(lattice[p], force[i][j], body.lift, dt);
                }
            }
        }
    }
}

} // namespace step_lanes
