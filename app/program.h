// The GLUT program's state: one record, the only global, because GLUT's callbacks take no
// context. Only the start-up and the callbacks reach it; everything below takes what it
// works on as an argument.
#pragma once

#include "app/scene_state.h"
#include "render/gl1/scene_renderer.h"

#include <cstdint>

// A display function with its own context, standing in for the program's frame: tools that
// script the clock or capture frames keep their state behind `context`.
struct DisplayHook {
    void (*display)(void* context) = nullptr; // null: the program's frame on the wall clock
    void* context = nullptr;
};

struct Program {
    SceneState scene;
    Gl1Renderer renderer;
    DisplayHook display_hook;
};

extern Program program;

// One frame of the program at counter reading `now`: the frame driver drawing through the
// GL 1.1 renderer, then `before_swap` (when given) and the swap.
void run_program_frame(int64_t now, void (*before_swap)(void* context) = nullptr,
                       void* context = nullptr);

// The same frame drawn into whatever framebuffer is bound, and not shown: no swap.
void draw_program_frame(int64_t now);
