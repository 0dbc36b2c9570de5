// What the program tells the page around the canvas: the messages, the frames-per-second
// readout and its state. Each is a function of the page's own script (jellycube.html,
// window.jellyPage), which sets text only as text.
#pragma once

extern "C" {
void show_message(const char* text); // "" clears it
void show_fps(double frames_per_second);
// "Running frame FRAME of FRAMES..." while a script runs.
void show_script_progress(double frame, double frames);
// Frame `frame` of the script is drawn: the page marks its body with data-frame="frame".
void show_script_done(double frame, double fps);
// A replayed session of `frames` frames has ended at scene time `time` in state `hash`.
void show_replay_done(double frames, double time, const char* hash);
// The controls that apply in `mode`: "live", "scripted", "replay", "lost" (no context),
// "stopped" (Esc) or "failed" (no start).
void show_controls(const char* mode);
// A performance mark `name` at this moment, for timing the start-up from outside.
void mark_time(const char* name);
}
