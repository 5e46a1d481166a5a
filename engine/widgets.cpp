// Buttons, full-window and centred quads, the reshape callback, picking and the
// random timings: the immediate-mode GUI the scene and the panels stand on.
#include "engine/widgets.h"

#include <GL/glu.h>

#include <cstdlib>

#include "engine/input.h"
#include "engine/textures.h"
#include "platform/clock.h"

namespace {
// The unit square as two triangles, shared by every button.
const GLfloat plane_vertex_buffer[] = {-1, 1, 0, -1, -1, 0, 1, 1, 0, 1, 1, 0, 1, -1, 0, -1, -1, 0};
const GLfloat plane_txtcoord_buffer[] = {0, 1, 0, 0, 1, 1, 1, 1, 1, 0, 0, 0};
}  // namespace

void PushGuiSpace() {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, 512, 0, 512, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glPushMatrix();
}

void PopGuiSpace() {
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

Button::Button(GLuint _icon, float x, float y, float w_, float h_)
    : pattern(_icon), position(x, y, 0), w(w_), h(h_), floating(0), acc(float(std::rand() % 180)) {}

void Button::Repos(float x, float y) { position = vector3f(x, y, 0); }

void Button::Reshape(float _w, float _h) {
    w = _w;
    h = _h;
}

bool PixelToGui(float mx, float my, int window_w, int window_h, int& tx, int& ty) {
    if (window_w <= 0 || window_h <= 0) return false;
    const float px = mx * 512;  // the products are rounded to float before dividing
    const float py = my * 512;
    tx = static_cast<int>(px / window_w);
    ty = static_cast<int>(512 - py / window_h);
    return true;
}

bool Button::isSelected() const {
    int tx = 0, ty = 0;
    if (!PixelToGui(touch_coord_x, touch_coord_y, WindowWidth(), WindowHeight(), tx, ty)) return false;
    return position.x - w < tx && tx < position.x + w && position.y - h + floating < ty &&
           ty < position.y + h + floating;
}

bool Button::isClicked() const { return single_touch && isSelected(); }

void Button::Display(bool hl) const {
    PushGuiSpace();
    glEnable(GL_BLEND);
    glDepthMask(GL_FALSE);
    glEnable(GL_TEXTURE_2D);
    BindPicture(pattern);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    if (hl) {
        if (isSelected()) {
            glColor4f(1, 1, 0.5f, 1);
        } else {
            glColor4f(1, 1, 1, 1);
        }
    }
    glTranslatef(position.x, position.y + floating, 0);
    glScalef(w, h, 1);
    DrawTriangles(plane_vertex_buffer, plane_txtcoord_buffer, 6);
    if (hl) glColor4f(1, 1, 1, 1);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    PopGuiSpace();
}

void DrawTriangles(const GLfloat* vertices, const GLfloat* texcoords, int count) {
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, vertices);
    glTexCoordPointer(2, GL_FLOAT, 0, texcoords);
    glDrawArrays(GL_TRIANGLES, 0, count);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

void RenderOnViewport() {
    PushGuiSpace();
    glEnable(GL_TEXTURE_2D);
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    glTexCoord2f(0, 0);
    glVertex3f(0, 0, 0);
    glTexCoord2f(1, 0);
    glVertex3f(512, 0, 0);
    glTexCoord2f(1, 1);
    glVertex3f(512, 512, 0);
    glTexCoord2f(0, 1);
    glVertex3f(0, 512, 0);
    glEnd();
    PopGuiSpace();
}

void DrawRect(float w, float h, float sy) {
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex3f(-w / 2, -h / 2, 0);
    glTexCoord2f(1, 0);
    glVertex3f(w / 2, -h / 2, 0);
    glTexCoord2f(1, 1);
    glVertex3f(w / 2, h / 2 + sy, 0);
    glTexCoord2f(0, 1);
    glVertex3f(-w / 2, h / 2 + sy, 0);
    glEnd();
}

void reshape(int w, int h) {
    RememberWindowSize(w, h);
    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // A minimised (zero-sized) window keeps the identity rather than an infinite aspect.
    if (w > 0 && h > 0) gluPerspective(45.0, double(w) / double(h), 1.0, 99.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

vector3f GetOGLPos(int x, int y) {
    GLint viewport[4] = {};
    GLdouble modelview[16], projection[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    // A zero-sized viewport maps nothing: report a point far outside the GUI space.
    if (viewport[2] <= 0 || viewport[3] <= 0) return vector3f(-1e6f, -1e6f, 0);
    const GLfloat winX = GLfloat(x);
    const GLfloat winY = GLfloat(viewport[3]) - GLfloat(y);
    GLfloat winZ = 0;
    // Only pixels inside the window are read; elsewhere the depth keeps its start value.
    if (x >= 0 && x < viewport[2] && winY >= 0 && winY < viewport[3]) {
        glReadPixels(x, int(winY), 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &winZ);
        while (glGetError() != GL_NO_ERROR) {
        }  // no depth buffer: the read fails harmlessly
    }
    GLdouble px = 0, py = 0, pz = 0;
    gluUnProject(winX, winY, winZ, modelview, projection, viewport, &px, &py, &pz);
    return vector3f(float(px), float(py), float(pz));
}

float rand_intvf(float s, float e, float precision) {
    static bool instance_seed = false;
    if (!instance_seed) {
        std::srand(unsigned(WallClock()));
        instance_seed = true;
    }
    const int n = static_cast<int>((e - s) * precision);
    if (n < 0) return s;  // an empty range: nothing to draw from
    return s + float(std::rand() % (n + 1)) / precision;
}
