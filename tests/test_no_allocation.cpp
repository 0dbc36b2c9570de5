// No allocation per frame: once the first frame has run, the scene's advance and the GL 1.1
// renderer's draw (drawn into the GL stand-in) allocate nothing. This binary
// replaces the global operator new to count every allocation made in it.
#include "render/gl1/scene_renderer.h"
#include "scene/scene.h"
#include "tests/gl_recorder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#if defined(_WIN32)
#include <malloc.h>
#endif

namespace {
long allocations = 0; // the test runs on one thread

// Windows' C library has no aligned_alloc; its aligned blocks are freed with _aligned_free.
#if defined(_WIN32)
void* aligned_block(std::size_t align, std::size_t size) {
    return _aligned_malloc(size, align);
}
void free_aligned_block(void* p) {
    _aligned_free(p);
}
#else
void* aligned_block(std::size_t align, std::size_t size) {
    return std::aligned_alloc(align, size);
}
void free_aligned_block(void* p) {
    std::free(p);
}
#endif
} // namespace

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new(std::size_t size, std::align_val_t align) {
    ++allocations;
    const std::size_t a = std::size_t(align);
    if (void* p = aligned_block(a, (size + a - 1) / a * a + (size == 0 ? a : 0))) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    free_aligned_block(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    free_aligned_block(p);
}

namespace {

constexpr int64_t frequency = 1000; // counter ticks per second
constexpr int frames = 60;          // at 10 per second: the fall, a bounce, the lift from 3 s
Scene state;
Gl1Renderer renderer;

// As the GLUT program's frame: advance, draw (into the GL stand-in).
void frame(int64_t now) {
    state.advance(now);
    renderer.draw(frame_view(state));
}

TEST(NoAllocation, FramesAfterTheFirstAllocateNothing) {
    state.start(0, frequency);
    renderer.resize(700, 700);
    frame(frequency / 10); // the first frame may set things up
    const std::size_t frame_vertices = take_gl_recording().vertices.size();

    const long at_reserve = allocations;
    reserve_gl_recording(frames * frame_vertices);
    ASSERT_GE(allocations - at_reserve, 2) << "the counting operator new is not in use";
    const long before = allocations;
    for (int k = 2; k <= frames + 1; ++k) {
        frame(k * frequency / 10);
    }
    const long counted = allocations - before;
    const std::size_t sent = take_gl_recording().vertices.size();

    EXPECT_EQ(counted, 0) << "allocations in " << frames << " frames";
    EXPECT_EQ(sent, frames * frame_vertices)
        << "vertices sent, " << frame_vertices << " in the first frame";
    EXPECT_EQ(state.time, 6.1) << "scene time after the frames";
}

} // namespace
