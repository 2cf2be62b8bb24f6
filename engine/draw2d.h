// 2D drawing in window pixels, origin top-left.
#pragma once

// Orthographic projection of the window, depth -100..100, depth test off.
void begin2D();
void end2D();
// An untextured rectangle; colour and alpha on the 0..255 scale.
void drawUntexturedRect(float x, float y, float width, float height, float red, float green,
                        float blue, float alpha);
