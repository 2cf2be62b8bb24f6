#include "engine/frame_damage.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

bool frameRecording = false;
DrawnFrame frameRecord = {};
// About what one scissored pass costs on a software renderer, in pixels of
// an idle menu's shading: a union that wastes less is drawn as one.
const int64_t rectMergeSlackPixels = 4096;

static constexpr uint64_t hashStart = 14695981039346656037ull, hashPrime = 1099511628211ull;

bool operator==(const PixelRect& a, const PixelRect& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

void beginFrameRecord(int32_t width, int32_t height) {
    frameRecord = {hashStart, width, height, {}, true};
}

static void mixBytes(const void* data, size_t bytes) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < bytes; i++)
        frameRecord.signature = (frameRecord.signature ^ p[i]) * hashPrime;
}

template <typename T>
static void mixValue(const T& value) {
    mixBytes(&value, sizeof(value));
}

// What a draw's pixels depend on besides its own data.
static void mixDrawState() {
    static const GLenum floatsRead[] = {GL_CURRENT_COLOR,     GL_MODELVIEW_MATRIX,
                                        GL_PROJECTION_MATRIX, GL_TEXTURE_MATRIX,
                                        GL_DEPTH_RANGE,       GL_ALPHA_TEST_REF};
    static const GLenum integersRead[] = {
        GL_TEXTURE_BINDING_2D,      GL_BLEND_SRC, GL_BLEND_DST,       GL_DEPTH_FUNC,
        GL_DEPTH_WRITEMASK,         GL_VIEWPORT,  GL_ALPHA_TEST_FUNC, GL_DRAW_FRAMEBUFFER_BINDING,
        GL_READ_FRAMEBUFFER_BINDING};
    static const GLenum enablesRead[] = {GL_BLEND,     GL_TEXTURE_2D, GL_DEPTH_TEST, GL_ALPHA_TEST,
                                         GL_CULL_FACE, GL_LIGHTING,   GL_FOG};
    GLfloat floats[16] = {};
    for (GLenum name : floatsRead) {
        glGetFloatv(name, floats);
        mixValue(floats);
    }
    GLint integers[4] = {};
    for (GLenum name : integersRead) {
        glGetIntegerv(name, integers);
        mixValue(integers);
    }
    // The texture environment is no glGet value: asked that way it is an
    // invalid enum, and the mode was never read.
    GLint textureEnvironment = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &textureEnvironment);
    mixValue(textureEnvironment);
    for (GLenum cap : enablesRead) mixValue(glIsEnabled(cap));
}

void noteDraw(const void* data, size_t bytes) {
    if (!frameRecording) return;
    mixBytes(data, bytes);
    mixDrawState();
}

void noteMovingRect(PixelRect rect) {
    if (frameRecording) frameRecord.moving.push_back(rect);
}

void noteMovingLayerDrawn() {
    static const char marker[] = "moving layer";
    if (frameRecording) mixBytes(marker, sizeof(marker));
}

void noteFrameNotRepeatable() {
    frameRecord.repeatable = false;
}

// ---- draws that miss the scissor ----

static void multiply(const GLfloat* a, const GLfloat* b, GLfloat* out) {
    for (int column = 0; column < 4; column++)
        for (int row = 0; row < 4; row++) {
            GLfloat sum = 0;
            for (int k = 0; k < 4; k++) sum += a[k * 4 + row] * b[column * 4 + k];
            out[column * 4 + row] = sum;
        }
}

// The window-pixel box of the corners, one pixel wider each way; false for
// a corner at or behind the eye, whose box is not worth working out.
static bool windowBox(const float* corners, size_t count, size_t stride, PixelRect& box) {
    GLfloat modelview[16], projection[16], both[16];
    GLint viewport[4];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    multiply(projection, modelview, both);
    float left = HUGE_VALF, bottom = HUGE_VALF, right = -HUGE_VALF, top = -HUGE_VALF;
    for (size_t i = 0; i < count; i++) {
        const float* v = corners + i * stride;
        float clip[4];
        for (int row = 0; row < 4; row++)
            clip[row] =
                both[row] * v[0] + both[4 + row] * v[1] + both[8 + row] * v[2] + both[12 + row];
        if (!(clip[3] > 0)) return false;
        float x = viewport[0] + (clip[0] / clip[3] + 1) / 2 * viewport[2];
        float y = viewport[1] + (clip[1] / clip[3] + 1) / 2 * viewport[3];
        left = std::min(left, x), right = std::max(right, x);
        bottom = std::min(bottom, y), top = std::max(top, y);
    }
    auto low = static_cast<int32_t>(std::floor(left)) - 1;
    auto base = static_cast<int32_t>(std::floor(bottom)) - 1;
    box = {low, base, static_cast<int32_t>(std::ceil(right)) + 1 - low,
           static_cast<int32_t>(std::ceil(top)) + 1 - base};
    return true;
}

static bool overlaps(const PixelRect& a, const PixelRect& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&
           b.y < a.y + a.height;
}

