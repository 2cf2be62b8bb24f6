#include "shell/partial_frames.h"

#include <GL/gl.h>

#include <deque>
#include <vector>

#include "engine/frame_damage.h"

size_t partialFramePasses = 0;
bool partialFramesAllowed = true;

// The frames shown last, newest first, as far back as a buffer age reaches.
static std::deque<DrawnFrame> shownFrames;
static constexpr size_t ageLimit = 3;
// The last frame was shown by copying rectangles: the back buffer holds it.
static bool backBufferKept = false;
// What drawFrame leaves for presentFrame.
static bool drawnForRects = false;  // idle frame on a window that can show rectangles
static std::vector<PixelRect> drawnRects;
static int32_t drawnWidth = 0, drawnHeight = 0;  // the window size the frame was drawn for

static int32_t backBufferAge() {
    return backBufferKept ? 1 : platformBackBufferAge();
}

// The frame's signature and star boxes; the empty scissor keeps every pixel.
static DrawnFrame recordFrame(void (*draw)(), int32_t width, int32_t height) {
    beginFrameRecord(width, height);
    frameRecording = true;
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 0, 0);
    draw();
    glDisable(GL_SCISSOR_TEST);
    frameRecording = false;
    return frameRecord;
}

static void drawInRects(void (*draw)(), const std::vector<PixelRect>& rects) {
    glEnable(GL_SCISSOR_TEST);
    for (const PixelRect& r : rects) {
        glScissor(r.x, r.y, r.width, r.height);
        draw();
    }
    glDisable(GL_SCISSOR_TEST);
}

// Damage against the frame the back buffer holds; false: draw it whole.
static bool damageSinceBackBuffer(const DrawnFrame& now, std::vector<PixelRect>& damage) {
    int32_t age = backBufferAge();
    if (age < 1 || static_cast<size_t>(age) > shownFrames.size()) return false;
    return damageBetween(shownFrames[static_cast<size_t>(age) - 1], now, damage);
}

void drawFrame(void (*draw)(), bool idleScreen, int32_t width, int32_t height) {
    partialFramePasses = 0;
    if (platformTakeWindowExposed()) shownFrames.clear();
    drawnForRects = false;
    // Without either way of keeping the back buffer no frame can be reused.
    bool reusable = platformCanPresentRects() || backBufferAge() >= 1;
    if (!idleScreen || !partialFramesAllowed || !reusable) {
        shownFrames.clear();
        draw();
        return;
    }
    DrawnFrame now = recordFrame(draw, width, height);
    std::vector<PixelRect> damage;
    if (damageSinceBackBuffer(now, damage)) {
        drawInRects(draw, damage);
        partialFramePasses = damage.size();
        drawnRects = damage;
    } else {
        draw();
        drawnRects = {{0, 0, width, height}};
    }
    drawnForRects = platformCanPresentRects();
    drawnWidth = width;
    drawnHeight = height;
    shownFrames.push_front(now);
    if (shownFrames.size() > ageLimit) shownFrames.pop_back();
}

void presentFrame(PlatformWindow* window) {
    backBufferKept = drawnForRects && platformPresentRects(drawnRects, drawnWidth, drawnHeight);
    if (!backBufferKept) platformSwapBuffers(window);
}

void forgetShownFrames() {
    shownFrames.clear();
    backBufferKept = false;
}
