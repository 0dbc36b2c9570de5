// The lane layout of the lattice step: particles four to a vector, each neighbour pair's
// term formed once, and where that term waits until both particles of the pair have summed
// it. All of it follows from the lattice shape and is built and checked at compile time.
#pragma once

#include "sim/jelly_body.h"

#include <cstdint>

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

constexpr int index_delta(const Offset& o) {
    return lattice_index(o.dx, o.dy, o.dz);
}

// Whether slot p is a particle with a lattice neighbour at offset o.
constexpr bool has_neighbour(int p, const Offset& o) {
    const int ix = p % lattice_side + o.dx;
    const int iy = p / lattice_side % lattice_side + o.dy;
    const int iz = p / (lattice_side * lattice_side) + o.dz;
    return p < lattice_particle_count && ix >= 0 && ix < lattice_side && iy >= 0 &&
           iy < lattice_side && iz >= 0 && iz < lattice_side;
}

// A pair (p, p + delta) is formed once, by p, along the one of its two offsets whose index
// delta is positive: 13 halves. p adds the term c d it formed with d = p - q; q subtracts
// it. Adding q's own term instead would differ only in the sign of a zero term, or in which
// NaN comes out; see "Signed zeros" in lattice_kernel.h.
constexpr int half_count = 13;

// Terms wait in rows, one per half and component (row 3h + c): a ring indexed by slot mod 64,
// then a copy of the ring's first four cells so that a four-lane read may run past its end.
// Group g writes all its halves, lanes without a pair as +0.0, while the block before it is
// summed (block_groups groups to a block). A block reads from 31 slots before its first to its
// last, and the next block writes the 16 slots after that: 63 in all, so no cell is
// overwritten before it is read, and no cell read is written meanwhile. The four cells before
// slot 0 start as zeros, and so do those of a last, unwritten half: the zero cell.
constexpr int ring = 64;
constexpr int row = ring + lanes;
constexpr int term_count = (half_count + 1) * 3 * row;
constexpr int zero_cell = half_count * 3 * row + ring - lanes;
constexpr int block_groups = 4;
constexpr int blocks = groups / block_groups;

constexpr int ring_cell(int slot) {
    return (slot + ring) % ring;
}

struct Tables {
    Offset half[half_count];
    int half_delta[half_count]; // the pair (p, p + delta)
    int half_class[half_count]; // 0 axis, 1 face diagonal, 2 body diagonal
    // Bit j: slot 4g + j has a neighbour at half h.
    std::uint8_t pair_lanes[groups][half_count];
    // Block b sums its four groups side by side for block_steps[b] steps, as many as the
    // longest of them needs. At step s group 4b + i adds the four x terms at cell[b][i][s]
    // (y and z one and two rows on), or subtracts them where minus[b][i][s]. Once a group has
    // summed each neighbour offset of its lanes, it reads the zero cell.
    std::uint8_t block_steps[blocks];
    std::uint16_t cell[blocks][block_groups][26];
    bool minus[blocks][block_groups][26];
};

constexpr bool group_has(int g, const Offset& o) {
    bool any = false;
    for (int j = 0; j < lanes; ++j) {
        any = any || has_neighbour(lanes * g + j, o);
    }
    return any;
}

constexpr Tables build_tables() {
    Tables t{};
    int count = 0;
    int half_of[26] = {};
    for (int k = 0; k < 26; ++k) {
        const Offset& o = neighbour_offsets[k];
        const Offset lead = index_delta(o) > 0 ? o : Offset{-o.dx, -o.dy, -o.dz};
        int h = 0;
        while (h < count && t.half_delta[h] != index_delta(lead)) {
            ++h;
        }
        if (h == count) {
            t.half[count] = lead;
            t.half_delta[count] = index_delta(lead);
            t.half_class[count++] = k < 6 ? 0 : k < 18 ? 1 : 2;
        }
        half_of[k] = h;
    }
    for (int g = 0; g < groups; ++g) {
        for (int h = 0; h < half_count; ++h) {
            for (int j = 0; j < lanes; ++j) {
                t.pair_lanes[g][h] |= std::uint8_t(has_neighbour(lanes * g + j, t.half[h]) << j);
            }
        }
        const int b = g / block_groups;
        const int i = g % block_groups;
        int s = 0;
        for (int k = 0; k < 26; ++k) {
            const Offset& o = neighbour_offsets[k];
            if (group_has(g, o)) {
                const int leader = lanes * g + (index_delta(o) > 0 ? 0 : index_delta(o));
                t.cell[b][i][s] = std::uint16_t(3 * row * half_of[k] + ring_cell(leader));
                t.minus[b][i][s++] = index_delta(o) < 0;
            }
        }
        t.block_steps[b] = std::uint8_t(s > t.block_steps[b] ? s : t.block_steps[b]);
        for (; s < 26; ++s) {
            t.cell[b][i][s] = zero_cell;
        }
    }
    return t;
}

constexpr Tables tables = build_tables();

