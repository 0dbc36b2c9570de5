// The GLUT program's state, its start-up and its four callbacks.
#pragma once

#include "render/gl1/scene_renderer.h"
#include "scene/scene.h"

// The program's one record, the only global, because GLUT's callbacks take no context.
// Only the start-up and the callbacks reach it; everything below takes what it works on as
// an argument.
struct SceneState {
    Scene scene;
    Gl1Renderer renderer;
};

extern SceneState program;

void init_scene(); // clock start, body, floor, textures; a bad texture ends the program
void on_idle();
void on_keyboard(unsigned char key, int x, int y);
void on_reshape(int width, int height);
void on_display(); // advance, draw, swap
