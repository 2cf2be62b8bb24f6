// What an idle frame has to draw again. A frame records a signature of
// everything it draws except the star field, and the box of every star; a
// later frame with the same signature differs from it only inside the boxes
// of both, so where the back buffer still holds that frame only those boxes
// are drawn again (scissored), and any other change draws the whole frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/window.h"

bool operator==(const PixelRect& a, const PixelRect& b);

// One drawn frame as far as a later frame needs it.
struct DrawnFrame {
    uint64_t signature;             // everything drawn outside the star field
    int32_t width, height;          // the drawable it was drawn in
    std::vector<PixelRect> moving;  // the star field's boxes
    bool repeatable;                // drawn from nothing but the signature and the boxes
};

extern bool frameRecording;                 // draws feed frameRecord (off: no GL state is read)
extern DrawnFrame frameRecord;              // the frame being drawn
extern const int64_t rectMergeSlackPixels;  // pixels one scissored pass is worth drawing
constexpr size_t damagePassLimit = 48;      // at most this many scissored passes a frame

// Starts recording a frame drawn in width x height.
void beginFrameRecord(int32_t width, int32_t height);
// A draw: its own data (vertices, colours, what it names) and the GL state
// it is drawn with (colour, texture, matrices, enables, blending, depth).
void noteDraw(const void* data, size_t bytes);
// The star field's box of one star, in window pixels, and the fact that the
// field was drawn at all (its state is fixed, so only that goes in the signature).
void noteMovingRect(PixelRect rect);
void noteMovingLayerDrawn();
// This frame copies the window's picture or remakes a picture it draws from,
// so it cannot be repeated from the signature.
void noteFrameNotRepeatable();

// Whether vertices (x, y, z first of every `stride` floats), drawn with the
// current matrices, land wholly outside the scissor box while the scissor
// test is on: such a draw would change no pixel and can be left out.
bool cornersMissScissor(const float* corners, size_t count, size_t stride);

PixelRect unionRect(const PixelRect& a, const PixelRect& b);
int64_t rectArea(const PixelRect& r);
// Inside 0..width, 0..height; an empty rectangle when nothing is left.
PixelRect clipRect(const PixelRect& r, int32_t width, int32_t height);
// Joins the pair whose union wastes fewest pixels while that waste is at
// most slackPixels, or while more than maxRects remain; empty ones go.
std::vector<PixelRect> mergeRects(std::vector<PixelRect> rects, int64_t slackPixels,
                                  size_t maxRects);
// The rectangles to draw again over a back buffer that holds `then` so that
// it shows `now`; false when only a whole frame will do.
bool damageBetween(const DrawnFrame& then, const DrawnFrame& now, std::vector<PixelRect>& damage);
