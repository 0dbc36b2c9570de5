// jellycube: a soft 5 x 5 x 5 lattice cube that falls, bounces and hops on a textured floor.
// The GLUT program: its state, its start-up and its four callbacks over the scene and the
// GL 1.1 renderer.
#include "render/gl1/scene_start.h"
#include "scene/clock.h"

#include <GL/glut.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr unsigned char escape_key = 27;

// The program's one record, the only global, because GLUT's callbacks take no context.
// Only the start-up and the callbacks reach it; everything below takes what it works on as
// an argument.
struct SceneState {
    Scene scene;
    Gl1Renderer renderer;
} program;

// Clock start, body, floor, textures; a bad texture ends the program.
void init_scene() {
    // The clock starts first, so start-up itself falls into the first frame's interval.
    const int64_t counter_start = clock_ticks();
    const std::string failure =
        start_gl1_scene(program.scene, program.renderer, counter_start, clock_ticks_per_second());
    if (!failure.empty()) {
        std::printf("%s\n", failure.c_str());
        std::fflush(stdout);
        std::exit(1);
    }
}

void on_idle() {
    glutPostRedisplay();
}

void on_keyboard(unsigned char key, int, int) {
    if (key == escape_key) {
        std::exit(0);
    }
}

void on_reshape(int width, int height) {
    program.renderer.resize(width, height);
}

// Advance, draw, swap.
void on_display() {
    program.scene.advance(clock_ticks());
    program.renderer.draw(frame_view(program.scene));
    glutSwapBuffers();
}

} // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
    _setmode(_fileno(stdout), _O_BINARY); // the same bytes as elsewhere: no CR before "\n"
#endif
    glutInit(&argc, argv); // the whole command line belongs to the toolkit
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(700, 700);
    glutCreateWindow("Diz! Uvi! Dar!"); // makes the window's GL context current
    glutIdleFunc(on_idle);
    glutKeyboardFunc(on_keyboard);
    glutReshapeFunc(on_reshape);
    glutDisplayFunc(on_display);
    init_scene();
    std::fputs(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)), stdout);
    glutMainLoop();
    return 0;
}
