// jellycube-long-run: drives the body through the scene's sub-steps on the scripted
// clock of the headless tools, and after every sub-step checks that each coordinate is
// finite and no particle lies below the floor. Prints how close and how far apart lattice
// neighbours of each class came. Exit status 1 names the first sub-step that broke a rule.
#include "scene/scene.h"
#include "support/tool_options.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr const char* tool_name = "jellycube-long-run";
constexpr const char* purpose =
    "Runs the jelly cube's frame driver on a scripted clock, checks the body after every\n"
    "sub-step (coordinates finite, no particle below the floor) and prints the smallest and\n"
    "largest distances seen between lattice neighbours of each class.";

// The frames of a run that are also run through Scene::advance itself and compared bit for bit,
// which shows that the sub-steps below are the very ones the program takes.
constexpr int64_t twin_frames = 3000;

// Each neighbour pair of one class once (the offsets that point to a higher index).
struct PairList {
    std::vector<int> p;
    std::vector<int> q;
};

// The pairs of each class: 0 axis, 1 face diagonal, 2 body diagonal.
std::array<PairList, 3> neighbour_pairs() {
    std::array<PairList, 3> pairs;
    for (int p = 0; p < lattice_particle_count; ++p) {
        const int ix = p % lattice_side, iy = p / lattice_side % lattice_side,
                  iz = p / (lattice_side * lattice_side);
        for (int dz = -1; dz <= 1; ++dz) {
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int jx = ix + dx, jy = iy + dy, jz = iz + dz;
                    const int q = lattice_index(jx, jy, jz);
                    if (jx < 0 || jy < 0 || jz < 0 || jx >= lattice_side || jy >= lattice_side ||
                        jz >= lattice_side || q <= p) {
                        continue;
                    }
                    PairList& list = pairs[size_t((dx != 0) + (dy != 0) + (dz != 0) - 1)];
                    list.p.push_back(p);
                    list.q.push_back(q);
                }
            }
        }
    }
    return pairs;
}

// Positions copied out of the particles, one array per axis, so that the pair loops below
// run without branches.
struct Positions {
    float x[lattice_particle_count];
    float y[lattice_particle_count];
    float z[lattice_particle_count];
};

struct Extremes {
    float min_squared = INFINITY; // squared distances, world units^2; float is plenty for
    float max_squared = 0.0f;     // figures printed to four digits
    double min_time = 0.0;        // scene time (s) of the frame where each was seen
    double max_time = 0.0;
};

// Folds one sub-step's distances of a class into its extremes.
void take_distances(const PairList& pairs, const Positions& at, double time, Extremes& e) {
    float lo = INFINITY;
    float hi = 0.0f;
    for (size_t i = 0; i < pairs.p.size(); ++i) {
        const size_t a = size_t(pairs.p[i]), b = size_t(pairs.q[i]);
        const float dx = at.x[a] - at.x[b], dy = at.y[a] - at.y[b], dz = at.z[a] - at.z[b];
        const float squared = dx * dx + dy * dy + dz * dz;
        lo = std::min(lo, squared);
        hi = std::max(hi, squared);
    }
    if (lo < e.min_squared) {
        e.min_squared = lo;
        e.min_time = time;
    }
    if (hi > e.max_squared) {
        e.max_squared = hi;
        e.max_time = time;
    }
}

