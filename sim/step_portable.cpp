// The fast lattice step in plain C++: the lane layout of step_lanes.h with scalar lanes, for
// any CPU. The lanes of a block are independent, so their float sums overlap in time instead
// of waiting on one another.
#include "sim/step_lanes.h"

#include <cmath>

namespace step_lanes {

namespace {

// The pair terms between group g's slots and the slots one half offset further on, in the
// finite or the exact layout of step_lanes.h.
template <bool finite>
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
            double to_p[3] = {-0.0, -0.0, -0.0}; // what p receives from q
            double to_q[3] = {-0.0, -0.0, -0.0}; // what q receives from p (exact layout)
            if ((item.pair_lanes >> j) & 1u) {
                // A float difference rounds exactly as the double difference rounded to
                // float.
                const float d[3] = {pos[0][p] - pos[0][q], pos[1][p] - pos[1][q],
                                    pos[2][p] - pos[2][q]};
                const double s = double(d[0]) * d[0] + double(d[1]) * d[1] + double(d[2]) * d[2];
                const double c = r[item.half] / (s * s) - s * s;
                for (int i = 0; i < 3; ++i) {
                    to_p[i] = c * d[i];
                }
                if (!finite) {
                    // q's own difference: the exact negative of d, except for zeros and
                    // NaNs.
                    const float e[3] = {pos[0][q] - pos[0][p], pos[1][q] - pos[1][p],
                                        pos[2][q] - pos[2][p]};
                    for (int i = 0; i < 3; ++i) {
                        to_q[i] = c * e[i];
                    }
                }
            }
            for (int i = 0; i < 3; ++i) {
                double* const component = row + i * term_row;
                const double at_ring = finite ? to_p[i] : to_q[i];
                component[ring + j] = at_ring;
                if (ring == 0) {
                    component[ring_copy + j] = at_ring;
                }
                if (!finite && item.pair_lanes != 0) {
                    component[forward + j] = to_p[i];
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

template <bool finite>
void run_blocks(const float (&pos)[3][position_row], const double r[half_count], const Vec3& lift,
                float dt, Particle* lattice) {
    double terms[term_count];
    prepare_terms(terms);
    // Block b + 1's pair terms are formed before block b is summed.
    for (int g = 0; g < block_groups; ++g) {
        pair_terms<finite>(pos, r, g, terms);
    }
    for (int b = 0; b < block_count; ++b) {
        for (int g = block_groups * (b + 1); g < block_groups * (b + 2) && g < group_count; ++g) {
            pair_terms<finite>(pos, r, g, terms);
        }
        // Rounded to float after every addition, each lane in its own neighbour order. The
        // slots are ordered longest first, so a slot drops out once its sum is complete.
        float force[block_groups][lane_count][3] = {};
        const int begin = tables.block_begin[b];
        for (int s = begin; s < begin + tables.slot_steps[b][0]; ++s) {
            for (int i = 0; i < block_groups && s < begin + tables.slot_steps[b][i]; ++i) {
                float(&f)[lane_count][3] = force[i];
                if (finite && tables.finite_signs[s][i] != 0) {
                    const double* const t = terms + tables.finite_steps[s][i];
                    for (int j = 0; j < lane_count; ++j) {
                        f[j][0] = float(f[j][0] - t[j]);
                        f[j][1] = float(f[j][1] - t[j + term_row]);
                        f[j][2] = float(f[j][2] - t[j + 2 * term_row]);
                    }
                    continue;
                }
                const double* const t =
                    terms + (finite ? tables.finite_steps[s][i] : tables.exact_steps[s][i]);
                for (int j = 0; j < lane_count; ++j) {
                    f[j][0] = float(f[j][0] + t[j]);
                    f[j][1] = float(f[j][1] + t[j + term_row]);
                    f[j][2] = float(f[j][2] + t[j + 2 * term_row]);
                }
            }
        }
        for (int i = 0; i < block_groups; ++i) {
            for (int j = 0; j < lane_count; ++j) {
                const int p = lane_count * tables.slot_group[b][i] + j;
                if (p < lattice_particle_count) {
                    advance(lattice[p], force[i][j], lift, dt);
                }
            }
        }
    }
}

} // namespace

void step_portable(JellyBody& body, float dt) {
    Particle* const lattice = body.particles.data();
    double r[half_count];
    half_pair_constants(body.spacing, r);
    // The old positions stay here while the particles themselves are moved block by block.
    float pos[3][position_row];
    float vel[3][slot_count];
    copy_particles(lattice, 0, pos, vel);
    bool finite = true;
    for (int p = 0; p < lattice_particle_count; ++p) {
        for (int i = 0; i < 3; ++i) {
            finite = finite && std::isfinite(pos[i][p]);
        }
    }
    if (finite) {
        run_blocks<true>(pos, r, body.lift, dt, lattice);
    } else {
        run_blocks<false>(pos, r, body.lift, dt, lattice);
    }
}

} // namespace step_lanes
