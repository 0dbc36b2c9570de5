// What the GLUT program, the offscreen recorder and the frame timing share: a scene drawn by
// the GL 1.1 renderer with its textures from "cub.bmp" and "floor.bmp".
#pragma once

#include "render/gl1/scene_renderer.h"
#include "scene/scene.h"

#include <cstdint>
#include <string>

// Starts `scene` at counter reading `counter_start`, then makes the renderer's cube texture
// from cub.bmp and its floor texture from floor.bmp in the current directory (needs a
// current context). Returns "" or, for the first file that fails, the program's one line:
// "can't open NAME" or "invalid format of NAME". The shell shows it and ends.
std::string start_gl1_scene(Scene& scene, Gl1Renderer& renderer, int64_t counter_start,
                            int64_t counter_frequency);