bool finite(const Vec3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Copies the positions out and returns the index of the first particle with a coordinate
// that is not finite or below the floor, or -1 when there is none.
int copy_and_check(const JellyBody& body, Positions& at, float& lowest) {
    float sum = 0.0f; // not finite as soon as any coordinate is not
    float low = INFINITY;
    for (size_t p = 0; p < body.particles.size(); ++p) {
        const Particle& particle = body.particles[p];
        at.x[p] = particle.position.x;
        at.y[p] = particle.position.y;
        at.z[p] = particle.position.z;
        sum += particle.position.x + particle.position.y + particle.position.z +
               particle.velocity.x + particle.velocity.y + particle.velocity.z;
        low = std::min(low, particle.position.y);
    }
    lowest = std::min(lowest, low);
    if (std::isfinite(sum) && low >= 0.0f) {
        return -1;
    }
    for (size_t p = 0; p < body.particles.size(); ++p) {
        const Particle& particle = body.particles[p];
        if (!finite(particle.position) || !finite(particle.velocity) ||
            !(particle.position.y >= 0.0f)) {
            return int(p);
        }
    }
    return -1; // only the sum overflowed
}

bool same_bits(const JellyBody& a, const JellyBody& b) {
    return std::memcmp(a.particles.data(), b.particles.data(),
                       a.particles.size() * sizeof(Particle)) == 0;
}

} // namespace

int main(int argc, char** argv) {
    FrameScript script;
    if (const std::optional<int> status =
            read_tool_args(argc, argv, tool_name, purpose, {}, script)) {
        return *status;
    }

    Scene state;
    state.counter_start = 0;
    state.counter_frequency = script.frequency;
    state.body.init();
    Scene twin = state;

    const std::array<PairList, 3> pairs = neighbour_pairs();
    Extremes extremes[3];
    Positions positions;
    float lowest = INFINITY;
    double longest_interval = 0.0;
    int64_t substeps = 0;

    for (int64_t k = 1; k <= script.frames; ++k) {
        const int64_t now = script.reading(k);
        // The clock update, lift and sub-step length of Scene::advance, one sub-step at a time.
        state.prev_time = state.time;
        state.time = double(now - state.counter_start) / double(state.counter_frequency);
        const float lift = lift_at(state.time);
        const float dt = substep_dt(state.prev_time, state.time);
        longest_interval = std::fmax(longest_interval, state.time - state.prev_time);
        for (int i = 0; i < substeps_per_frame; ++i) {
            state.body.lift = Vec3{0.0f, lift, 0.0f};
            state.body.step(dt);
            ++substeps;
            const int bad = copy_and_check(state.body, positions, lowest);
            if (bad >= 0) {
                const Particle& particle = state.body.particles[size_t(bad)];
                std::printf("FAIL: frame %lld (time %.9g s), sub-step %d: particle %d at "
                            "(%.9g, %.9g, %.9g), velocity (%.9g, %.9g, %.9g)\n",
                            (long long)k, state.time, i, bad, particle.position.x,
                            particle.position.y, particle.position.z, particle.velocity.x,
                            particle.velocity.y, particle.velocity.z);
                return 1;
            }
            for (size_t kind = 0; kind < 3; ++kind) {
                take_distances(pairs[kind], positions, state.time, extremes[kind]);
            }
        }
        if (k <= twin_frames) {
            twin.advance(now);
            if (!same_bits(state.body, twin.body) || state.time != twin.time) {
                std::printf("FAIL: frame %lld differs from Scene::advance's\n", (long long)k);
                return 1;
            }
        }
    }

    std::printf("%lld frames, %lld sub-steps, %.3f s simulated, longest frame interval %.3f s, "
                "lowest particle y %.6g\n",
                (long long)script.frames, (long long)substeps, state.time, longest_interval,
                double(lowest));
    const char* names[3] = {"axis", "face diagonal", "body diagonal"};
    const double rest_factor[3] = {1.0, std::sqrt(2.0), std::sqrt(3.0)};
    for (int kind = 0; kind < 3; ++kind) {
        const double rest = state.body.spacing * rest_factor[kind];
        const double shortest = std::sqrt(double(extremes[kind].min_squared));
        const double longest = std::sqrt(double(extremes[kind].max_squared));
        std::printf("%-13s rest %.4f: shortest %.4f (%.3f of rest, at %.2f s), longest %.4f "
                    "(%.3f of rest, at %.2f s)\n",
                    names[kind], rest, shortest, shortest / rest, extremes[kind].min_time, longest,
                    longest / rest, extremes[kind].max_time);
    }
    return 0;
}
