// The GL 1.1 shells' start-up: the scene, the renderer and the two texture files.
#include "render/gl1/scene_start.h"

std::string start_gl1_scene(Scene& scene, Gl1Renderer& renderer, int64_t counter_start,
                            int64_t counter_frequency) {
    scene.start(counter_start, counter_frequency);
    std::string error;
    renderer.create(scene.floor_mesh, error); // cannot fail in GL 1.1
    const std::pair<SceneTexture, const char*> files[] = {{SceneTexture::cube, "cub.bmp"},
                                                          {SceneTexture::floor, "floor.bmp"}};
    for (const auto& [which, name] : files) {
        BmpImage image;
        const BmpStatus status = read_bmp_file(name, image);
        if (status != BmpStatus::ok) {
            return bmp_failure_line(name, status);
        }
        if (renderer.set_texture(which, image) != TextureStatus::ok) {
            return bmp_failure_line(name, BmpStatus::invalid_format);
        }
    }
    return "";
}
