// The lattice step's backends: which instruction sets this build compiles a step for, and
// the step each step_*.cpp defines. jelly_step.cpp chooses among them.
#pragma once

#include "sim/jelly_body.h"

#if defined(JELLY_NO_SIMD) // scalar only
#elif defined(__x86_64__)
#define JELLY_LANES_X86 1 // SSE2, the x86-64 baseline, and AVX2 chosen at run time
#elif defined(__aarch64__) && defined(__ARM_NEON)
#define JELLY_LANES_NEON 1
#elif defined(__wasm_simd128__)
#define JELLY_LANES_WASM 1
#endif

namespace lattice {

using Step = void (*)(JellyBody& body, float dt);
// Null where this build does not compile it; scalar it always does.
extern const Step step_scalar, step_avx2, step_simd128;

// An instruction set's AND that zeroes lanes, where the integer one serves (x86 has its own
// of doubles, which the multiplies after it take faster).
struct IntegerAnd {
    template <class V> static V and_mask(V x, V mask) { // on integers as wide as the lanes
        return V(decltype(x < x)(x) & decltype(x < x)(mask));
    }
};

} // namespace lattice
