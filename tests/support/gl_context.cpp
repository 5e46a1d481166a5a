// A GLUT window for drawing tests; see gl_context.h.
#include "gl_context.h"

#include <GL/freeglut.h>
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <link.h>

#include "engine/input.h"

namespace testing_gl {

static int win_w = 0, win_h = 0;

// glutInit ends the process when it finds no display: X is asked first, so that the
// test reports the reason and fails.
static bool OpenWindow(int w, int h) {
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) return false;
    XCloseDisplay(dpy);
    int argc = 1;
    char name[] = "strigolo-test", *argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGBA);
    glutInitWindowSize(w, h);
    glutCreateWindow(name);
    win_w = w, win_h = h;
    // Every library loaded now (the GL driver among them) stays in memory until exit, so
    // that the leak checker can still name the driver's own long-lived allocations and the
    // suppressions in tests/lsan.supp apply to them.
    auto keep = [](dl_phdr_info* info, size_t, void*) {
        if (*info->dlpi_name) dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
        return 0;
    };
    dl_iterate_phdr(keep, nullptr);
    return true;
}

bool EnsureContext(int w, int h) {
    static const bool ready = OpenWindow(w, h);
    if (!ready) return false;
    glViewport(0, 0, win_w, win_h);       // reading and drawing the back buffer, GL's default here
    glPixelStorei(GL_PACK_ALIGNMENT, 1);  // RGB rows of any width read back packed
    SetWindowSizeOverride(win_w, win_h);
    return true;
}

std::array<uint8_t, 4> ReadPixel(int x, int y) {
    std::array<uint8_t, 4> px{};
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    return px;
}

std::array<uint8_t, 4> ReadGuiPixel(float gx, float gy) { return ReadPixel(gx * win_w / 512, gy * win_h / 512); }

std::vector<uint8_t> ReadFrame(int w, int h, unsigned int format) {
    std::vector<uint8_t> px(size_t(w) * h * (format == GL_RGB ? 3 : 4));
    glReadPixels(0, 0, w, h, format, GL_UNSIGNED_BYTE, px.data());
    return px;
}

void GuiProjection() {
    glMatrixMode(GL_PROJECTION), glLoadIdentity(), glOrtho(0, 512, 0, 512, -1, 1);
    glMatrixMode(GL_MODELVIEW), glLoadIdentity();
}

unsigned int MakeTexture(int w, int h, const uint8_t* rgba) {
    GLuint t = 0;
    glGenTextures(1, &t);
    glBindTexture(GL_TEXTURE_2D, t);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return t;
}

}  // namespace testing_gl
