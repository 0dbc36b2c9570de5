// Writes the GL extension list of a context like jellycube's (double-buffered RGBA with a
// depth buffer) to standard output and ends. The start-up test compares jellycube's
// standard output with this, byte for byte, on the same X server.
#include <GL/glut.h>

#include <cstdio>

int main(int argc, char** argv) {
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(64, 64);
    glutCreateWindow("gl extensions probe"); // makes the context current
    const GLubyte* extensions = glGetString(GL_EXTENSIONS);
    if (extensions == nullptr) {
        std::fputs("glGetString(GL_EXTENSIONS) returned null\n", stderr);
        return 1;
    }
    std::fputs(reinterpret_cast<const char*>(extensions), stdout);
    return 0;
}
