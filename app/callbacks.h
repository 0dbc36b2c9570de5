// Start-up of the scene and the four GLUT callbacks.
#pragma once

void init_scene(); // clock start, body, floor, textures
void on_idle();
void on_keyboard(unsigned char key, int x, int y);
void on_reshape(int width, int height);
void on_display();
