// The GLUT callbacks: the only code that touches the program-wide state.
#include "app/callbacks.h"

#include "app/clock.h"
#include "app/frame_driver.h"
#include "app/scene_drawing.h"
#include "app/scene_state.h"
#include "mesh/floor_mesh.h"
#include "texture/bmp_loader.h"

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
    scene.window_width = width;
    scene.window_height = height;
}

void on_display() {
    FrameDrawing drawing;
    drawing.setup_camera = setup_camera;
    drawing.draw_scene = draw_scene;
    run_frame(scene, clock_ticks(), drawing);
}
