// jellycube in the browser: the soft lattice cube drawn with WebGL 2 in the page's canvas.
// With the arguments --fps N --frame K (the page passes them for jellycube.html?fps=N&frame=K)
// it runs the tools' scripted clock up to frame K and draws that frame alone.
#include "web/page_callbacks.h"
#include "web/page_program.h"
#include "web/page_view.h"
#include "web/scripted_query.h"

#include <cstring>
#include <string>

int main(int argc, char** argv) {
    std::string error;
    if (argc == 5 && std::strcmp(argv[1], "--fps") == 0 && std::strcmp(argv[3], "--frame") == 0) {
        const ScriptedQuery query = parse_scripted_query(argv[2], argv[4]);
        if (!query.error.empty()) {
            stop_page();
            show_controls("failed");
            show_message(query.error.c_str());
            return 0;
        }
        page.mode = PageMode::scripted;
        page.script = query.script;
    }
    if (!start_page(error)) {
        stop_page();
        show_controls("failed");
        show_message(error.c_str());
        return 0;
    }
    show_controls(page.mode == PageMode::scripted ? "scripted" : "live");
    start_callbacks();
    return 0;
}
