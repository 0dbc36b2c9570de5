// The one instance of the program's state, and its frame.
#include "app/program.h"

#include "app/frame_driver.h"

#include <GL/glut.h>

Program program;

namespace {

struct SwapHook {
    void (*before_swap)(void* context);
    void* context;
    bool swap; // false: the frame is drawn and not shown
};

void setup_camera(void*, const SceneState& state) {
    program.renderer.setup_camera(frame_view(state));
}

void draw_and_swap(void* hook, const SceneState& state) {
    program.renderer.draw_passes(frame_view(state));
    const SwapHook& swap = *static_cast<const SwapHook*>(hook);
    if (swap.before_swap) {
        swap.before_swap(swap.context);
    }
    if (swap.swap) {
        glutSwapBuffers();
    }
}

void program_frame(int64_t now, SwapHook swap) {
    FrameDrawing drawing;
    drawing.context = &swap;
    drawing.setup_camera = setup_camera;
    drawing.draw_scene = draw_and_swap;
    run_frame(program.scene, now, drawing);
}

} // namespace

void run_program_frame(int64_t now, void (*before_swap)(void* context), void* context) {
    program_frame(now, SwapHook{before_swap, context, true});
}

void draw_program_frame(int64_t now) {
    program_frame(now, SwapHook{nullptr, nullptr, false});
}
