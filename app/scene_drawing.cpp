// Scene drawing.
#include "app/scene_drawing.h"

#include "app/scene_state.h"

#include <GL/glut.h>

void setup_camera() {}

void draw_scene() {
    glClearColor(0.0f, 0.4f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glutSwapBuffers();
}
