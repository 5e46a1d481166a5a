// Looks at the shipped effects as the scene shows them: draws backdrop, tree and owl
// in a 300 by 300 GLUT window, runs an effect at 60 frames per second and writes the
// window at chosen times as PPM pictures. Not a test; run it by hand:
//   fx_preview sleep|smoke OUT_PREFIX SECONDS...   (in the build directory, DISPLAY set)
#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/textures.h"
#include "fx/scintix.h"

namespace {

void Quad(float x0, float y0, float x1, float y1) {
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0); glVertex3f(x0, y0, 0);
    glTexCoord2f(1, 0); glVertex3f(x1, y0, 0);
    glTexCoord2f(1, 1); glVertex3f(x1, y1, 0);
    glTexCoord2f(0, 1); glVertex3f(x0, y1, 0);
    glEnd();
}

void WritePpm(const std::string& path) {
    std::vector<unsigned char> px(300 * 300 * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, 300, 300, GL_RGB, GL_UNSIGNED_BYTE, px.data());
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fprintf(f, "P6 300 300 255\n");
    for (int y = 299; y >= 0; --y) std::fwrite(&px[y * 900], 1, 900, f);
    std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: fx_preview sleep|smoke OUT_PREFIX SECONDS...\n");
        return 2;
    }
    const bool sleep = std::strcmp(argv[1], "sleep") == 0;
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGBA);
    glutInitWindowSize(300, 300);
    glutCreateWindow("fx_preview");
    glViewport(0, 0, 300, 300);
    glEnable(GL_TEXTURE_2D);

    GLuint bg = 0, tr = 0, owl_pic = 0, hat_pic = 0;
    LoadTexture(bg, "Data/background");
    LoadTexture(tr, "Data/tree");
    LoadTexture(owl_pic, sleep ? "Data/sleep_close_eyes" : "Data/stand_01");
    LoadTexture(hat_pic, "Data/hat");
    float cx = 0, cy = 0, cz = 0;
    ZFX::SetWatcher(&cx, &cy, &cz);
    ScintixFX fx;
    if (!fx.load(sleep ? "Data/sleep.zfx" : "Data/smoke.zfx")) return 1;

    std::vector<float> shots;
    for (int i = 3; i < argc; ++i) shots.push_back(static_cast<float>(std::atof(argv[i])));
    const float dt = 1.0f / 60;
    size_t next = 0;
    for (int frame = 0; next < shots.size(); ++frame) {
        const float now = frame * dt;
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, 512, 0, 512, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glColor4ub(255, 255, 255, 255);
        glBindTexture(GL_TEXTURE_2D, bg);
        Quad(0, 0, 512, 512);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glBindTexture(GL_TEXTURE_2D, tr);
        Quad(0, 0, 512, 512);
        glPushMatrix();
        glTranslatef(271, 265, 0);
        glBindTexture(GL_TEXTURE_2D, owl_pic);
        Quad(-250, -250, 250, 250);
        if (!sleep) {
            glBindTexture(GL_TEXTURE_2D, hat_pic);
            Quad(-250, -245, 250, 245);
            fx.render(-8, 185, 0, 45, 5 * dt);
        } else {
            fx.render(36, 130, 0, 50, dt);
        }
        glPopMatrix();
        glDisable(GL_BLEND);
        if (now + dt / 2 >= shots[next]) {
            WritePpm(std::string(argv[2]) + "_" + std::to_string(next) + ".ppm");
            ++next;
        }
        glutSwapBuffers();
    }
    return 0;
}