// Replays one step's writes and reads of the term rows lane by lane and counts the reads that
// find what their lane needs: the term of its own pair, subtracted where the lane trails the
// pair, or a zero where the lane has no neighbour at that offset. Block b + 1's writes may
// come before or after any read of block b, so the reads are checked both ways. Cells hold
// the leading slot of the pair whose term they have, or one of these.
constexpr int cell_zero = -1;
constexpr int cell_unset = -2;

constexpr void replay_writes(int b, int (&cell)[half_count + 1][row]) {
    for (int g = block_groups * b; g < block_groups * (b + 1); ++g) {
        for (int h = 0; h < half_count; ++h) {
            for (int j = 0; j < lanes; ++j) {
                const int held = (tables.pair_lanes[g][h] >> j) & 1 ? lanes * g + j : cell_zero;
                cell[h][ring_cell(lanes * g) + j] = held;
                if (ring_cell(lanes * g) == 0) {
                    cell[h][ring + j] = held;
                }
            }
        }
    }
}

constexpr int replay_reads(int b, const int (&cell)[half_count + 1][row]) {
    int good = 0;
    for (int i = 0; i < block_groups; ++i) {
        const int first = lanes * (block_groups * b + i);
        int s = 0;
        for (const Offset& o : neighbour_offsets) {
            if (!group_has(block_groups * b + i, o)) {
                continue;
            }
            const int at = tables.cell[b][i][s];
            const int delta = index_delta(o);
            const Offset& half = tables.half[at / (3 * row) % half_count];
            const bool right_half = index_delta(half) == (delta > 0 ? delta : -delta);
            const bool right_sign = tables.minus[b][i][s++] == (delta < 0);
            for (int j = 0; j < lanes; ++j) {
                const int p = first + j;
                const int want = !has_neighbour(p, o) ? cell_zero : delta > 0 ? p : p + delta;
                good += right_half && right_sign && cell[at / (3 * row)][at % row + j] == want;
            }
        }
        for (; s < tables.block_steps[b]; ++s) {
            for (int j = 0; j < lanes; ++j) {
                const int at = tables.cell[b][i][s];
                good += cell[at / (3 * row)][at % row + j] == cell_zero;
            }
        }
    }
    return good;
}

constexpr bool every_read_finds_its_term() {
    int cell[half_count + 1][row] = {};
    for (auto& half_row : cell) {
        for (int c = 0; c < row; ++c) {
            half_row[c] = c >= ring - lanes && c < ring ? cell_zero : cell_unset;
        }
    }
    replay_writes(0, cell);
    for (int b = 0; b < blocks; ++b) {
        const int reads = lanes * block_groups * tables.block_steps[b];
        if (replay_reads(b, cell) != reads) {
            return false;
        }
        if (b + 1 < blocks) {
            replay_writes(b + 1, cell);
            if (replay_reads(b, cell) != reads) {
                return false;
            }
        }
    }
    return true;
}
static_assert(every_read_finds_its_term(), "every lane reads its own term, or a zero");

// Each particle's real terms, over the groups' steps: 2,072, one per lattice neighbour.
constexpr int real_terms() {
    int n = 0;
    for (int g = 0; g < groups; ++g) {
        for (const Offset& o : neighbour_offsets) {
            for (int j = 0; j < lanes; ++j) {
                n += group_has(g, o) && has_neighbour(lanes * g + j, o);
            }
        }
    }
    return n;
}
static_assert(real_terms() == 2072, "every particle sums each lattice neighbour once");
static_assert(term_count < 65536, "term cells fit in 16 bits");

// All ones in lane j where bit j of the pattern is set.
struct LaneMasks {
    alignas(32) std::uint64_t bits[16][lanes];
};
constexpr LaneMasks build_lane_masks() {
    LaneMasks m{};
    for (int pattern = 0; pattern < 16; ++pattern) {
        for (int j = 0; j < lanes; ++j) {
            m.bits[pattern][j] = (pattern >> j) & 1 ? ~std::uint64_t(0) : 0;
        }
    }
    return m;
}
constexpr LaneMasks lane_masks = build_lane_masks();

} // namespace lattice

// The backends this build compiles besides the scalar one; a build with JELLY_NO_SIMD has
// the scalar one only.
#if !defined(JELLY_NO_SIMD) && defined(__x86_64__)
#define JELLY_LANES_X86 1 // SSE2, the x86-64 baseline, and AVX2 chosen at run time
#endif
#if !defined(JELLY_NO_SIMD) && defined(__aarch64__) && defined(__ARM_NEON)
#define JELLY_LANES_NEON 1
#endif
#if !defined(JELLY_NO_SIMD) && defined(__wasm_simd128__)
#define JELLY_LANES_WASM 1
#endif

namespace lattice {
void step_scalar(JellyBody& body, float dt);
void step_sse2(JellyBody& body, float dt);
void step_avx2(JellyBody& body, float dt); // only where the CPU has AVX2
void step_neon(JellyBody& body, float dt);
void step_wasm_simd128(JellyBody& body, float dt);
} // namespace lattice
