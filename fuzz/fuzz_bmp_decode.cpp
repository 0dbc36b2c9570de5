// libFuzzer target for the BMP decoder: any bytes must keep every promise of bmp_promises.h.
#include "fuzz/bmp_promises.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// A header can claim up to 768 MiB of pixels, which the stream path allocates before it
// finds the input short. The cap makes such an allocation fail quickly, so the decoder's
// answer to a failed allocation is fuzzed too, and runs stay fast.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string problem = bmp_broken_promise(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "BMP decoder broke a promise on %zu bytes: %s\n", size,
                     problem.c_str());
        std::abort();
    }
    return 0;
}
