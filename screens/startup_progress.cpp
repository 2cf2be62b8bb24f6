#include "screens/startup_progress.h"

#include <GL/gl.h>

#include "settings/settings.h"

// The block colours in the order the row lights them.
static constexpr unsigned char cubeColours[startupProgressSteps][3] = {
    {232, 64, 56}, {246, 146, 44}, {244, 214, 64}, {86, 196, 92}, {64, 140, 236}, {226, 92, 190},
};
static constexpr float cubeShare = 0.03f;  // a cube's side, of the window height
static constexpr float gapShare = 0.5f;    // the gap between cubes, of a side
static constexpr float dimAlpha = 0.22f;   // a cube not yet lit

static void fillSquare(float x, float y, float side) {
    glVertex2f(x, y);
    glVertex2f(x + side, y);
    glVertex2f(x + side, y + side);
    glVertex2f(x, y + side);
}

// One cube: its face, lit or dim, and a lighter top edge that gives it depth.
static void drawCube(int index, bool lit, float x, float y, float side) {
    const unsigned char* c = cubeColours[index];
    float alpha = lit ? 1.0f : dimAlpha;
    glColor4f(c[0] / 255.0f, c[1] / 255.0f, c[2] / 255.0f, alpha);
    fillSquare(x, y, side);
    glColor4f(1.0f, 1.0f, 1.0f, alpha * 0.35f);
    glVertex2f(x, y);
    glVertex2f(x + side, y);
    glVertex2f(x + side, y + side * 0.12f);
    glVertex2f(x, y + side * 0.12f);
}

static void drawRow(int stepsDone) {
    float w = static_cast<float>(ScreenWidth), h = static_cast<float>(ScreenHeight);
    float side = cubeShare * h, pitch = side * (1.0f + gapShare);
    float left = w / 2 - (startupProgressSteps * pitch - side * gapShare) / 2;
    float top = h / 2 - side / 2;
    glBegin(GL_QUADS);
    for (int i = 0; i < startupProgressSteps; i++)
        drawCube(i, i < stepsDone, left + i * pitch, top, side);
    glEnd();
}

void drawStartupProgress(int stepsDone) {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, ScreenWidth, ScreenHeight, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    drawRow(stepsDone);
    glPopAttrib();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}
