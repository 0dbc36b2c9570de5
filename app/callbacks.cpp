// Start-up of the scene and the four GLUT callbacks.
#include "app/callbacks.h"

#include "render/gl1/scene_start.h"
#include "scene/clock.h"

#include <GL/glut.h>

#include <cstdio>
#include <cstdlib>
#include <string>

SceneState program;

namespace {
constexpr unsigned char escape_key = 27;
}

void init_scene() {
    // The clock starts first, so start-up itself falls into the first frame's interval.
    const int64_t counter_start = clock_ticks();
    const std::string failure =
        start_gl1_scene(program.scene, program.renderer, counter_start, clock_ticks_per_second());
    if (!failure.empty()) {
        std::printf("%s\n", failure.c_str());
        std::fflush(stdout);
        std::exit(1);
    }
}

void on_idle() {
    glutPostRedisplay();
}

void on_keyboard(unsigned char key, int, int) {
    if (key == escape_key) {
        std::exit(0);
    }
}

void on_reshape(int width, int height) {
    program.renderer.resize(width, height);
}

void on_display() {
    program.scene.advance(clock_ticks());
    program.renderer.draw(frame_view(program.scene));
    glutSwapBuffers();
}
