// Which backend JellyBody::step runs. Every backend gives the same bits; they differ only in
// speed. By default the fastest one this build and this CPU can run is used. Choosing is
// not synchronised: set a backend before other threads step.
#pragma once

enum class StepPath {
    automatic,    // the fastest available
    scalar,       // plain C++, any target
    sse2,         // x86-64
    avx2,         // x86-64 with AVX2, chosen at run time
    neon,         // aarch64
    wasm_simd128, // WebAssembly built with SIMD128
};

// Every backend, for tests and benchmarks that try each in turn.
constexpr StepPath step_backends[] = {StepPath::scalar, StepPath::sse2, StepPath::avx2,
                                      StepPath::neon, StepPath::wasm_simd128};

// Makes JellyBody::step use `path` from now on. Returns false, and changes nothing, where
// this build or this CPU cannot run it; automatic and scalar it always can.
bool set_step_path(StepPath path);
// The path JellyBody::step runs now (never automatic).
StepPath active_step_path();
// "scalar", "sse2", "avx2", "neon", "wasm_simd128" or "automatic".
const char* step_path_name(StepPath path);
