// The lane layout of the lattice step: particles four to a vector, each neighbour pair's
// term formed once, and the ring cell where that term waits until both particles of the
// pair have summed it. All of it follows from the lattice shape and is built at compile time.
#pragma once

#include "sim/jelly_body.h"

// Also what lattice_kernel.h needs: it is included inside a target region, where no header is.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

namespace lattice {

// Slot 4g + j is lane j of group g and holds particle 4g + j; slots 125..127 are ghosts
// whose results are never stored.
constexpr int lanes = 4;
constexpr int groups = 32;
constexpr int slots = lanes * groups;
// Position rows run past the last slot by the largest index delta (31), so a group's
// neighbour loads need no bounds test.
constexpr int position_row = slots + 32;

struct Offset {
    int dx, dy, dz;
    constexpr int delta() const { return lattice_index(dx, dy, dz); }
    constexpr int squared_length() const { return dx * dx + dy * dy + dz * dz; }
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

// Whether slot p is a particle with a lattice neighbour at offset o.
constexpr bool has_neighbour(int p, const Offset& o) {
    const int ix = p % lattice_side + o.dx;
    const int iy = p / lattice_side % lattice_side + o.dy;
    const int iz = p / (lattice_side * lattice_side) + o.dz;
    return p < lattice_particle_count && ix >= 0 && ix < lattice_side && iy >= 0 &&
           iy < lattice_side && iz >= 0 && iz < lattice_side;
}

// A pair (p, q = p + delta) is formed once, by p, along the one of its two offsets whose
// index delta is positive: 13 halves. p adds the term c d it formed with d = p - q; q
// subtracts it, which differs from q's own term only in the sign of a zero or in which NaN
// comes out (see "Signed zeros" in lattice_kernel.h).
constexpr int half_count = 13;

// Terms wait in rows, one per half and component (row 3h + c): a ring indexed by slot mod 64,
// then a copy of the ring's first four cells so that a four-lane read may run past its end.
// The four cells before slot 0 start as zeros. Why 64 cells suffice: run_blocks.
constexpr int ring = 64;
constexpr int row = ring + lanes;
constexpr int term_count = half_count * 3 * row;
constexpr int block_groups = 4; // groups summed side by side
constexpr int blocks = groups / block_groups;

constexpr int ring_cell(int slot) {
    return (slot + ring) % ring;
}

struct Tables {
    Offset half[half_count];                     // the pair (p, p + half[h].delta())
    int half_of[26];                             // the half each neighbour offset is, or is minus
    std::uint8_t pair_lanes[groups][half_count]; // lane_bits of each group and half
    // Group g sums group_steps[g] terms, one per neighbour offset that any of its lanes has:
    // at step s it adds the four x terms at cell[g][s] (y and z one and two rows on), or
    // subtracts them where minus[g][s]. Block b sums its groups side by side, in order[b],
    // most steps first, each for as many steps as it has.
    std::uint8_t group_steps[groups];
    std::uint8_t order[blocks][block_groups];
    std::uint16_t cell[groups][26];
    bool minus[groups][26];
    // All ones in lane j where bit j of the pattern is set.
    alignas(32) std::uint64_t lane_mask[16][lanes];
};

// Bit j: slot 4g + j has a lattice neighbour at offset o.
constexpr int lane_bits(int g, const Offset& o) {
    int bits = 0;
    for (int j = 0; j < lanes; ++j) {
        bits |= int(has_neighbour(lanes * g + j, o)) << j;
    }
    return bits;
}

constexpr Tables build_tables() {
    Tables t{};
    int count = 0;
    for (int k = 0; k < 26; ++k) {
        const Offset& o = neighbour_offsets[k];
        const Offset up = o.delta() > 0 ? o : Offset{-o.dx, -o.dy, -o.dz};
        int h = 0;
        while (h < count && t.half[h].delta() != up.delta()) {
            ++h;
        }
        if (h == count) {
            t.half[count++] = up;
        }
        t.half_of[k] = h;
    }
    for (int g = 0; g < groups; ++g) {
        for (int h = 0; h < half_count; ++h) {
            t.pair_lanes[g][h] = std::uint8_t(lane_bits(g, t.half[h]));
        }
        int s = 0;
        for (int k = 0; k < 26; ++k) {
            const int delta = neighbour_offsets[k].delta();
            if (lane_bits(g, neighbour_offsets[k]) != 0) {
                const int leader = lanes * g + (delta > 0 ? 0 : delta);
                t.cell[g][s] = std::uint16_t(3 * row * t.half_of[k] + ring_cell(leader));
                t.minus[g][s++] = delta < 0;
            }
        }
        t.group_steps[g] = std::uint8_t(s);
        // Insertion into the block's order, most steps first.
        std::uint8_t* const order = t.order[g / block_groups];
        int i = g % block_groups;
        for (; i > 0 && t.group_steps[order[i - 1]] < s; --i) {
            order[i] = order[i - 1];
        }
        order[i] = std::uint8_t(g);
    }
    for (int bit = 0; bit < 16 * lanes; ++bit) { // bit j of pattern i, for lane j of mask i
        t.lane_mask[bit / lanes][bit % lanes] = (bit / lanes >> bit % lanes) & 1 ? ~0ull : 0;
    }
    return t;
}

constexpr Tables tables = build_tables();

static_assert(term_count < 65536, "term cells fit in 16 bits");

} // namespace lattice
