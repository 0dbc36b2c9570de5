// jellycube-record: renders the scene on a scripted clock, through the program's own camera
// and passes, into an offscreen framebuffer, and writes chosen frames as PNG files (24-bit
// BMP files where built without libpng, as on Windows). On X11 systems it needs an X display
// for its GL context (Xvfb serves); no window is shown.
#include "render/gl1/offscreen_target.h"
#include "render/gl1/scene_start.h"
#include "support/quote.h"
#include "support/tool_options.h"
#include "support/whole_number.h"

#if defined(JELLY_RECORD_BMP)
#include "texture/bmp_writer.h"
#else
#include "support/png_image.h"
#endif

#if defined(_WIN32)
#include <windows.h>
#endif
#include <GL/glut.h>
#if !defined(_WIN32)
#include <GL/glx.h>
#include <X11/Xlib.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr const char* tool_name = "jellycube-record";
#if defined(JELLY_RECORD_BMP)
#define JELLY_FRAME_EXTENSION "bmp"
#else
#define JELLY_FRAME_EXTENSION "png"
#endif
constexpr const char* purpose =
    "Renders the jelly cube scene on a scripted clock, exactly as the program's window\n"
    "shows it, and writes the last frame (or every K-th frame and the last, with\n"
    "--every K) as OUTDIR/frame-NNNNNN." JELLY_FRAME_EXTENSION
    ", NNNNNN being the frame number from 1.\n"
    "Reads cub.bmp and floor.bmp from the current directory, as the program does.\n"
#if defined(_WIN32)
    "Frames are drawn offscreen, so no window is shown.";
#else
    "Frames are drawn offscreen, so no window is shown; the GL context needs an X\n"
    "display, and Xvfb serves.";
#endif
constexpr int32_t max_side = 16384; // pixels

// "WxH" with each side a whole number from 1 to max_side; returns an error or "".
std::string parse_size(const std::string& text, int32_t& width, int32_t& height) {
    const size_t x = text.find('x');
    const std::string parts[2] = {text.substr(0, x),
                                  x == std::string::npos ? "" : text.substr(x + 1)};
    int64_t sides[2] = {0, 0};
    bool in_range = true;
    for (int k = 0; k < 2; ++k) {
        const std::string& part = parts[k];
        // Digits only: a sign, a blank or an empty side is not a size.
        if (part.empty() || !is_digits(part)) {
            return "--size: " + quote(text) + " is not WIDTHxHEIGHT, such as 700x700";
        }
        in_range &= parse_whole_number(part, sides[k]) == NumberStatus::ok && sides[k] >= 1 &&
                    sides[k] <= max_side;
    }
    if (!in_range) {
        return "--size: " + quote(text) + " has a side outside 1 to " + std::to_string(max_side) +
               " pixels";
    }
    width = int32_t(sides[0]);
    height = int32_t(sides[1]);
    return "";
}

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", tool_name, message.c_str());
    std::exit(1);
}

GlProc load_gl_proc(const char* name) {
#if defined(_WIN32)
    // Entry points beyond OpenGL 1.1 belong to the context's driver, not to opengl32.dll.
    return reinterpret_cast<GlProc>(wglGetProcAddress(name));
#else
    return glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name));
#endif
}

#if defined(JELLY_RECORD_BMP)
using FrameImage = RgbImage;
FrameImage blank_image() {
    return RgbImage(0, 0);
}
// The rows come read back top first; a BMP file stores the bottom row first.
std::string write_frame(const std::string& path, FrameImage& image) {
    const size_t row = size_t(image.width) * 3;
    for (int32_t y = 0; y < image.height / 2; ++y) {
        unsigned char* top = image.rgb.data() + size_t(y) * row;
        std::swap_ranges(top, top + row, image.rgb.data() + size_t(image.height - 1 - y) * row);
    }
    return write_file(path, encode_bmp24(image)) ? "" : "the file could not be written whole";
}
#else
using FrameImage = PngImage;
FrameImage blank_image() {
    return PngImage();
}
std::string write_frame(const std::string& path, const FrameImage& image) {
    return write_png(path, image);
}
#endif

} // namespace

int main(int argc, char** argv) {
    std::string out_dir = ".";
    int32_t width = 700;  // pixels
    int32_t height = 700; // pixels
    const std::vector<ToolOption> options = {
        {"--out", "OUTDIR", "directory for the PNG files, created if missing (default: .)",
         [&out_dir](const std::string& value) {
             out_dir = value;
             return value.empty() ? std::string("--out: the directory name is empty")
                                  : std::string();
         }},
        {"--size", "WxH", "size of the images in pixels, each side 1 to 16384 (default: 700x700)",
         [&width, &height](const std::string& value) { return parse_size(value, width, height); }},
    };
    FrameScript script;
    if (const std::optional<int> status =
            read_tool_args(argc, argv, tool_name, purpose, options, script)) {
        return *status;
    }

#if !defined(_WIN32)
    // GLUT ends the process on its own when it finds no display, so look first.
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        const char* name = std::getenv("DISPLAY");
        fail(std::string("cannot open the X display ") +
             (name != nullptr && *name != '\0' ? quote(name) : "(DISPLAY is not set)") +
             "; it needs one, and Xvfb serves");
    }
    XCloseDisplay(display);
#endif

    std::error_code error;
    std::filesystem::create_directories(out_dir, error);
    if (error) {
        fail("cannot create " + quote(out_dir) + ": " + error.message());
    }

    // The window only carries the GL context, of the same kind as the program's window. It
    // is never drawn into: where a window manager, or none, places it does not matter.
    int glut_argc = 1;
    char* glut_argv[] = {argv[0], nullptr};
    glutInit(&glut_argc, glut_argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(1, 1);
    glutCreateWindow(tool_name);
    OffscreenTarget target;
    const std::string target_error = target.create(width, height, load_gl_proc);
    if (!target_error.empty()) {
        fail(target_error);
    }
    FrameImage image = blank_image();
    try {
        image.rgb.resize(size_t(width) * size_t(height) * 3);
    } catch (const std::bad_alloc&) {
        fail("not enough memory for a " + std::to_string(width) + "x" + std::to_string(height) +
             " picture");
    }
    image.width = width;
    image.height = height;

    // The program's start-up, then the target's size, as GLUT reports a window's size before
    // its first frame.
    Scene scene;
    Gl1Renderer renderer;
    const std::string failure = start_gl1_scene(scene, renderer, 0, script.frequency);
    if (!failure.empty()) {
        std::printf("%s\n", failure.c_str()); // the program's line, where the program shows it
        return 1;
    }
    renderer.resize(width, height);
    for (int64_t k = 1; k <= script.frames; ++k) {
        scene.advance(script.reading(k));
        renderer.draw(frame_view(scene));
        if (!script.shows(k)) {
            continue;
        }
        const std::string read_error = target.read_rgb(image.rgb.data());
        if (!read_error.empty()) {
            fail("frame " + std::to_string(k) + ": " + read_error);
        }
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06lld." JELLY_FRAME_EXTENSION,
                      static_cast<long long>(k));
        const std::string path = (std::filesystem::path(out_dir) / name).string();
        const std::string write_error = write_frame(path, image);
        if (!write_error.empty()) {
            fail("cannot write " + quote(path) + ": " + write_error);
        }
    }
    return 0;
}
