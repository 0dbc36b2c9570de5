// Calls into the page's script, window.jellyPage.
#include "web/page_view.h"

#include <emscripten/emscripten.h>

EM_JS(void, show_message, (const char* text), { jellyPage.showMessage(UTF8ToString(text)); });
EM_JS(void, show_fps, (double fps), { jellyPage.showFps(fps); });
EM_JS(void, show_script_progress, (double frame, double frames),
      { jellyPage.showMessage('Running frame ' + frame + ' of ' + frames + '...'); });
EM_JS(void, show_script_done, (double frame, double fps), { jellyPage.scriptDone(frame, fps); });
EM_JS(void, show_replay_done, (double frames, double time, const char* hash),
      { jellyPage.replayDone(frames, time, UTF8ToString(hash)); });
EM_JS(void, show_controls, (const char* mode), { jellyPage.showControls(UTF8ToString(mode)); });
EM_JS(void, mark_time, (const char* name), { performance.mark(UTF8ToString(name)); });
