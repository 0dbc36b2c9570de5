// Drawing one frame: the camera, then the floor, shadow and body passes.
#pragma once

// Loads the projection for the stored window size and the orbiting view for `time`.
void setup_camera();
// Draws the frame into the back buffer and swaps buffers.
void draw_scene();
