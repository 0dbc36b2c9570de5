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
    constexpr int delta() const { return lattice_index(dx, dy, dz); }
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
// Group g writes all its halves while the block before it is summed (block_groups groups to
// a block). A block reads from 31 slots before its first to its last, and the next block
// writes the 16 slots after that: 63 in all, so no cell is overwritten before it is read, and
// no cell read is written meanwhile. The four cells before slot 0 start as zeros, and so do
// those of a last, unwritten half: the zero cell.
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
    Offset half[half_count];                     // the pair (p, p + half[h].delta())
    int half_class[half_count];                  // 0 axis, 1 face diagonal, 2 body diagonal
    int half_of[26];                             // the half each neighbour offset is, or is minus
    std::uint8_t pair_lanes[groups][half_count]; // lane_bits of each group and half
    // Block b sums its four groups side by side for block_steps[b] steps, as many as the
    // longest of them needs. At step s group g adds the four x terms at cell[g][s] (y and z
    // one and two rows on), or subtracts them where minus[g][s]. Once a group has summed each
    // neighbour offset of its lanes, it reads the zero cell.
    std::uint8_t block_steps[blocks];
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
            t.half[count] = up;
            t.half_class[count++] = k < 6 ? 0 : k < 18 ? 1 : 2;
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
        std::uint8_t& steps = t.block_steps[g / block_groups];
        steps = std::uint8_t(s > steps ? s : steps);
        for (; s < 26; ++s) {
            t.cell[g][s] = zero_cell;
        }
    }
    for (int bit = 0; bit < 16 * lanes; ++bit) { // bit j of pattern i, for lane j of mask i
        t.lane_mask[bit / lanes][bit % lanes] = (bit / lanes >> bit % lanes) & 1 ? ~0ull : 0;
    }
    return t;
}

constexpr Tables tables = build_tables();

// Replays one step's writes and reads of the term rows lane by lane, block b + 1's writes
// both after and before block b's reads, and checks that every read finds what its lane
// needs: its own pair's term (subtracted where the lane trails the pair), or a zero where it
// has no neighbour at that offset. A cell holds 16 times the leading slot of its term's pair
// plus the half, or -1 for a zero.
constexpr bool every_read_finds_its_term() {
    int cell[half_count + 1][row] = {};
    for (auto& cells : cell) {
        for (int c = 0; c < row; ++c) {
            cells[c] = c >= ring - lanes && c < ring ? -1 : -2;
        }
    }
    auto write = [&cell](int g) {
        for (int h = 0; h < half_count; ++h) {
            for (int j = 0, c = ring_cell(lanes * g); j < lanes; ++j, ++c) {
                const int term = (tables.pair_lanes[g][h] >> j) & 1 ? 16 * (lanes * g + j) + h : -1;
                cell[h][c] = cell[h][c < lanes ? c + ring : c] = term;
            }
        }
    };
    auto reads_right = [&cell](int b) {
        bool right = true;
        for (int g = block_groups * b; g < block_groups * (b + 1); ++g) {
            for (int s = 0, k = 0; s < tables.block_steps[b]; ++s, ++k) {
                while (k < 26 && lane_bits(g, neighbour_offsets[k]) == 0) {
                    ++k;
                }
                for (int j = 0; j < lanes; ++j) {
                    const int p = lanes * g + j;
                    const int delta = k < 26 ? neighbour_offsets[k].delta() : 0;
                    const bool real = k < 26 && has_neighbour(p, neighbour_offsets[k]);
                    const int want =
                        real ? 16 * (delta > 0 ? p : p + delta) + tables.half_of[k] : -1;
                    const int at = tables.cell[g][s];
                    right = right && cell[at / (3 * row)][at % row + j] == want &&
                            (!real || tables.minus[g][s] == (delta < 0));
                }
            }
        }
        return right;
    };
    bool right = true;
    for (int g = 0; g < block_groups; ++g) {
        write(g);
    }
    for (int b = 0; b < blocks; ++b) {
        right = right && reads_right(b);
        for (int g = block_groups * (b + 1); g < block_groups * (b + 2) && g < groups; ++g) {
            write(g);
        }
        right = right && reads_right(b);
    }
    return right;
}
static_assert(every_read_finds_its_term(), "every lane reads its own term, or a zero");
static_assert(term_count < 65536, "term cells fit in 16 bits");

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

#if defined(JELLY_LANES_X86) || defined(JELLY_LANES_NEON) || defined(JELLY_LANES_WASM)
#include <cstring>

namespace lattice {
// Four floats for the vector backends: the compilers' vector operators are the IEEE float
// operations lane by lane, one instruction on each of these targets.
struct Floats {
    using V = float __attribute__((vector_size(16)));
    V v;
    static Floats load(const float* p) {
        Floats a;
        std::memcpy(&a.v, p, sizeof a.v);
        return a;
    }
    static Floats splat(float x) { return {V{x, x, x, x}}; }
    void store(float* p) const { std::memcpy(p, &v, sizeof v); }
    Floats operator+(Floats b) const { return {v + b.v}; }
    Floats operator-(Floats b) const { return {v - b.v}; }
};
} // namespace lattice
#endif

namespace lattice {
using Step = void (*)(JellyBody& body, float dt);
// The backends, each defined in its step_*.cpp: null where this build does not compile it.
extern const Step step_scalar, step_sse2, step_avx2, step_neon, step_wasm_simd128;
} // namespace lattice
