// Which code path JellyBody::step runs. Every path gives the same bits; they differ only in
// speed. By default the fastest one this CPU supports runs. Choosing is not synchronised:
// set a path before other threads step.
#pragma once

enum class StepPath {
    automatic, // the fastest available: avx2 where the CPU has it, else portable
    portable,  // plain C++, any CPU
    avx2,      // x86-64 with AVX2 and FMA
};

// Whether this build and this CPU can run `path`. automatic and portable always can.
bool step_path_available(StepPath path);
// Makes JellyBody::step use `path` from now on. Returns false, and changes nothing, when the
// path is not available.
bool set_step_path(StepPath path);
// The path JellyBody::step runs now (never automatic).
StepPath active_step_path();
