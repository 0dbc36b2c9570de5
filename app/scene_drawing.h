// Drawing one frame: the camera, then the floor, shadow and body passes.
#pragma once

// Loads the projection for the stored window size and the orbiting view for the scene
// time. Leaves GL_MODELVIEW current, holding the view transform.
void setup_camera();
// Draws the floor, shadow and body passes into the back buffer, from the view transform
// that setup_camera left; presents nothing.
void draw_passes();
// draw_passes, then shows the back buffer.
void draw_scene();
