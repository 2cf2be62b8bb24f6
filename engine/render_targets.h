// The motion blur's memory of the frame before: one render target (a
// framebuffer object with a colour texture) at half the window's size in
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

extern RenderTarget blurTarget;  // made on first use; released at shutdown

// Makes the target for a window drawable of w x h (again when that size
// changed). False when the GL has no framebuffer objects, the window is
// multisampled (its samples cannot be shrunk in one copy) or the target is
// incomplete.
bool prepareBlurTarget(int windowWidth, int windowHeight);
// Shrinks what the window shows (its whole drawable) into the target.
void copyWindowIntoBlurTarget();
// Deletes the target.
void releaseBlurTarget();
