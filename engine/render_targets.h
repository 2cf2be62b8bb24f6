// Two window-sized render targets (framebuffer objects with a colour texture
// and a depth buffer) drawn into in turn: while a frame is drawn into one,
// the other still holds the frame before it and can be sampled.
#pragma once

#include <GL/gl.h>

struct RenderTarget {
    GLuint framebuffer;  // 0 = not made
    GLuint colour;       // texture the frame lands in
    GLuint depth;        // renderbuffer
    int width, height;
};

extern RenderTarget renderTargets[2];  // made on first use; released at shutdown
extern int currentRenderTarget;        // the target this frame draws into (0 or 1)
extern bool renderTargetBound;         // drawing goes to the current target, not the window

// Makes both targets at w x h (again when the size changed). False when the
// GL has no framebuffer objects, the window is multisampled (a target would
// lose its smoothed edges) or a target is incomplete; nothing is bound then.
bool prepareRenderTargets(int width, int height);
// Sends drawing to the current target.
void bindCurrentRenderTarget();
// Copies the current target into the window and sends drawing there again.
void presentCurrentRenderTarget();
// Copies what the window shows into the current target (drawing stays on the window).
void copyWindowIntoCurrentTarget();
// The current target becomes the previous one and the other is drawn next.
void swapRenderTargets();
// The colour texture of the target drawn before the current one.
GLuint previousTargetTexture();
// Deletes both targets; the window's framebuffer is bound again.
void releaseRenderTargets();
