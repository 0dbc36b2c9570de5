// Start-up of the scene and the four GLUT callbacks.
#pragma once

#include <cstdint>

void init_scene(); // clock start, body, floor, textures
// init_scene with the clock started at `counter_start` on a counter of `counter_frequency`
// ticks per second; tools that drive frames from a scripted counter start here.
void init_scene_at(int64_t counter_start, int64_t counter_frequency);
void on_idle();
void on_keyboard(unsigned char key, int x, int y);
void on_reshape(int width, int height);
void on_display();
