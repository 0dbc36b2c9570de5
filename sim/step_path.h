// Which backend JellyBody::step runs. Every backend gives the same bits; they differ only in
// speed. Choosing is not synchronised: set a backend before other threads step.
#pragma once

enum class StepPath {
    automatic,    // the fastest available
    scalar,       // plain C++, any target
    sse2,         // x86-64
    avx2,         // x86-64 with AVX2, chosen at run time
    neon,         // aarch64
    wasm_simd128, // WebAssembly built with SIMD128
};

// Every backend, fastest first as make bench measures them: automatic is the first one that
// this build and this CPU can run, scalar at worst. Tests and benchmarks try each in turn.
constexpr StepPath step_backends[] = {StepPath::avx2, StepPath::sse2, StepPath::neon,
                                      StepPath::wasm_simd128, StepPath::scalar};

// Makes JellyBody::step use `path` from now on. Returns false, and changes nothing, where
// this build or this CPU cannot run it; automatic and scalar it always can.
bool set_step_path(StepPath path);
// The path JellyBody::step runs now (never automatic).
StepPath active_step_path();
// "scalar", "sse2", "avx2", "neon", "wasm_simd128" or "automatic".
const char* step_path_name(StepPath path);
