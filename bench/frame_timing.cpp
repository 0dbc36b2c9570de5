// jellycube-frame-timing: where a frame's time goes in the program's own window. Needs an X
// display (Xvfb serves) and cub.bmp and floor.bmp in the working directory.
//
// It opens the window as the program does (700 x 700, RGBA, double-buffered, with depth),
// starts the scene as the program does, on a 60 fps scripted clock, and shows frames through
// freeglut's event loop, one display callback a frame, in blocks that take turns so that a
// busy machine weighs on both modes alike:
//   clear + swap: glClear and glutSwapBuffers only, the cheapest frame the window can show;
//   split:        advance, draw, swap, as the program's on_display, each part closed by
//                 glFinish and timed on its own.
// The program's own frames per second, untimed inside, are counted from outside by
// scripts/frame_timing.sh.
#include "render/gl1/scene_start.h"
#include "support/whole_number.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int64_t counter_frequency = 1000000; // ticks per second of the scripted clock
constexpr int64_t frames_per_second = 60;      // of the scripted clock
constexpr int block = 100;                     // frames of one mode before the next takes its turn
constexpr int warm_up_frames = 30;             // per mode, untimed: llvmpipe compiles shaders

enum Mode { clear_swap, split, mode_count };
constexpr const char* mode_names[mode_count] = {"clear + swap", "full frame, each part + glFinish"};
// The timed parts of a split frame, then what is left of it and the whole, for the report.
enum Part { steps, drawing, swapping, rest, whole, part_count };
constexpr const char* part_names[part_count] = {"100 steps", "drawing (draw + glFinish)",
                                                "swap (glutSwapBuffers + glFinish)",
                                                "rest (event loop, clock)", "whole frame"};

// The tool's state: GLUT's callbacks take no context.
Scene scene;
Gl1Renderer renderer;
int64_t scene_frames = 0; // frames the scene has advanced, for the scripted clock
int64_t frames_shown = 0; // display callbacks run
Mode mode = clear_swap;
double part_seconds[part_count] = {}; // summed over the timed split frames

double seconds_since(Clock::time_point& start) {
    const Clock::time_point now = Clock::now();
    const double seconds = std::chrono::duration<double>(now - start).count();
    start = now;
    return seconds;
}

void on_display() {
    ++frames_shown;
    Clock::time_point start = Clock::now();
    if (mode == clear_swap) {
        glClearColor(0.0f, 0.4f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glutSwapBuffers();
        return;
    }
    ++scene_frames;
    scene.advance(scene_frames * counter_frequency / frames_per_second);
    part_seconds[steps] += seconds_since(start);
    renderer.draw(frame_view(scene));
    glFinish(); // so the rasterising is counted with the drawing
    part_seconds[drawing] += seconds_since(start);
    glutSwapBuffers();
    glFinish();
    part_seconds[swapping] += seconds_since(start);
}

// Shows `frames` frames of `shown` and returns their wall time. Counting the callbacks, not
// the loop's turns, covers the turns before the window is mapped, which draw nothing.
double run_block(Mode shown, int frames) {
    mode = shown;
    Clock::time_point start = Clock::now();
    for (const int64_t end = frames_shown + frames; frames_shown < end;) {
        glutPostRedisplay();
        glutMainLoopEvent();
    }
    glFinish();
    return seconds_since(start);
}

void print_report(const double (&seconds)[mode_count], int frames) {
    std::printf("Window %d x %d, %d frames per mode in blocks of %d, scene on a %lld fps "
                "scripted clock.\n\n| mode | frames/s | ms per frame |\n|---|---:|---:|\n",
                renderer.state.width, renderer.state.height, frames, block,
                static_cast<long long>(frames_per_second));
    for (int m = 0; m < mode_count; ++m) {
        const double ms = 1000.0 * seconds[m] / frames;
        std::printf("| %s | %.1f | %.2f |\n", mode_names[m], 1000.0 / ms, ms);
    }
    part_seconds[whole] = seconds[split];
    part_seconds[rest] =
        seconds[split] - part_seconds[steps] - part_seconds[drawing] - part_seconds[swapping];
    std::printf("\n| part of a split frame | mean ms | share |\n|---|---:|---:|\n");
    for (int p = 0; p < part_count; ++p) {
        std::printf("| %s | %.3f | %.1f %% |\n", part_names[p], 1000.0 * part_seconds[p] / frames,
                    100.0 * part_seconds[p] / seconds[split]);
    }
}

} // namespace

int main(int argc, char** argv) {
    int64_t frames = 600;
    const bool frames_given = argc == 3 && std::strcmp(argv[1], "--frames") == 0;
    if (argc != 1 && !(frames_given && parse_whole_number(argv[2], frames) == NumberStatus::ok &&
                       frames >= 1 && frames <= 1000000000)) {
        std::fprintf(stderr, "usage: jellycube-frame-timing [--frames N (600)]\n"
                             "Run in the directory that holds cub.bmp and floor.bmp, with an X "
                             "display.\n");
        return 2;
    }
    const int blocks = int((frames + block - 1) / block); // every mode the same whole blocks

    glutInit(&argc, argv); // leaves --frames N alone
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(700, 700);
    glutCreateWindow("jellycube-frame-timing");
    glutReshapeFunc([](int width, int height) { renderer.resize(width, height); });
    glutDisplayFunc(on_display);
    const std::string failure = start_gl1_scene(scene, renderer, 0, counter_frequency);
    if (!failure.empty()) {
        std::printf("%s\n", failure.c_str());
        return 1;
    }
    for (int m = 0; m < mode_count; ++m) {
        run_block(Mode(m), warm_up_frames);
    }
    std::fill(part_seconds, part_seconds + part_count, 0.0); // the warm-up is not counted
    double seconds[mode_count] = {};
    for (int b = 0; b < blocks; ++b) {
        for (int m = 0; m < mode_count; ++m) {
            seconds[m] += run_block(Mode(m), block);
        }
    }
    print_report(seconds, blocks * block);
    return 0;
}
