// 2D drawing in window pixels, origin top-left: anchored rectangles that
// take their image by name from the texture atlas, and a shadow of the GL
// capabilities switched on, so repeated switches issue no GL calls.
#pragma once

#include <GL/gl.h>

#include <string>
#include <vector>

struct Vec2 {
    float x, y;
};

// A screen rectangle in whole pixels.
struct IntRect {
    int left, top, right, bottom;
};
inline bool operator==(IntRect a, IntRect b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Which point of a rectangle its position names.
enum Anchor : int {
    AnchorCentre = 0,
    AnchorTopLeft = 1,
    AnchorBottomMiddle = 2,
    AnchorBottomLeft = 3,
    AnchorBottomRight = 4,
    AnchorLeftMiddle = 5,
    AnchorTopMiddle = 7,
};

extern std::vector<GLenum> enabledStates;  // capabilities switched on through enableState
// The blend function last set through setBlendFunction (GL's own start: one, zero).
extern GLenum blendSource, blendDestination;

// The alpha that leaves the current colour alone (callers tint with glColor4ub).
constexpr float keepColour = -1.0f;

// One quad at pos of size, anchored; texture "" draws untextured in the
// current colour, "atlas" shows the whole bound atlas page.
void Render2D(Vec2 pos, Vec2 size, int anchor, std::string texture, float alpha);
// The same with the four corners' texture coordinates given (anchors 0 to 4).
void Render2DUV(Vec2 pos, Vec2 size, int anchor, std::string texture, float alpha, Vec2 uvTopLeft,
                Vec2 uvBottomLeft, Vec2 uvBottomRight, Vec2 uvTopRight);
void clearScreen(float r, float g, float b, float a);
// Orthographic projection of the window, depth -100..100, depth test off.
void begin2D();
void end2D();
void enableState(GLenum cap);
void disableState(GLenum cap);
// glBlendFunc unless the shadow says the GL has it already.
void setBlendFunction(GLenum source, GLenum destination);
// A new GL context: the next setBlendFunction reaches the GL whatever it asks.
void forgetBlendFunction();
// The rectangle Render2D covers, for anchors 0 and 7; (0, 0, 0, 0) otherwise.
IntRect getAnchoredRect(float x, float y, float w, float h, int anchor);

// Left and top edge of a w x h rectangle anchored at (x, y).
Vec2 anchoredCorner(float x, float y, float w, float h, int anchor);
// A plain rectangle in colour (r, g, b, alpha on 0..255), top-left at (x, y).
void drawUntexturedRect(float x, float y, float width, float height, float red, float green,
                        float blue, float alpha);
