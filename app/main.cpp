// jellycube: a soft 5 x 5 x 5 lattice cube that falls, bounces and hops on a textured floor.
#include "app/callbacks.h"

#include <GL/glut.h>

#include <cstdio>
#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

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
