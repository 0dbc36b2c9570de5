// The one instance of the browser program's state, its start-up and its frames.
#include "web/page_program.h"

#include "app/clock.h"
#include "app/frame_driver.h"
#include "mesh/floor_mesh.h"
#include "render/webgl2/texture_upload.h"
#include "web/page_view.h"

#include <GLES3/gl3.h>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>

PageProgram page;

namespace {

constexpr double fps_window_seconds = 0.5; // the readout's averaging time

void setup_camera(void*, const SceneState& state) {
    page.renderer.setup_camera(frame_view(state));
}

void draw_scene(void*, const SceneState& state) {
    page.renderer.draw_passes(frame_view(state));
    ++page.frames_drawn;
}

// Frames per second over the last half second or more, to the page's readout.
void count_frame_for_readout() {
    const int64_t now = clock_ticks();
    ++page.fps_frames;
    const double seconds = double(now - page.fps_since) / double(clock_ticks_per_second());
    if (seconds >= fps_window_seconds) {
        show_fps(page.fps_frames / seconds);
        page.fps_since = now;
        page.fps_frames = 0;
    }
}

bool run_script(double budget_ms) {
    const double until = emscripten_get_now() + budget_ms;
    const FrameDrawing drawing{nullptr, setup_camera, draw_scene};
    while (page.next_frame < page.script.frames) {
        // Frames before the last need no picture.
        run_frame(page.scene, page.script.reading(page.next_frame++));
        if (emscripten_get_now() >= until) {
            show_script_progress(page.next_frame - 1, page.script.frames);
            return true;
        }
    }
    run_frame(page.scene, page.script.reading(page.next_frame), drawing);
    page.mode = PageMode::stopped;
    show_script_done(page.script.frames, page.script.fps);
    return false;
}

} // namespace

bool start_page(std::string& error) {
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.alpha = EM_FALSE; // opaque as the program's RGB window: no see-through floor
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE; // no multisampling, as in the program
    attributes.preserveDrawingBuffer = EM_FALSE;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context =
        emscripten_webgl_create_context("#canvas", &attributes);
    if (context <= 0 ||
        emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS) {
        error = "This browser offers no WebGL 2 context, which the jelly cube needs.";
        return false;
    }

    SceneState& scene = page.scene;
    // The clock starts first, so start-up falls into the first frame's interval.
    scene.counter_start = clock_ticks();
    scene.counter_frequency = clock_ticks_per_second();
    scene.body.init();
    build_floor_mesh(scene.floor_mesh);
    if (!page.renderer.init(scene.floor_mesh, error)) {
        return false;
    }
    const std::pair<const char*, uint32_t*> textures[] = {{"cub.bmp", &scene.cube_texture},
                                                          {"floor.bmp", &scene.floor_texture}};
    for (const auto& [name, texture] : textures) {
        const BmpStatus status = load_texture_file(name, *texture);
        if (status != BmpStatus::ok) {
            error = (status == BmpStatus::cannot_open ? "can't open " : "invalid format of ") +
                    std::string(name);
            return false;
        }
    }
    std::printf("%s\n", reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)));
    page.fps_since = clock_ticks();
    return true;
}

void reshape_page(int32_t width, int32_t height) {
    glViewport(0, 0, width, height);
    page.scene.window_width = width;
    page.scene.window_height = height;
}

bool page_animation_frame(double budget_ms) {
    switch (page.mode) {
    case PageMode::stopped:
        return false;
    case PageMode::scripted:
        return run_script(budget_ms);
    case PageMode::live:
        break;
    }
    if (!page.paused) {
        run_frame(page.scene, clock_ticks(), FrameDrawing{nullptr, setup_camera, draw_scene});
        count_frame_for_readout();
    }
    return true;
}

void redraw_page() {
    if (page.mode == PageMode::scripted) {
        return; // the script's last frame is yet to come
    }
    setup_camera(nullptr, page.scene);
    draw_scene(nullptr, page.scene);
}

void restart_page() {
    SceneState& scene = page.scene;
    scene.counter_start = page.paused ? page.paused_at : clock_ticks();
    scene.time = 0.0;
    scene.prev_time = 0.0;
    scene.body.init();
    if (page.paused) {
        redraw_page();
    }
}

bool set_page_paused(bool pause) {
    if (page.mode != PageMode::live || pause == page.paused) {
        return page.paused;
    }
    const int64_t now = clock_ticks();
    if (pause) {
        page.paused_at = now;
    } else {
        // The clock start moves on by the pause, so scene time goes on from where it stood
        // and the first frame after it covers only the time since the last one before it.
        page.scene.counter_start += now - page.paused_at;
        page.fps_since = now;
        page.fps_frames = 0;
    }
    page.paused = pause;
    return page.paused;
}

void stop_page() {
    page.mode = PageMode::stopped;
}

BmpStatus replace_page_texture(int which, const char* path) {
    uint32_t& texture = which == 0 ? page.scene.cube_texture : page.scene.floor_texture;
    const BmpStatus status = load_texture_file(path, texture);
    if (status == BmpStatus::ok && (page.paused || page.mode == PageMode::stopped)) {
        redraw_page();
    }
    return status;
}
