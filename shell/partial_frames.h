// Frames of an idle screen drawn only where they changed. The back buffer
// still holds an earlier frame when the window system says how old it is
// (buffer age), or when the last frame was shown by copying rectangles out of
// it instead of swapping. A frame first runs its draw list with an empty
// scissor, which records its signature and its star boxes and shades nothing;
// when that matches the frame the back buffer holds, the list runs again
// once per damaged rectangle, scissored to it. Anything else draws the whole
// frame as always.
#pragma once

#include <cstddef>

#include "platform/window.h"

extern size_t partialFramePasses;  // scissored passes of the last frame; 0 when drawn whole
extern bool partialFramesAllowed;  // off: every frame is drawn whole (tests compare both)

// Draws the frame through draw, in part when the screen is idle and the back
// buffer allows it; the back buffer then holds the whole frame either way.
void drawFrame(void (*draw)(), bool idleScreen, int32_t width, int32_t height);
// Shows what drawFrame drew: the damaged rectangles alone where they can be
// copied out, otherwise a swap.
void presentFrame(PlatformWindow* window);
// A new window or context: nothing drawn before it is in the back buffer.
void forgetShownFrames();
