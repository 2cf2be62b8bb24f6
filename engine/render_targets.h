// Render targets (framebuffer objects with a colour texture). The motion
// blur's memory of the frame before is one at half the window's size in
// each direction. The frame is drawn straight into the window; the blur
// blends this copy over it and then shrinks the window's picture into it for
// the next frame. A quarter of the pixels is all a trail needs: it is faint
// and moving, and the shrinking copy costs a quarter of a full one.
#pragma once

#include <GL/gl.h>

struct RenderTarget {
    GLuint framebuffer;  // 0 = not made
    GLuint colour;       // texture the shrunk frame lands in
    int width, height;
};

extern RenderTarget blurTarget;        // made on first use; released at shutdown
extern RenderTarget backgroundTarget;  // the background image at the window's size; likewise

// Makes the target at width x height with the given texture filter (again
// when that size changed). False when the GL has no framebuffer objects or
// the target is incomplete.
bool prepareTarget(RenderTarget& target, int width, int height, GLint filter);
// Draws into the target over its whole size until endDrawingIntoTarget,
// which gives the window and its viewport back.
void beginDrawingIntoTarget(const RenderTarget& target);
void endDrawingIntoTarget();
// Deletes the target.
void releaseTarget(RenderTarget& target);

// Makes the target for a window drawable of w x h (again when that size
// changed). False when the GL has no framebuffer objects, the window is
// multisampled (its samples cannot be shrunk in one copy) or the target is
// incomplete.
bool prepareBlurTarget(int windowWidth, int windowHeight);
// Shrinks what the window shows (its whole drawable) into the target.
void copyWindowIntoBlurTarget();
// Deletes the target.
void releaseBlurTarget();
// Copies the target into the window at its viewport's corner, texel for
// pixel (not on a multisampled window).
void blitTargetToWindow(const RenderTarget& target);
// The window's own framebuffer holds several samples a pixel.
bool windowMultisampled();