bool cornersMissScissor(const float* corners, size_t count, size_t stride) {
    if (count == 0 || !glIsEnabled(GL_SCISSOR_TEST)) return false;
    GLint scissor[4];
    glGetIntegerv(GL_SCISSOR_BOX, scissor);
    PixelRect box;
    if (!windowBox(corners, count, stride, box)) return false;
    return rectArea({scissor[0], scissor[1], scissor[2], scissor[3]}) == 0 ||
           !overlaps(box, {scissor[0], scissor[1], scissor[2], scissor[3]});
}

// ---- rectangles ----

int64_t rectArea(const PixelRect& r) {
    return r.width <= 0 || r.height <= 0 ? 0 : static_cast<int64_t>(r.width) * r.height;
}

PixelRect unionRect(const PixelRect& a, const PixelRect& b) {
    if (rectArea(a) == 0) return b;
    if (rectArea(b) == 0) return a;
    int32_t left = std::min(a.x, b.x), bottom = std::min(a.y, b.y);
    int32_t right = std::max(a.x + a.width, b.x + b.width);
    int32_t top = std::max(a.y + a.height, b.y + b.height);
    return {left, bottom, right - left, top - bottom};
}

PixelRect clipRect(const PixelRect& r, int32_t width, int32_t height) {
    int32_t left = std::max(r.x, 0), bottom = std::max(r.y, 0);
    int32_t right = std::min(r.x + r.width, width), top = std::min(r.y + r.height, height);
    if (right <= left || top <= bottom) return {0, 0, 0, 0};
    return {left, bottom, right - left, top - bottom};
}

// Pixels the union of a and b covers that neither does (overlaps counted as waste saved).
static int64_t mergeWaste(const PixelRect& a, const PixelRect& b) {
    return rectArea(unionRect(a, b)) - rectArea(a) - rectArea(b);
}

// Each rectangle's cheapest partner among those after it, kept up to date
// as pairs merge, so a frame's few hundred boxes merge in about n² steps.
struct Partner {
    size_t index;
    int64_t waste;
};
static constexpr int64_t noWaste = std::numeric_limits<int64_t>::max();

static Partner cheapestAfter(const std::vector<PixelRect>& rects, size_t i) {
    Partner best = {i, noWaste};
    for (size_t j = i + 1; j < rects.size(); j++) {
        int64_t waste = mergeWaste(rects[i], rects[j]);
        if (waste < best.waste) best = {j, waste};
    }
    return best;
}

static size_t cheapestRow(const std::vector<Partner>& partners) {
    size_t row = 0;
    for (size_t i = 1; i < partners.size(); i++)
        if (partners[i].waste < partners[row].waste) row = i;
    return row;
}

// Rectangle `gone` was merged into `kept`: indices shift and partners change.
static void mergePartners(std::vector<PixelRect>& rects, std::vector<Partner>& partners,
                          size_t kept, size_t gone) {
    rects.erase(rects.begin() + static_cast<std::ptrdiff_t>(gone));
    partners.erase(partners.begin() + static_cast<std::ptrdiff_t>(gone));
    for (size_t i = 0; i < rects.size(); i++) {
        Partner& p = partners[i];
        bool stale = i == kept || p.index == kept || p.index == gone;
        if (p.index > gone) p.index--;
        if (stale) {
            p = cheapestAfter(rects, i);
        } else if (i < kept) {
            int64_t waste = mergeWaste(rects[i], rects[kept]);
            if (waste < p.waste) p = {kept, waste};
        }
    }
}

std::vector<PixelRect> mergeRects(std::vector<PixelRect> rects, int64_t slackPixels,
                                  size_t maxRects) {
    rects.erase(std::remove_if(rects.begin(), rects.end(),
                               [](const PixelRect& r) { return rectArea(r) == 0; }),
                rects.end());
    std::vector<Partner> partners(rects.size());
    for (size_t i = 0; i < rects.size(); i++) partners[i] = cheapestAfter(rects, i);
    while (rects.size() > 1) {
        size_t row = cheapestRow(partners);
        Partner pair = partners[row];
        if (pair.waste > slackPixels && rects.size() <= maxRects) break;
        rects[row] = unionRect(rects[row], rects[pair.index]);
        mergePartners(rects, partners, row, pair.index);
    }
    return rects;
}

bool damageBetween(const DrawnFrame& then, const DrawnFrame& now, std::vector<PixelRect>& damage) {
    damage.clear();
    if (!then.repeatable || !now.repeatable || then.signature != now.signature ||
        then.width != now.width || then.height != now.height)
        return false;
    std::vector<PixelRect> boxes = then.moving;
    boxes.insert(boxes.end(), now.moving.begin(), now.moving.end());
    for (PixelRect& box : boxes) box = clipRect(box, now.width, now.height);
    damage = mergeRects(boxes, rectMergeSlackPixels, damagePassLimit);
    return true;
}
