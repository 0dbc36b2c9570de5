// The one instance of the browser program's state, its start-up and its frames.
#include "web/page_program.h"

#include "scene/clock.h"
#include "support/session_file.h"
#include "support/state_hash.h"
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

// The frame's drawing; the browser shows the canvas when the callback returns.
void draw_page() {
    page.renderer.draw(frame_view(page.scene));
    if (page.frames_drawn++ == 0) {
        mark_time("jellycube-first-frame");
    }
    page.redraw_pending = false;
}

// One frame of physics, kept in the session so that it can be saved and replayed bit for bit.
void advance_scene(int64_t now, const Grab& grab) {
    page.scene.advance(now, grab);
    if (page.session.frames.size() < max_session_frames) {
        page.session.frames.push_back({now - page.scene.counter_start, grab});
    } else if (!page.session_full) {
        page.session_full = true;
        show_message("The session has reached its longest: later frames are not recorded. "
                     "Restart begins a new one.");
    }
}

// A new scene from counter reading `start`, and a new session with it.
void start_scene(int64_t start, int64_t frequency) {
    page.scene.start(start, frequency);
    page.session = Session{frequency, {}};
    page.session_full = false;
    page.hold = PointerHold{};
}

enum class TextureLoad {
    ok,
    invalid_format, // the decoder refused the file
    upload_failed,  // WebGL reported an error (out of memory, a lost context)
};

// A BMP file's bytes into the renderer's cube (0) or floor (1) texture.
TextureLoad set_page_texture(int which, const unsigned char* data, size_t size) {
    BmpImage image;
    if (decode_bmp(data, size, image) != BmpStatus::ok) {
        return TextureLoad::invalid_format;
    }
    const SceneTexture texture = which == 0 ? SceneTexture::cube : SceneTexture::floor;
    return page.renderer.set_texture(texture, image) == TextureStatus::ok
               ? TextureLoad::ok
               : TextureLoad::upload_failed;
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
    if (!page.renderer.create(page.scene.floor_mesh, error)) {
        return false;
    }
    const char* names[] = {"cube", "floor"};
    for (int which = 0; which < 2; ++which) {
        const std::vector<unsigned char>& file = page.texture_files[which];
        if (set_page_texture(which, file.data(), file.size()) != TextureLoad::ok) {
            error = std::string("The ") + names[which] + " texture could not be uploaded.";
            return false;
        }
    }
    page.renderer.resize(page.renderer.state.width, page.renderer.state.height);
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
    while (page.next_frame < page.script.frames) {
        // Frames before the last need no picture.
        advance_scene(page.script.reading(page.next_frame++), Grab{});
        if (emscripten_get_now() >= until) {
            show_script_progress(double(page.next_frame - 1), double(page.script.frames));
            return true;
        }
    }
    advance_scene(page.script.reading(page.next_frame), Grab{});
    draw_page();
    page.mode = PageMode::finished;
    show_script_done(double(page.script.frames), double(page.script.fps));
    return false;
}

// The session's frames that are due by now, at the pace they were played (at least one, and
// no more than `budget_ms` of them), then a picture; the last frame ends the replay.
bool run_replay(double budget_ms) {
    const std::vector<SessionFrame>& frames = page.session.frames;
    const double played = double(clock_ticks() - page.replay_start) /
                          double(clock_ticks_per_second()) * double(page.session.frequency);
    const double due = double(frames.front().reading) + played;
    const double until = emscripten_get_now() + budget_ms;
    do {
        const SessionFrame& frame = frames[size_t(page.next_frame++ - 1)];
        page.scene.advance(frame.reading, frame.grab);
    } while (page.next_frame <= int64_t(frames.size()) &&
             double(frames[size_t(page.next_frame - 1)].reading) <= due &&
             emscripten_get_now() < until);
    draw_page();
    if (page.next_frame <= int64_t(frames.size())) {
        return true;
    }
    page.mode = PageMode::finished;
    show_replay_done(double(frames.size()), page.scene.time,
                     state_hash_text(page.scene.body).c_str());
    return false;
}

bool grabbing_allowed() {
    return page.mode == PageMode::live && !page.paused && !page.context_lost;
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
    // The browser compiles the shaders while the textures are drawn.
    page.renderer.start_shaders();

    if (page.mode == PageMode::scripted) {
        start_scene(0, page.script.frequency); // read 0 at the start, as in the tools
    } else {
        // The clock starts first, so start-up falls into the first frame's interval.
        start_scene(clock_ticks(), clock_ticks_per_second());
    }
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
    return !page.context_lost && (page.mode == PageMode::live || page.mode == PageMode::scripted ||
                                  page.mode == PageMode::replay);
}

