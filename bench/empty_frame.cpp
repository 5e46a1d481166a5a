// The floor for frame-cost measurements: the program's window with frames that only
// clear and swap, paced exactly as the program's frames are.
#include <GL/freeglut.h>

#include "platform/pacing.h"

namespace {
void display() {
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glFlush();
    glFinish();
    glutSwapBuffers();
    PaceFrame();
    glutPostRedisplay();
}
}  // namespace

int main(int argc, char** argv) {
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE);
    glutInitWindowSize(300, 300);
    glutCreateWindow("Strigolo empty frame");
    RequestSwapInterval();
    glutDisplayFunc(display);
    glutMainLoop();
    return 0;
}
