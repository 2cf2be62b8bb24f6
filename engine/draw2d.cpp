#include "engine/draw2d.h"

#include <GL/gl.h>

#include "settings/settings.h"

void begin2D() {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, ScreenWidth, ScreenHeight, 0, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
}

void end2D() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glEnable(GL_DEPTH_TEST);
}

void drawUntexturedRect(float x, float y, float width, float height, float red, float green,
                        float blue, float alpha) {
    glDisable(GL_TEXTURE_2D);
    glColor4f(red / 255.0f, green / 255.0f, blue / 255.0f, alpha / 255.0f);
    glBegin(GL_QUADS);
    glVertex2f(x, y);
    glVertex2f(x + width, y);
    glVertex2f(x + width, y + height);
    glVertex2f(x, y + height);
    glEnd();
    glColor4f(1, 1, 1, 1);
}
