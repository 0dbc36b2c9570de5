// The browser's callbacks (animation frames, keys, window resizes) and the functions the
// page's controls call.
#include "web/page_callbacks.h"

#include "support/session_file.h"
#include "support/state_hash.h"
#include "texture/bmp_decode.h"
#include "web/canvas_fit.h"
#include "web/page_program.h"
#include "web/page_view.h"

#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cstring>
#include <string>

namespace {

// Milliseconds of scripted frames per animation frame, so that a long script keeps the page
// responsive and shows its progress.
constexpr double script_slice_ms = 25.0;
// Widest texture image a user may load (pixels): its file, 48 MiB of pixels, is read into
// memory whole, then its mipmap chain is built beside it.
constexpr int32_t largest_user_texture = 4096;

EM_JS(int, window_inner_width, (), { return window.innerWidth; });
EM_JS(int, window_inner_height, (), { return window.innerHeight; });

bool frames_requested = false; // the animation frame loop runs

EM_BOOL on_animation_frame(double, void*) {
    frames_requested = page_animation_frame(script_slice_ms);
    return frames_requested ? EM_TRUE : EM_FALSE;
}

// Animation frames again, where the page wants them and the loop has ended.
void request_frames() {
    if (!frames_requested && page_runs_frames()) {
        frames_requested = true;
        emscripten_request_animation_frame_loop(on_animation_frame, nullptr);
    }
}

void fit_canvas(int32_t inner_width, int32_t inner_height) {
    const int32_t side = canvas_side(inner_width, inner_height);
    if (side == page.renderer.state.width && side == page.renderer.state.height) {
        return;
    }
    // The drawing buffer has the canvas's size in CSS pixels, as the program's window has.
    emscripten_set_canvas_element_size("#canvas", side, side);
    emscripten_set_element_css_size("#canvas", side, side);
    page.renderer.resize(side, side);
    if (!page_runs_frames() || page.paused) {
        redraw_page(); // a resized canvas is cleared, and no frame may come to fill it
    }
}

EM_BOOL on_resize(int, const EmscriptenUiEvent* event, void*) {
    fit_canvas(event->windowInnerWidth, event->windowInnerHeight);
    return EM_FALSE;
}

// Esc stops the animation; a page cannot close itself, so it says so. Every other key is
// left to the browser.
EM_BOOL on_key_down(int, const EmscriptenKeyboardEvent* event, void*) {
    if (std::strcmp(event->key, "Escape") != 0 || page.mode == PageMode::stopped) {
        return EM_FALSE;
    }
    stop_page();
    show_controls("stopped");
    show_message("Stopped: Esc ends the animation. A page cannot close itself; reload it to "
                 "start again.");
    return EM_TRUE;
}

const char* controls_mode() {
    switch (page.mode) {
    case PageMode::live:
        return "live";
    case PageMode::scripted:
        return "scripted";
    case PageMode::replay:
    case PageMode::finished:
        return page.script.frames > 0 ? "scripted" : "replay";
    case PageMode::stopped:
        break;
    }
    return "stopped";
}

// Returning true cancels the loss's default, which is what lets the browser restore it.
EM_BOOL on_context_lost(int, const void*, void*) {
    lose_page_context();
    show_controls("lost");
    show_message("The browser has taken the WebGL context away; the cube comes back if it "
                 "returns it.");
    return EM_TRUE;
}

EM_BOOL on_context_restored(int, const void*, void*) {
    std::string error;
    const bool restored = restore_page_context(error);
    show_controls(controls_mode());
    show_message(restored ? "" : error.c_str());
    request_frames();
    return EM_TRUE;
}

} // namespace

void start_callbacks() {
    fit_canvas(window_inner_width(), window_inner_height());
    emscripten_set_resize_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, on_resize);
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, on_key_down);
    emscripten_set_webglcontextlost_callback("#canvas", nullptr, EM_FALSE, on_context_lost);
    emscripten_set_webglcontextrestored_callback("#canvas", nullptr, EM_FALSE, on_context_restored);
    // The first frame now rather than at the next animation frame, a display refresh away.
    on_animation_frame(0.0, nullptr);
    frames_requested = false;
    request_frames();
}

extern "C" {

EMSCRIPTEN_KEEPALIVE void page_restart() {
    if (page.mode != PageMode::stopped && page.script.frames == 0) {
        restart_page();
        show_controls(controls_mode());
        request_frames();
    }
}

// The session since the scene's start as a session file, and the state hash it ends in.
EMSCRIPTEN_KEEPALIVE const char* page_session_text() {
    static std::string text;
    text = session_text(page.session);
    return text.c_str();
}
EMSCRIPTEN_KEEPALIVE const char* page_state_hash() {
    static std::string text;
    text = state_hash_text(page.scene.body);
    return text.c_str();
}

// Replays the `size` bytes of a session file at `data`: "" when it starts, the reason when
// the file is refused, null when ignored (after Esc, or with no context).
EMSCRIPTEN_KEEPALIVE const char* page_replay_session(const char* data, double size) {
    if (!page_takes_files()) {
        return nullptr;
    }
    static std::string error;
    error = replay_page_session(std::string_view(data, size_t(size)));
    if (error.empty()) {
        show_controls(controls_mode());
        request_frames();
    }
    return error.c_str();
}

// Largest session file the page reads (bytes); a larger one is refused unread.
EMSCRIPTEN_KEEPALIVE double page_largest_session_file() {
    return double(max_session_bytes);
}

// Largest texture file the page reads (bytes); a larger one is refused unread.
EMSCRIPTEN_KEEPALIVE double page_largest_texture_file() {
    return double(54 + bmp_row_stride(largest_user_texture) * size_t(largest_user_texture));
}

// For tests and the curious: frames drawn so far, scene time and the last frame's interval
// (seconds).
EMSCRIPTEN_KEEPALIVE double page_frames_drawn() {
    return double(page.frames_drawn);
}
EMSCRIPTEN_KEEPALIVE double page_scene_time() {
    return page.scene.time;
}
EMSCRIPTEN_KEEPALIVE double page_frame_interval() {
    return page.scene.time - page.scene.prev_time;
}

} // extern "C"
