// jellycube-record: renders the scene on a scripted clock, through the program's own camera
// and passes, and writes chosen frames as PNG files. Needs an X display (Xvfb serves).
#include "app/callbacks.h"
#include "app/program.h"
#include "support/frame_script.h"
#include "support/png_image.h"

#include <GL/glut.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr const char* tool_name = "jellycube-record";
constexpr const char* purpose =
    "Renders the jelly cube scene on a scripted clock, exactly as the program's window\n"
    "shows it, and writes the last frame (or every K-th frame and the last, with\n"
    "--every K) as OUTDIR/frame-NNNNNN.png, NNNNNN being the frame number from 1.\n"
    "Reads cub.bmp and floor.bmp from the current directory, as the program does.\n"
    "Needs an X display; Xvfb serves.";
constexpr int32_t max_side = 16384; // pixels

struct Recording {
    FrameScript script;
    std::string out_dir = ".";
    int32_t width = 700;  // pixels
    int32_t height = 700; // pixels
    int64_t frame = 0;    // the frame being drawn, from 1
};

// "WxH" with each side a whole number from 1 to max_side; returns an error or "".
std::string parse_size(const std::string& text, int32_t& width, int32_t& height) {
    const std::string bad = "--size: '" + text + "' is not WIDTHxHEIGHT, such as 700x700";
    const size_t x = text.find('x');
    if (x == std::string::npos) {
        return bad;
    }
    int32_t sides[2] = {0, 0};
    const std::string parts[2] = {text.substr(0, x), text.substr(x + 1)};
    for (int k = 0; k < 2; ++k) {
        const std::string& part = parts[k];
        if (part.empty() || part.size() > 5 ||
            part.find_first_not_of("0123456789") != std::string::npos) {
            return bad;
        }
        const int32_t side = int32_t(std::stol(part));
        if (side < 1 || side > max_side) {
            return "--size: each side must be from 1 to 16384 pixels";
        }
        sides[k] = side;
    }
    width = sides[0];
    height = sides[1];
    return "";
}

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", tool_name, message.c_str());
    std::exit(1);
}

// The back buffer as the swap is about to show it, top row first.
PngImage read_back_buffer(int32_t width, int32_t height) {
    std::vector<unsigned char> rgba(std::size_t(width) * std::size_t(height) * 4);
    // RGBA rows are a multiple of 4 bytes long, so the initial pack alignment serves.
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    PngImage image;
    image.width = width;
    image.height = height;
    image.rgb.resize(std::size_t(width) * std::size_t(height) * 3);
    for (int32_t y = 0; y < height; ++y) {
        // GL rows run from the bottom up.
        const unsigned char* from = &rgba[std::size_t(height - 1 - y) * std::size_t(width) * 4];
        unsigned char* to = &image.rgb[std::size_t(y) * std::size_t(width) * 3];
        for (int32_t x = 0; x < width; ++x) {
            to[3 * x] = from[4 * x];
            to[3 * x + 1] = from[4 * x + 1];
            to[3 * x + 2] = from[4 * x + 2];
        }
    }
    return image;
}

// Between the frame's passes and its swap: for a chosen frame, the picture, so that what is
// written is exactly what the swap puts in the window.
void record_before_swap(void* context) {
    const Recording& recording = *static_cast<const Recording*>(context);
    const SceneState& scene = program.scene;
    if (recording.script.shows(recording.frame)) {
        if (scene.window_width != recording.width || scene.window_height != recording.height) {
            fail("the window is " + std::to_string(scene.window_width) + "x" +
                 std::to_string(scene.window_height) + ", not the " +
                 std::to_string(recording.width) + "x" + std::to_string(recording.height) +
                 " asked for (a window manager may have resized it)");
        }
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06lld.png",
                      static_cast<long long>(recording.frame));
        const std::string path = (std::filesystem::path(recording.out_dir) / name).string();
        const std::string error =
            write_png(path, read_back_buffer(recording.width, recording.height));
        if (!error.empty()) {
            fail("cannot write " + path + ": " + error);
        }
    }
}

// One display callback is one scripted frame; GLUT has delivered the window's size before
// the first, as it does for the program.
void record_display(void* context) {
    Recording& recording = *static_cast<Recording*>(context);
    ++recording.frame;
    run_program_frame(recording.script.reading(recording.frame), record_before_swap, &recording);
    if (recording.frame == recording.script.frames) {
        std::exit(0);
    }
}

} // namespace

int main(int argc, char** argv) {
    Recording recording; // lives until exit: glutMainLoop does not return
    const std::vector<ToolOption> options = {
        {"--out", "OUTDIR", "directory for the PNG files, created if missing (default: .)",
         [&recording](const std::string& value) {
             recording.out_dir = value;
             return value.empty() ? std::string("--out: the directory name is empty")
                                  : std::string();
         }},
        {"--size", "WxH", "size of the window and the images in pixels (default: 700x700)",
         [&recording](const std::string& value) {
             return parse_size(value, recording.width, recording.height);
         }},
    };
    recording.script = frame_script_from_args(argc, argv, tool_name, purpose, options);

    // GLUT ends the process on its own when it finds no display, so look first.
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        const char* name = std::getenv("DISPLAY");
        fail(std::string("cannot open the X display ") +
             (name != nullptr && *name != '\0' ? "'" + std::string(name) + "'"
                                               : "(DISPLAY is not set)") +
             "; it needs one, and Xvfb serves");
    }
    XCloseDisplay(display);

    std::error_code error;
    std::filesystem::create_directories(recording.out_dir, error);
    if (error) {
        fail("cannot create " + recording.out_dir + ": " + error.message());
    }

    // The tool's own options are not GLUT's: GLUT gets the program name alone.
    int glut_argc = 1;
    char* glut_argv[] = {argv[0], nullptr};
    glutInit(&glut_argc, glut_argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(recording.width, recording.height);
    glutCreateWindow(tool_name);
    glutIdleFunc(on_idle);
    glutReshapeFunc(on_reshape);
    glutDisplayFunc(on_display);
    program.display_hook = {record_display, &recording};
    init_scene_at(0, recording.script.frequency);
    glutMainLoop();
    return 0;
}
