// What one frame draws, as a renderer receives it, and what a renderer keeps between frames
// whatever its API: the texture names and the drawable size.
#pragma once

#include "mesh/grid_mesh.h"
#include "scene/scene.h"
#include "sim/jelly_body.h"

#include <cstdint>

struct FrameView {
    const JellyBody& body; // the particles after the frame's sub-steps
    const GridMesh& floor; // the 30 x 30 floor grid with its normals
    double time;           // scene time (seconds), which turns the camera
};

// What a renderer needs of the scene to draw it.
inline FrameView frame_view(const Scene& scene) {
    return FrameView{scene.body, scene.floor_mesh, scene.time};
}

enum class SceneTexture { cube, floor };

// What set_texture reports. A failed upload (no memory, a lost context) keeps the texture
// that was there before; the shell decides what the failure means for the program.
enum class TextureStatus { ok, upload_failed };

// The state every renderer holds between frames, set by its set_texture and resize.
struct RendererState {
    uint32_t cube_texture = 0; // texture name (of the renderer's API), 0 for none yet
    uint32_t floor_texture = 0;
    int32_t width = 0; // drawable size (pixels), for the viewport and the projection's aspect
    int32_t height = 0;

    uint32_t& texture(SceneTexture which) {
        return which == SceneTexture::cube ? cube_texture : floor_texture;
    }
};
