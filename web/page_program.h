// The browser program's state: one record, the only global, because the browser calls the
// program back, and the page's controls call into it, without a context of their own. Only
// the start-up, the callbacks and the page's controls reach it.
#pragma once

#include "app/scene_state.h"
#include "render/webgl2/scene_renderer.h"
#include "support/frame_script.h"
#include "texture/bmp_decode.h"

#include <cstdint>
#include <string>

enum class PageMode {
    live,     // frames follow the page's clock, one per animation frame
    scripted, // frames follow a FrameScript up to its last frame, which alone is drawn
    stopped,  // Esc, a finished script or a start-up failure: no more frames run
};

struct PageProgram {
    SceneState scene;
    WebGl2Renderer renderer;
    PageMode mode = PageMode::live;
    bool paused = false;    // live mode: scene time stands still
    int64_t paused_at = 0;  // clock ticks when the pause began
    FrameScript script;     // scripted mode
    int64_t next_frame = 1; // scripted mode: the next frame of the script to run
    int64_t frames_drawn = 0;
    int64_t fps_since = 0;  // clock ticks where the frames-per-second count began
    int32_t fps_frames = 0; // frames drawn since then
};

extern PageProgram page;

// Start-up: the WebGL 2 context on #canvas, the scene and its textures from the module's
// files "cub.bmp" and "floor.bmp", the extension list to the console. Returns false with
// the message for the page in `error`.
bool start_page(std::string& error);

// Sets the scene's window size and the viewport (pixels); the next frame's camera uses it.
void reshape_page(int32_t width, int32_t height);

// Live mode: one frame at the page's clock, or while paused nothing but a redraw when the
// canvas has changed size. Scripted mode: the script's frames for up to `budget_ms`
// milliseconds, drawing its last frame when it comes. Returns whether frames are to go on.
bool page_animation_frame(double budget_ms);

// Draws the scene as it stands, without stepping (a paused or finished scene whose canvas
// or texture changed).
void redraw_page();

void restart_page();              // scene time 0, body in its initial state; a pause holds
bool set_page_paused(bool pause); // returns whether the scene is paused now
void stop_page();                 // Esc: no more frames

// Replaces the cube's (which = 0) or the floor's (which = 1) texture with the BMP file at
// `path` in the module's file system. Returns the decoder's status; a refused file leaves
// the texture as it was.
BmpStatus replace_page_texture(int which, const char* path);
