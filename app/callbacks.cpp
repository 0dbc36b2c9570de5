// Start-up of the scene and the four GLUT callbacks.
#include "app/callbacks.h"

#include "app/clock.h"
#include "app/program.h"
#include "mesh/floor_mesh.h"
#include "render/gl1/texture_upload.h"

#include <GL/glut.h>

#include <cstdlib>

namespace {
constexpr unsigned char escape_key = 27;
}

void init_scene() {
    // The clock starts first, so start-up itself falls into the first frame's interval.
    const int64_t counter_start = clock_ticks();
    init_scene_at(counter_start, clock_ticks_per_second());
}

void init_scene_at(int64_t counter_start, int64_t counter_frequency) {
    SceneState& scene = program.scene;
    scene.counter_start = counter_start;
    scene.counter_frequency = counter_frequency;
    scene.body.init();
    build_floor_mesh(scene.floor_mesh);
    load_scene_textures(scene.cube_texture, scene.floor_texture);
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
    glViewport(0, 0, width, height);
    program.scene.window_width = width;
    program.scene.window_height = height;
}

void on_display() {
    const DisplayHook& hook = program.display_hook;
    if (hook.display) {
        hook.display(hook.context);
    } else {
        run_program_frame(clock_ticks());
    }
}
