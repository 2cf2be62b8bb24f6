// Finding the transparent middle of an image.
#include "engine/clear_middle.h"

std::map<std::string, ClearMiddle> clearMiddles;

// The middle is grown in steps of 1/64 of the image until a step would take
// in a visible texel.
static constexpr int growthSteps = 64;
// Texels kept between the middle and the nearest visible one: linear
// filtering of a magnified image blends each pixel from two texels a side.
static constexpr int filterMargin = 2;

static bool clearRectangle(const unsigned char* texels, int width, int height, int halfX,
                           int halfY) {
    int x0 = width / 2 - halfX, x1 = (width + 1) / 2 + halfX;
    int y0 = height / 2 - halfY, y1 = (height + 1) / 2 + halfY;
    if (x0 < 0 || y0 < 0 || x1 > width || y1 > height) return false;
    for (int y = y0; y < y1; y++)
        for (int x = x0; x < x1; x++)
            if (texels[(static_cast<size_t>(y) * width + x) * 4 + 3] != 0) return false;
    return true;
}

ClearMiddle findClearMiddle(const unsigned char* texels, int width, int height) {
    if (!texels || width <= 2 * filterMargin || height <= 2 * filterMargin) return {0, 0};
    int best = 0;
    for (int step = 1; step <= growthSteps; step++) {
        int halfX = width * step / (2 * growthSteps), halfY = height * step / (2 * growthSteps);
        if (!clearRectangle(texels, width, height, halfX + filterMargin, halfY + filterMargin))
            break;
        best = step;
    }
    if (best == 0) return {0, 0};
    // The shares of the whole texels tested, so that no visible one is left out.
    return {static_cast<float>(width * best / (2 * growthSteps)) / static_cast<float>(width),
            static_cast<float>(height * best / (2 * growthSteps)) / static_cast<float>(height)};
}

ClearMiddle clearMiddleOf(const std::string& name) {
    auto found = clearMiddles.find(name);
    return found == clearMiddles.end() ? ClearMiddle{0, 0} : found->second;
}
