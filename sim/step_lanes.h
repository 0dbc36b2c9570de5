// The lane layout of the fast lattice step, shared by its code paths: particles in groups
// of four, each neighbour pair computed once, and the tables that say where each term goes.
// Everything here follows from the lattice shape and is built at compile time.
#pragma once

#include "sim/jelly_body.h"

#include <cstdint>

namespace step_lanes {

// Group g holds particles 4g .. 4g+3, one per lane, in index order. The 125 particles fill
// 32 groups; lanes 125..127 are ghosts whose results are never stored.
constexpr int lane_count = 4;
constexpr int group_count = 32;
constexpr int slot_count = lane_count * group_count;

struct Offset {
    int dx, dy, dz;
};

// The 26 neighbour offsets in the order each particle sums its terms: 6 axis, 12 face
// diagonal, 8 body diagonal. The order fixes the float roundings, so it fixes the result.
constexpr Offset neighbour_offsets[26] = {
    {+1, 0, 0},   {-1, 0, 0},   {0, +1, 0},   {0, -1, 0},   {0, 0, +1},   {0, 0, -1},
    {+1, +1, 0},  {-1, -1, 0},  {+1, -1, 0},  {-1, +1, 0},  {0, +1, +1},  {0, -1, -1},
    {0, +1, -1},  {0, -1, +1},  {+1, 0, +1},  {-1, 0, -1},  {+1, 0, -1},  {-1, 0, +1},
    {+1, +1, +1}, {+1, +1, -1}, {+1, -1, +1}, {+1, -1, -1}, {-1, +1, +1}, {-1, +1, -1},
    {-1, -1, +1}, {-1, -1, -1},
};
constexpr int axis_count = 6;
constexpr int face_count = 12;

// Each pair is computed once, along whichever of its two offsets has a positive index
// delta: 13 "half" offsets, numbered in order of first appearance above.
constexpr int half_count = 13;

// Blocks of four groups (16 slots) are summed side by side, so that twelve running sums are
// in flight at once. The pair terms of block b + 1 are formed before block b is summed, so
// that the sums do not wait on stores just made.
constexpr int block_groups = 4;
constexpr int block_count = group_count / block_groups;

// The pair terms of one step live in rows of doubles, one row per half offset h and
// component (row 3h + component), each laid out as:
//   [0, 64)    ring, indexed by slot mod 64 (see the two layouts below);
//   [64, 68)   a copy of ring [0, 4), so a four-lane read may run past the ring's end;
//   [68, 100)  exact layout only: what each group receives from slot + delta, group g at
//              68 + 4 (g mod 8);
// When block b is summed, terms reach from 31 slots before it to the end of block b + 1:
// 63 slots, so the ring never overwrites a term still to be read. Before slot 0 it holds
// -0.0.
//
// Exact layout, for any input: the ring holds at slot s what slot s + delta receives from s,
// formed from q's own difference, and lanes without a pair hold -0.0, which leaves any float
// sum unchanged, -0.0 included.
// Finite layout, used when every position is finite: the ring holds at slot s what slot s
// receives from s + delta, and the partner subtracts it. That differs from adding the
// partner's own term only in the sign of zero terms, and lanes without a pair hold zeros of
// either sign; see "Signed zeros" below for why neither shows.
constexpr int ring_slots = 64;
constexpr int ring_copy = 64;
constexpr int forward_area = 68;
constexpr int forward_groups = 2 * block_groups;
constexpr int term_row = 100;
constexpr int term_count = half_count * 3 * term_row;
constexpr int ring_front = ring_slots - lane_count;

constexpr int forward_position(int g) {
    return forward_area + lane_count * (g % forward_groups);
}

// Positions are copied out in component arrays long enough for every slot plus the largest
// index delta (31), so a group's neighbour loads need no bounds test.
constexpr int position_row = slot_count + 32;

constexpr bool in_lattice(int ix, int iy, int iz) {
    return ix >= 0 && ix < lattice_side && iy >= 0 && iy < lattice_side && iz >= 0 &&
           iz < lattice_side;
}

// Whether slot p is a real particle with a neighbour at offset o.
constexpr bool has_neighbour(int p, const Offset& o) {
    return p < lattice_particle_count &&
           in_lattice(p % lattice_side + o.dx, p / lattice_side % lattice_side + o.dy,
                      p / (lattice_side * lattice_side) + o.dz);
}

constexpr int index_delta(const Offset& o) {
    return lattice_index(o.dx, o.dy, o.dz);
}

constexpr int ring_position(int slot) {
    return (slot + ring_slots) % ring_slots;
}

// Whether any lane of group g has a neighbour at offset o.
constexpr bool group_has(int g, const Offset& o) {
    bool any = false;
    for (int j = 0; j < lane_count; ++j) {
        any = any || has_neighbour(lane_count * g + j, o);
    }
    return any;
}

constexpr int group_entries(int g) {
    int n = 0;
    for (const Offset& o : neighbour_offsets) {
        n += group_has(g, o);
    }
    return n;
}

// Steps of the side-by-side sums: each block takes as many as its longest group needs.
constexpr int count_steps() {
    int n = 0;
    for (int b = 0; b < block_count; ++b) {
        int longest = 0;
        for (int i = 0; i < block_groups; ++i) {
            const int e = group_entries(block_groups * b + i);
            longest = e > longest ? e : longest;
        }
        n += longest;
    }
    return n;
}
constexpr int step_count = count_steps();

// The half offsets, numbered in order of first appearance among the neighbour offsets.
struct Halves {
    Offset offset[half_count];
    int delta[half_count];
    int pair_class[half_count]; // 0 axis, 1 face diagonal, 2 body diagonal
    int of_neighbour[26];       // the half each neighbour offset is, or is minus
};

constexpr Halves build_halves() {
    Halves t{};
    int count = 0;
    for (int k = 0; k < 26; ++k) {
        const Offset& o = neighbour_offsets[k];
        const Offset pos = index_delta(o) > 0 ? o : Offset{-o.dx, -o.dy, -o.dz};
        int h = 0;
        while (h < count && !(t.offset[h].dx == pos.dx && t.offset[h].dy == pos.dy &&
                              t.offset[h].dz == pos.dz)) {
            ++h;
        }
        if (h == count) {
            t.offset[h] = pos;
            t.delta[h] = index_delta(pos);
            t.pair_class[h] = k < axis_count ? 0 : k < axis_count + face_count ? 1 : 2;
            ++count;
        }
        t.of_neighbour[k] = h;
    }
    return t;
}

constexpr Halves halves = build_halves();

// Bit j: slot 4g + j pairs with slot 4g + j + delta of half h.
constexpr int pair_lanes(int g, int h) {
    int lanes = 0;
    for (int j = 0; j < lane_count; ++j) {
        lanes |= has_neighbour(lane_count * g + j, halves.offset[h]) << j;
    }
    return lanes;
}

// Whether group g's ring lanes for half h are read at all: by a group with a neighbour at
// minus that half, whose four lanes overlap these. Lanes without a pair that are read need
// zeros; lanes never read can be left alone.
constexpr bool ring_lanes_read(int g, int h) {
    const Offset& half = halves.offset[h];
    const Offset back{-half.dx, -half.dy, -half.dz};
    for (int reader = 0; reader < group_count; ++reader) {
        const int start = lane_count * reader - halves.delta[h];
        if (group_has(reader, back) && start < lane_count * (g + 1) &&
            start + lane_count > lane_count * g) {
            return true;
        }
    }
    return false;
}

constexpr bool needs_item(int g, int h) {
    return pair_lanes(g, h) != 0 || ring_lanes_read(g, h);
}

constexpr int count_items() {
    int n = 0;
    for (int g = 0; g < group_count; ++g) {
        for (int h = 0; h < half_count; ++h) {
            n += needs_item(g, h);
        }
    }
    return n;
}
constexpr int item_count = count_items();

// One vector of the pair-term phase: a group's four lanes against one half offset. Without
// pair lanes it only puts zeros in the ring.
struct PairItem {
    std::uint8_t half;
    std::uint8_t pair_lanes;
    std::uint8_t partner; // slot of lane 0's partner: 4g + delta
    std::uint16_t row;    // buffer index of the half's x row
};

struct Tables {
    // Group g's pair terms are items [item_begin[g], item_begin[g + 1]); a block's are
    // those of its groups.
    std::uint16_t item_begin[group_count + 1];
    PairItem items[item_count];
    // A block's four sums run in slots, longest first: slot i sums group slot_group[b][i],
    // which has slot_steps[b][i] terms. Step s of block b (block_begin[b] <= s <
    // block_begin[b + 1]) adds to each slot whose sum is that long the four doubles at
    // steps[s][i] (x) and term_row, 2 term_row further (y, z).
    std::uint16_t block_begin[block_count + 1];
    std::uint8_t slot_group[block_count][block_groups];
    std::uint8_t slot_steps[block_count][block_groups];
    std::uint16_t exact_steps[step_count][block_groups];
    std::uint16_t finite_steps[step_count][block_groups];
    // Finite layout: where the term is subtracted, lane_count (the index of a row of -1s in
    // a table of signs), else 0.
    std::uint8_t finite_signs[step_count][block_groups];
    int lane_terms;    // real (particle, neighbour) terms over all lanes: 2,072
    bool exact_reads;  // every read of the exact layout finds its term, or -0.0
    bool finite_reads; // every read of the finite layout finds its term, or a zero
};

// The replay below tracks what each cell of a term row holds: the slot whose pair term it
// has, or one of these.
constexpr int cell_zero = -1;
constexpr int cell_stale = -2;

// The writes of block b's pair terms.
constexpr void replay_writes(const Tables& t, bool finite, int b,
                             int (&cell)[half_count][term_row]) {
    for (int g = block_groups * b; g < block_groups * (b + 1); ++g) {
        const int first = lane_count * g;
        const int ring = ring_position(first);
        for (int n = t.item_begin[g]; n < t.item_begin[g + 1]; ++n) {
            const PairItem& item = t.items[n];
            int* const row = cell[item.half];
            for (int j = 0; j < lane_count; ++j) {
                const int value = (item.pair_lanes >> j) & 1 ? first + j : cell_zero;
                row[ring + j] = value;
                if (ring == 0) {
                    row[ring_copy + j] = value;
                }
                if (!finite && item.pair_lanes != 0) {
                    row[forward_position(g) + j] = value;
                }
            }
        }
    }
}

// Whether every read of block b's sums finds the term it wants.
constexpr bool replay_block_reads(const Tables& t, bool finite, int b,
                                  const int (&cell)[half_count][term_row]) {
    for (int i = 0; i < block_groups; ++i) {
        const int g = t.slot_group[b][i];
        if (g / block_groups != b || (i > 0 && t.slot_steps[b][i] > t.slot_steps[b][i - 1])) {
            return false;
        }
        int s = t.block_begin[b];
        for (const Offset& o : neighbour_offsets) {
            if (!group_has(g, o)) {
                continue;
            }
            const int at = finite ? t.finite_steps[s][i] : t.exact_steps[s][i];
            const bool subtract = finite && t.finite_signs[s][i] != 0;
            ++s;
            const int h = at / (3 * term_row);
            const Offset& half = halves.offset[h];
            const int sign = index_delta(o) > 0 ? 1 : -1;
            if (half.dx != sign * o.dx || half.dy != sign * o.dy || half.dz != sign * o.dz ||
                at % (3 * term_row) >= term_row || (finite && (sign < 0) != subtract)) {
                return false;
            }
            for (int j = 0; j < lane_count; ++j) {
                const int p = lane_count * g + j;
                const int want = !has_neighbour(p, o) ? cell_zero
                                 : sign > 0           ? p
                                                      : p + index_delta(o);
                if (cell[h][at % term_row + j] != want) {
                    return false;
                }
            }
        }
        if (s != t.block_begin[b] + t.slot_steps[b][i]) {
            return false;
        }
    }
    return true;
}

// Replays one step's writes and reads of the term rows lane by lane and checks that every
// read finds the term it wants.
constexpr bool replay_reads(const Tables& t, bool finite) {
    int cell[half_count][term_row] = {};
    for (int h = 0; h < half_count; ++h) {
        for (int pos = 0; pos < term_row; ++pos) {
            const bool zeroed = pos >= ring_front && pos < ring_slots;
            cell[h][pos] = zeroed ? cell_zero : cell_stale;
        }
    }
    // Block b + 1's writes may interleave with block b's reads in any way: each cell is
    // written at most once by them, so reads that find the same term before and after the
    // writes find it whenever they happen.
    replay_writes(t, finite, 0, cell);
    for (int b = 0; b < block_count; ++b) {
        if (!replay_block_reads(t, finite, b, cell)) {
            return false;
        }
        if (b + 1 < block_count) {
            replay_writes(t, finite, b + 1, cell);
            if (!replay_block_reads(t, finite, b, cell)) {
                return false;
            }
        }
    }
    return true;
}

constexpr Tables build_tables() {
    Tables t{};
    int n = 0;
    for (int g = 0; g < group_count; ++g) {
        t.item_begin[g] = std::uint16_t(n);
        for (int h = 0; h < half_count; ++h) {
            if (needs_item(g, h)) {
                t.items[n++] = PairItem{std::uint8_t(h), std::uint8_t(pair_lanes(g, h)),
                                        std::uint8_t(lane_count * g + halves.delta[h]),
                                        std::uint16_t(3 * term_row * h)};
            }
        }
    }
    t.item_begin[group_count] = std::uint16_t(n);

    int s = 0;
    for (int b = 0; b < block_count; ++b) {
        t.block_begin[b] = std::uint16_t(s);
        // Slots in order of decreasing length, so the sums still running at any step are
        // those in the first slots.
        for (int i = 0; i < block_groups; ++i) {
            int at = i;
            while (at > 0 &&
                   group_entries(block_groups * b + i) > group_entries(t.slot_group[b][at - 1])) {
                t.slot_group[b][at] = t.slot_group[b][at - 1];
                --at;
            }
            t.slot_group[b][at] = std::uint8_t(block_groups * b + i);
        }
        for (int i = 0; i < block_groups; ++i) {
            const int g = t.slot_group[b][i];
            t.slot_steps[b][i] = std::uint8_t(group_entries(g));
            int step = s;
            for (int k = 0; k < 26; ++k) {
                const Offset& o = neighbour_offsets[k];
                int lanes = 0;
                for (int j = 0; j < lane_count; ++j) {
                    lanes += has_neighbour(lane_count * g + j, o);
                }
                if (lanes == 0) {
                    continue;
                }
                const int h = halves.of_neighbour[k];
                const int row = 3 * term_row * h;
                const bool forward = index_delta(o) > 0;
                const int behind = ring_position(lane_count * g - halves.delta[h]);
                t.exact_steps[step][i] =
                    std::uint16_t(row + (forward ? forward_position(g) : behind));
                t.finite_steps[step][i] =
                    std::uint16_t(row + (forward ? ring_position(lane_count * g) : behind));
                t.finite_signs[step][i] = std::uint8_t(forward ? 0 : lane_count);
                ++step;
                t.lane_terms += lanes;
            }
        }
        s += t.slot_steps[b][0];
    }
    t.block_begin[block_count] = std::uint16_t(s);
    t.exact_reads = replay_reads(t, false);
    t.finite_reads = replay_reads(t, true);
    return t;
}

constexpr Tables tables = build_tables();

static_assert(tables.lane_terms == 2072, "every particle sums each lattice neighbour once");
static_assert(tables.exact_reads, "every read finds its term, or -0.0 where there is none");
static_assert(tables.finite_reads, "every read finds its term, or a zero where there is none");
static_assert(term_count < 65536, "buffer indices fit in 16 bits");

// Copies particles [from, 125) into component arrays indexed by slot. The ghost slots get
// distinct finite positions, so the terms computed for them (and then dropped) stay finite.
inline void copy_particles(const Particle* lattice, int from, float (&pos)[3][position_row],
                           float (&vel)[3][slot_count]) {
    for (int p = from; p < lattice_particle_count; ++p) {
        pos[0][p] = lattice[p].position.x;
        pos[1][p] = lattice[p].position.y;
        pos[2][p] = lattice[p].position.z;
        vel[0][p] = lattice[p].velocity.x;
        vel[1][p] = lattice[p].velocity.y;
        vel[2][p] = lattice[p].velocity.z;
    }
    for (int p = lattice_particle_count; p < position_row; ++p) {
        pos[0][p] = float(p);
        pos[1][p] = 0.0f;
        pos[2][p] = 0.0f;
    }
    for (int p = lattice_particle_count; p < slot_count; ++p) {
        vel[0][p] = vel[1][p] = vel[2][p] = 0.0f;
    }
}

// Signed zeros. Adding a zero to a float sum leaves it alone unless the sum is itself zero,
// and then at most flips that zero's sign; adding anything else gives the same value
// whatever the sign of a zero sum. So a sum that adds zeros of the other sign, or extra
// zeros, ends with the reference's value, the sign of a zero result apart. And that sign
// never reaches the particle: a.y has 1 subtracted; a.x (likewise z) = 4000 F + lift.x is a
// zero only when lift.x is a zero too, and then a - damping keeps a zero's sign only when the
// damping is +0.0, that is when v is +0.0 or too small for 0.2 v, and then v + a dt comes
// out the same whatever that sign. The finite layout relies on this.

// The ring just before slot 0 holds -0.0 before the first group writes: lanes reading there
// have no neighbour there.
inline void prepare_terms(double* terms) {
    for (int row = 0; row < half_count * 3; ++row) {
        for (int j = 0; j < lane_count; ++j) {
            terms[row * term_row + ring_front + j] = -0.0;
        }
    }
}

// The three pair constants R, the eighth power of each class's rest distance, formed in
// double from the spacing and rounded to float, then given per half offset.
inline void half_pair_constants(float spacing, double r[half_count]) {
    const double m = spacing;
    const double m8 = m * m * m * m * m * m * m * m;
    const float by_class[3] = {float(m8), float(m8 * 2.0 * 2.0 * 2.0 * 2.0),
                               float(m8 * 3.0 * 3.0 * 3.0 * 3.0)};
    for (int h = 0; h < half_count; ++h) {
        r[h] = by_class[halves.pair_class[h]];
    }
}

constexpr double force_scale = 4000.0;
constexpr double gravity = 1.0;      // subtracted from the acceleration's y (units/s^2)
constexpr double damping_rate = 0.2; // times the particle's own velocity

// The code paths. Each computes exactly what the term-by-term step computes.
void step_portable(JellyBody& body, float dt);
#if defined(__x86_64__)
void step_avx2(JellyBody& body, float dt);
#endif

} // namespace step_lanes
