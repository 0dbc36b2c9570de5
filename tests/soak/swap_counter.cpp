// A preloaded library for the soak run: counts the frames a GLX program shows, from outside
// the program. It wraps glXSwapBuffers and keeps the running count, as decimal text, at the
// start of the file named by $JELLY_SWAP_COUNT_FILE.
// Usage: LD_PRELOAD=libswap_counter.so JELLY_SWAP_COUNT_FILE=FILE program
#include <GL/glx.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

using SwapFunction = void (*)(Display*, GLXDrawable);

int count_file() {
    static const int fd = [] {
        const char* name = std::getenv("JELLY_SWAP_COUNT_FILE");
        return name != nullptr ? open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644) : -1;
    }();
    return fd;
}

} // namespace

extern "C" void glXSwapBuffers(Display* display, GLXDrawable drawable) {
    static const SwapFunction real =
        reinterpret_cast<SwapFunction>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
    static unsigned long long swaps = 0;
    real(display, drawable);
    ++swaps;
    const int fd = count_file();
    if (fd >= 0) {
        // Fixed width, so each write covers the last one whole.
        char text[24];
        const int length = std::snprintf(text, sizeof text, "%20llu\n", swaps);
        const ssize_t written = pwrite(fd, text, size_t(length), 0);
        (void)written; // nothing to be done about a failed write from inside a swap
    }
}
