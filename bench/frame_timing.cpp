// jellycube-frame-timing: where a frame's time goes in the program's own window. Needs an X
// display (Xvfb serves) and cub.bmp and floor.bmp in the working directory.
//
// It opens the window as the program does (700 x 700, RGBA, double-buffered, with depth),
// starts the scene as the program does, on a 60 fps scripted clock, and drives frames through
// GLUT's main loop, one display callback a frame, in blocks that take turns so that a busy
// machine weighs on every mode alike:
//   clear + swap: glClear and glutSwapBuffers only, the cheapest frame the window can show;
//   full frame:   advance, draw, swap, as the program's on_display;
//   split:        the same, each part closed by glFinish and timed on its own.
// Every block continues the same scene, so both full-frame modes see the same motion.
#include "render/gl1/scene_start.h"
#include "support/whole_number.h"

#include <GL/glut.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int64_t counter_frequency = 1000000; // ticks per second of the scripted clock
constexpr int64_t frames_per_second = 60;      // of the scripted clock
constexpr int warm_up_frames = 30;             // per mode, untimed: llvmpipe compiles shaders

enum Mode { clear_swap, full_frame, split, mode_count };
constexpr const char* mode_names[mode_count] = {"clear + swap", "full frame (as the program)",
                                                "full frame, each part + glFinish"};

// The parts of a split frame, each in seconds summed over the timed frames.
enum Part { steps, drawing, swapping, part_count };

struct Timing {
    int frames_per_mode = 600;
    int block = 100;         // frames of one mode before the next takes its turn
    int64_t scene_frame = 0; // frames the scene has advanced, for the scripted clock
    int mode = clear_swap;
    int in_block = 0;  // frames done in the current block, a warm-up block until warm
    bool warm = false; // the warm-up block of every mode is done
    int done[mode_count] = {};
    double seconds[mode_count] = {}; // wall time of the timed blocks
    double part_seconds[part_count] = {};
    Clock::time_point block_start;
    Clock::time_point part_start;
};

// The tool's state: GLUT's callbacks take no context.
Timing timing;
Scene scene;
Gl1Renderer renderer;

double seconds_since(Clock::time_point& start) {
    const Clock::time_point now = Clock::now();
    const double seconds = std::chrono::duration<double>(now - start).count();
    start = now;
    return seconds;
}

void add_part(Timing& timing, Part part) {
    const double seconds = seconds_since(timing.part_start);
    if (timing.warm) {
        timing.part_seconds[part] += seconds;
    }
}

int64_t next_reading(Timing& timing) {
    ++timing.scene_frame;
    return timing.scene_frame * counter_frequency / frames_per_second;
}

void print_report(const Timing& timing) {
    std::printf("Window %d x %d, %d frames per mode in blocks of %d, scene on a %lld fps "
                "scripted clock.\n\n",
                renderer.state.width, renderer.state.height, timing.frames_per_mode, timing.block,
                static_cast<long long>(frames_per_second));
    std::printf("| mode | frames/s | ms per frame |\n|---|---:|---:|\n");
    for (int m = 0; m < mode_count; ++m) {
        const double ms = 1000.0 * timing.seconds[m] / timing.done[m];
        std::printf("| %s | %.1f | %.2f |\n", mode_names[m], 1000.0 / ms, ms);
    }
    const double frame_ms = 1000.0 * timing.seconds[split] / timing.done[split];
    const char* part_names[part_count] = {"100 steps", "drawing (draw + glFinish)",
                                          "swap (glutSwapBuffers + glFinish)"};
    std::printf("\n| part of a split frame | mean ms | share |\n|---|---:|---:|\n");
    double parts_ms = 0.0;
    for (int p = 0; p < part_count; ++p) {
        const double ms = 1000.0 * timing.part_seconds[p] / timing.done[split];
        parts_ms += ms;
        std::printf("| %s | %.3f | %.1f %% |\n", part_names[p], ms, 100.0 * ms / frame_ms);
    }
    std::printf("| rest (event loop, clock) | %.3f | %.1f %% |\n", frame_ms - parts_ms,
                100.0 * (frame_ms - parts_ms) / frame_ms);
    std::printf("| whole frame | %.3f | 100 %% |\n", frame_ms);
}

// Ends the current block: its time goes to its mode once the warm-up is over, and the next
// mode takes its turn. Quits with the report when every mode has its frames.
void end_block(Timing& timing) {
    glFinish();
    const double seconds = seconds_since(timing.block_start);
    if (timing.warm) {
        timing.seconds[timing.mode] += seconds;
        timing.done[timing.mode] += timing.in_block;
    }
    timing.in_block = 0;
    timing.mode = (timing.mode + 1) % mode_count;
    if (timing.mode == clear_swap) {
        timing.warm = true;
        if (timing.done[clear_swap] >= timing.frames_per_mode) {
            print_report(timing);
            std::exit(0);
        }
    }
    timing.block_start = Clock::now();
}

void on_display() {
    timing.part_start = Clock::now();
    switch (timing.mode) {
    case clear_swap:
        glClearColor(0.0f, 0.4f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glutSwapBuffers();
        break;
    case full_frame:
        scene.advance(next_reading(timing));
        renderer.draw(frame_view(scene));
        glutSwapBuffers();
        break;
    default:
        scene.advance(next_reading(timing));
        add_part(timing, steps);
        renderer.draw(frame_view(scene));
        glFinish(); // so the rasterising is counted with the drawing
        add_part(timing, drawing);
        glutSwapBuffers();
        glFinish();
        add_part(timing, swapping);
        break;
    }
    ++timing.in_block;
    if (timing.in_block == (timing.warm ? timing.block : warm_up_frames)) {
        end_block(timing);
    }
}

int positive_option(const char* name, const char* value) {
    int64_t number = 0;
    if (value == nullptr || parse_whole_number(value, number) != NumberStatus::ok || number < 1 ||
        number > 1000000000) {
        std::fprintf(stderr, "jellycube-frame-timing: %s needs a whole number above 0\n", name);
        std::exit(2);
    }
    return int(number);
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; i += 2) {
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (std::strcmp(argv[i], "--frames") == 0) {
            timing.frames_per_mode = positive_option(argv[i], value);
        } else if (std::strcmp(argv[i], "--block") == 0) {
            timing.block = positive_option(argv[i], value);
        } else {
            std::fprintf(stderr,
                         "usage: jellycube-frame-timing [--frames N (600)] [--block B (100)]\n"
                         "Run in the directory that holds cub.bmp and floor.bmp, with an X "
                         "display.\n");
            return 2;
        }
    }
    // Whole blocks only, so that every mode runs the same number of frames.
    timing.frames_per_mode =
        (timing.frames_per_mode + timing.block - 1) / timing.block * timing.block;

    int glut_argc = 1;
    char* glut_argv[] = {argv[0], nullptr};
    glutInit(&glut_argc, glut_argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(700, 700);
    glutCreateWindow("jellycube-frame-timing");
    glutIdleFunc(glutPostRedisplay);
    glutReshapeFunc([](int width, int height) { renderer.resize(width, height); });
    glutDisplayFunc(on_display);
    const std::string failure = start_gl1_scene(scene, renderer, 0, counter_frequency);
    if (!failure.empty()) {
        std::printf("%s\n", failure.c_str());
        return 1;
    }
    timing.block_start = Clock::now();
    glutMainLoop();
    return 0;
}