bool page_animation_frame(double budget_ms) {
    if (!page_runs_frames()) {
        return false;
    }
    if (page.mode == PageMode::scripted) {
        return run_script(budget_ms);
    }
    if (page.mode == PageMode::replay) {
        return run_replay(budget_ms);
    }
    if (!page.paused) {
        const int64_t now = clock_ticks();
        const RendererState& canvas = page.renderer.state;
        const Grab grab =
            page.hold.particle < 0
                ? Grab{}
                : grab_for_frame(page.hold, page.scene.time_at(now), canvas.width, canvas.height);
        advance_scene(now, grab);
        draw_page();
        count_frame_for_readout();
    } else if (page.redraw_pending) {
        redraw_page();
    }
    return true;
}

void redraw_page() {
    if (page.mode == PageMode::scripted || page.mode == PageMode::replay || page.context_lost) {
        return; // the last frame is yet to come, or nothing can be drawn
    }
    draw_page();
}

void restart_page() {
    if (page.mode != PageMode::live) { // a replay, over or not, gives way to a live scene
        page.mode = PageMode::live;
        page.paused = false;
        page.fps_since = clock_ticks();
        page.fps_frames = 0;
    }
    start_scene(clock_held() ? page.held_at : clock_ticks(), clock_ticks_per_second());
    page.redraw_pending = page.paused;
}

void stop_page() {
    page.mode = PageMode::stopped;
    page.hold = PointerHold{};
}

std::string replay_page_session(std::string_view text) {
    Session session;
    const std::string error = read_session_text(text, session);
    if (!error.empty()) {
        return error;
    }
    if (page.mode == PageMode::live) {
        set_held(false, page.context_lost); // a paused clock is let go before the replay
    }
    page.mode = PageMode::replay;
    start_scene(0, session.frequency); // the recorded readings count from 0
    page.session = std::move(session);
    page.next_frame = 1;
    page.replay_start = clock_ticks();
    return "";
}

bool page_takes_files() {
    return !page.context_lost && page.mode != PageMode::stopped;
}

extern "C" {

EMSCRIPTEN_KEEPALIVE int page_set_paused(int pause) {
    if (page.mode == PageMode::live) {
        set_held(pause != 0, page.context_lost);
        page.hold = PointerHold{}; // a paused scene holds nothing
    }
    return page.paused ? 1 : 0;
}

// The `size` bytes of a BMP file at `data` as the cube's (0) or the floor's (1) texture.
// 0: accepted; 1: refused by the decoder; 2: not uploaded; 3: ignored (after Esc, or with
// no context). Anything but 0 leaves the texture as it was.
EMSCRIPTEN_KEEPALIVE int page_replace_texture(int which, const unsigned char* data, double size) {
    if (!page_takes_files() || (which != 0 && which != 1)) {
        return 3;
    }
    const TextureLoad status = set_page_texture(which, data, size_t(size));
    if (status != TextureLoad::ok) {
        return status == TextureLoad::invalid_format ? 1 : 2;
    }
    page.texture_files[which].assign(data, data + size_t(size));
    if (page.mode == PageMode::finished) {
        redraw_page(); // no frame comes to show it
    } else {
        page.redraw_pending = true;
    }
    return 0;
}

// A pointer at (x, y) in canvas pixels: pressed (returns 1 if it grabs the body, which it
// does in a live, running page), moved, released, or hovering (returns 1 where a press would
// grab, for the cursor).
EMSCRIPTEN_KEEPALIVE int page_pointer_down(double x, double y) {
    const RendererState& canvas = page.renderer.state;
    return grabbing_allowed() && press_pointer(page.hold, page.scene.body, page.scene.time,
                                               canvas.width, canvas.height, x, y);
}
EMSCRIPTEN_KEEPALIVE void page_pointer_move(double x, double y) {
    page.hold.x = x;
    page.hold.y = y;
}
EMSCRIPTEN_KEEPALIVE void page_pointer_up() {
    page.hold = PointerHold{};
}
EMSCRIPTEN_KEEPALIVE int page_pointer_grabbable(double x, double y) {
    const RendererState& canvas = page.renderer.state;
    return grabbing_allowed() &&
           pick_skin_particle(page.scene.body,
                              pointer_ray(page.scene.time, canvas.width, canvas.height, x, y)) >= 0;
}

// Draws the scene as it stands, so that the canvas can be read at once (the saved picture).
EMSCRIPTEN_KEEPALIVE int page_draw_now() {
    if (page.context_lost || page.frames_drawn == 0) {
        return 0;
    }
    draw_page();
    return 1;
}

} // extern "C"
