// Calls into the page's script, window.jellyPage.
#include "web/page_view.h"

#include <emscripten/emscripten.h>

#include <string>

namespace {
EM_JS(void, page_show_message, (const char* text), { jellyPage.showMessage(UTF8ToString(text)); });
EM_JS(void, page_show_fps, (double fps), { jellyPage.showFps(fps); });
EM_JS(void, page_script_done, (double frame, double fps), { jellyPage.scriptDone(frame, fps); });
EM_JS(void, page_show_controls, (const char* mode),
      { jellyPage.showControls(UTF8ToString(mode)); });
EM_JS(void, page_mark, (const char* name), { performance.mark(UTF8ToString(name)); });
} // namespace

void mark_time(const char* name) {
    page_mark(name);
}

void show_message(const char* text) {
    page_show_message(text);
}

void show_fps(double frames_per_second) {
    page_show_fps(frames_per_second);
}

void show_script_progress(int64_t frame, int64_t frames) {
    const std::string text =
        "Running frame " + std::to_string(frame) + " of " + std::to_string(frames) + "...";
    page_show_message(text.c_str());
}

void show_script_done(int64_t frame, int64_t fps) {
    page_script_done(double(frame), double(fps));
}

void show_controls(const char* mode) {
    page_show_controls(mode);
}
