// The one instance of the browser program's state, its start-up and its frames.
#include "web/page_program.h"

#include "app/clock.h"
#include "app/frame_driver.h"
#include "mesh/floor_mesh.h"
#include "texture/default_textures.h"
#include "web/page_view.h"

#include <GLES3/gl3.h>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>
#include <string>

PageProgram page;

namespace {

constexpr double fps_window_seconds = 0.5; // the readout's averaging time

void setup_camera(void*, const SceneState& state) {
    page.renderer.setup_camera(frame_view(state));
}

void draw_scene(void*, const SceneState& state) {
    page.renderer.draw_passes(frame_view(state));
    if (page.frames_drawn++ == 0) {
        mark_time("jellycube-first-frame");
    }
    page.redraw_pending = false;
}

uint32_t& texture_of(int which) {
    return which == 0 ? page.scene.cube_texture : page.scene.floor_texture;
}

// Live scene time stands still while the page is paused or has no context: the clock's
// start moves on by the time held, so scene time goes on from where it stood and the first
// frame after covers only the time since the last one before.
bool clock_held() {
    return page.mode == PageMode::live && (page.paused || page.context_lost);
}

void set_held(bool paused, bool context_lost) {
    const bool was_held = clock_held();
    page.paused = paused;
    page.context_lost = context_lost;
    const int64_t now = clock_ticks();
    if (!was_held && clock_held()) {
        page.held_at = now;
    } else if (was_held && !clock_held()) {
        page.scene.counter_start += now - page.held_at;
        page.fps_since = now;
        page.fps_frames = 0;
    }
}

// The shaders, buffers and both textures into the current context.
bool make_gl_objects(std::string& error) {
    if (!page.renderer.init(page.scene.floor_mesh, error)) {
        return false;
    }
    const char* names[] = {"cube", "floor"};
    for (int which = 0; which < 2; ++which) {
        const std::vector<unsigned char>& file = page.texture_files[which];
        texture_of(which) = 0; // a name from a lost context is gone with it
        if (load_texture(file.data(), file.size(), texture_of(which)) != TextureLoad::ok) {
            error = std::string("The ") + names[which] + " texture could not be uploaded.";
            return false;
        }
    }
    glViewport(0, 0, page.scene.window_width, page.scene.window_height);
    return true;
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
    page.mode = PageMode::finished;
    show_script_done(page.script.frames, page.script.fps);
    return false;
}

} // namespace

bool start_page(std::string& error) {
    mark_time("jellycube-module-ready");
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.alpha = EM_FALSE; // opaque as the program's RGB window: no see-through floor
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE; // no multisampling, as in the program
    attributes.preserveDrawingBuffer = EM_FALSE;
    // WebGL 2 itself is all the renderer uses: enabling every extension up front costs start-up
    // time in a software rasteriser and buys nothing.
    attributes.enableExtensionsByDefault = EM_FALSE;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context =
        emscripten_webgl_create_context("#canvas", &attributes);
    if (context <= 0 ||
        emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS) {
        error = "This browser offers no WebGL 2 context, which the jelly cube needs.";
        return false;
    }
    mark_time("jellycube-context-made");

    SceneState& scene = page.scene;
    // The clock starts first, so start-up falls into the first frame's interval.
    scene.counter_start = clock_ticks();
    scene.counter_frequency = clock_ticks_per_second();
    scene.body.init();
    build_floor_mesh(scene.floor_mesh);
    page.texture_files[0] = encode_bmp24(make_cube_texture());
    page.texture_files[1] = encode_bmp24(make_floor_texture());
    mark_time("jellycube-textures-made");
    if (!make_gl_objects(error)) {
        return false;
    }
    mark_time("jellycube-textures-uploaded");
    std::printf("%s\n", reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)));
    page.fps_since = clock_ticks();
    return true;
}

void lose_page_context() {
    set_held(page.paused, true);
}

bool restore_page_context(std::string& error) {
    if (!make_gl_objects(error)) {
        page.mode = PageMode::stopped;
        return false;
    }
    set_held(page.paused, false);
    if (!page_runs_frames() || page.paused) {
        redraw_page();
    }
    return true;
}

bool page_runs_frames() {
    return !page.context_lost && (page.mode == PageMode::live || page.mode == PageMode::scripted);
}

void reshape_page(int32_t width, int32_t height) {
    glViewport(0, 0, width, height);
    page.scene.window_width = width;
    page.scene.window_height = height;
}

bool page_animation_frame(double budget_ms) {
    if (!page_runs_frames()) {
        return false;
    }
    if (page.mode == PageMode::scripted) {
        return run_script(budget_ms);
    }
    if (!page.paused) {
        run_frame(page.scene, clock_ticks(), FrameDrawing{nullptr, setup_camera, draw_scene});
        count_frame_for_readout();
    } else if (page.redraw_pending) {
        redraw_page();
    }
    return true;
}

void redraw_page() {
    if (page.mode == PageMode::scripted || page.context_lost) {
        return; // the script's last frame is yet to come, or nothing can be drawn
    }
    setup_camera(nullptr, page.scene);
    draw_scene(nullptr, page.scene);
}

void restart_page() {
    SceneState& scene = page.scene;
    scene.counter_start = clock_held() ? page.held_at : clock_ticks();
    scene.time = 0.0;
    scene.prev_time = 0.0;
    scene.body.init();
    page.redraw_pending = page.paused;
}

bool set_page_paused(bool pause) {
    if (page.mode == PageMode::live) {
        set_held(pause, page.context_lost);
    }
    return page.paused;
}

void stop_page() {
    page.mode = PageMode::stopped;
}

bool page_takes_textures() {
    return !page.context_lost && page.mode != PageMode::stopped;
}

TextureLoad replace_page_texture(int which, const unsigned char* data, size_t size) {
    const TextureLoad status = load_texture(data, size, texture_of(which));
    if (status != TextureLoad::ok) {
        return status;
    }
    page.texture_files[which].assign(data, data + size);
    if (page.mode == PageMode::finished) {
        redraw_page(); // no frame comes to show it
    } else {
        page.redraw_pending = true;
    }
    return status;
}
