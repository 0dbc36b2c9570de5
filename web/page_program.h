// The browser program's state: one record, the only global, because the browser calls the
// program back, and the page's controls call into it, without a context of their own. Only
// the start-up, the callbacks and the page's controls reach it.
#pragma once

#include "render/pointer_grab.h"
#include "render/webgl2/scene_renderer.h"
#include "scene/scene.h"
#include "scene/session.h"
#include "support/frame_script.h"

#include <cstdint>
#include <string>
#include <vector>

enum class PageMode {
    live,     // frames follow the page's clock, one per animation frame
    scripted, // frames follow a FrameScript up to its last frame, which alone is drawn
    replay,   // frames follow a loaded session at the pace it was played
    finished, // the script's or the session's last frame stands; a new texture redraws it
    stopped,  // Esc or a start-up failure: no more frames, no new textures
};

struct PageProgram {
    Scene scene;
    WebGl2Renderer renderer;
    PageMode mode = PageMode::live;
    bool paused = false;         // live mode: scene time stands still
    bool context_lost = false;   // the browser took the WebGL context away; nothing is drawn
    bool redraw_pending = false; // live mode: the next animation frame draws even if paused
    int64_t held_at = 0;         // clock ticks when the pause or the loss began
    // The BMP file behind each texture (cube, floor), kept to upload again when a lost
    // context comes back.
    std::vector<unsigned char> texture_files[2];
    FrameScript script;     // scripted mode
    int64_t next_frame = 1; // scripted mode: the next frame of the script to run
    // What the physics saw since the scene's start, to save; in replay mode, the session
    // being replayed, from frame next_frame - 1.
    Session session;
    bool session_full = false; // it holds max_session_frames: later frames are not kept
    int64_t replay_start = 0;  // replay mode: clock ticks at the replay's first frame
    PointerHold hold;          // live mode: the particle a pointer holds, if any
    int64_t frames_drawn = 0;
    int64_t fps_since = 0;  // clock ticks where the frames-per-second count began
    int32_t fps_frames = 0; // frames drawn since then
};

extern PageProgram page;

// Start-up: the WebGL 2 context on #canvas, the scene (on the page's clock, or at reading 0
// of the script's in scripted mode), the default textures drawn by the code that draws
// assets/*.bmp and read through the BMP decoder, the extension list to the console.
// Returns false with the message for the page in `error`.
bool start_page(std::string& error);

// The browser took the context away: frames stop and live scene time stands still.
void lose_page_context();
// The context is back: the shaders, buffers and textures made again, and the frame that
// stood redrawn. Returns false with the message for the page in `error`.
bool restore_page_context(std::string& error);
// Whether animation frames are wanted: a live page or a script under way, with a context.
bool page_runs_frames();

// Live mode: one frame at the page's clock, or while paused nothing but a redraw when the
// canvas has changed size. Scripted mode: the script's frames for up to `budget_ms`
// milliseconds, drawing its last frame when it comes. Returns whether frames are to go on.
bool page_animation_frame(double budget_ms);

// Draws the scene as it stands, without stepping (a paused or finished scene whose canvas
// or texture changed).
void redraw_page();

// Scene time 0, body in its initial state; a pause holds, and its redraw waits for the next
// animation frame, so that many restarts draw once.
void restart_page();
void stop_page(); // Esc: no more frames
// Whether the page takes a new texture or session: not after Esc, not without a context.
bool page_takes_files();

// Replays `text`, a session file, from the scene's start at the pace it was played. Returns
// "" or the line that says why the file was refused, which leaves the page as it was.
// The page's other controls are functions exported from page_program.cpp.
std::string replay_page_session(std::string_view text);
