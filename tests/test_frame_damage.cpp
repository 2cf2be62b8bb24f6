// Idle frames drawn only where they changed: the rectangles a frame draws
// again, when a whole frame must be drawn instead, and the signature that
// tells one frame's draws from another's.
#include <gtest/gtest.h>

#include <vector>

#include "engine/frame_damage.h"
#include "graphics_test_support.h"

namespace {

bool covers(const std::vector<PixelRect>& rects, int32_t x, int32_t y) {
    for (const PixelRect& r : rects)
        if (x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height) return true;
    return false;
}

// Every pixel of every input rectangle lies in some merged one.
void expectCovered(const std::vector<PixelRect>& input, const std::vector<PixelRect>& merged,
                   const char* what) {
    for (const PixelRect& r : input)
        for (int32_t y = r.y; y < r.y + r.height; y++)
            for (int32_t x = r.x; x < r.x + r.width; x++)
                ASSERT_TRUE(covers(merged, x, y)) << what << ": pixel " << x << "," << y;
}

TEST(DamageRects, MergeJoinsWhatWastesAtMostTheSlackAndKeepsEveryPixel) {
    struct Case {
        const char* what;
        std::vector<PixelRect> input;
        size_t maxRects;
        std::vector<PixelRect> expected;
    } cases[] = {
        {"a star's old and new box", {{10, 10, 10, 10}, {11, 10, 10, 10}}, 8, {{10, 10, 11, 10}}},
        // 10x10 boxes 20 apart: the union of 30x10 wastes exactly the slack of 100.
        {"waste at the slack", {{0, 0, 10, 10}, {20, 0, 10, 10}}, 8, {{0, 0, 30, 10}}},
        {"waste one row past it",
         {{0, 0, 10, 10}, {21, 0, 10, 10}},
         8,
         {{0, 0, 10, 10}, {21, 0, 10, 10}}},
        {"empty boxes go", {{5, 5, 0, 10}, {50, 50, 4, 4}, {9, 9, 3, -1}}, 8, {{50, 50, 4, 4}}},
        {"held to the limit though far apart",
         {{0, 0, 4, 4}, {500, 0, 4, 4}, {0, 500, 4, 4}, {500, 500, 4, 4}},
         3,
         {{0, 0, 504, 4}, {0, 500, 4, 4}, {500, 500, 4, 4}}},
    };
    for (const Case& c : cases) {
        std::vector<PixelRect> merged = mergeRects(c.input, 100, c.maxRects);
        EXPECT_EQ(merged, c.expected) << c.what;
        expectCovered(c.input, merged, c.what);
    }
}

TEST(DamageRects, ManyScatteredBoxesMergeIntoFewWithoutLosingAPixel) {
    std::vector<PixelRect> boxes;
    for (int32_t i = 0; i < 200; i++) boxes.push_back({(i * 97) % 1260, (i * 53) % 700, 12, 12});
    std::vector<PixelRect> merged = mergeRects(boxes, rectMergeSlackPixels, damagePassLimit);
    EXPECT_LE(merged.size(), damagePassLimit);
    int64_t area = 0;
    for (const PixelRect& r : merged) area += rectArea(r);
    // Far less than the window: the point of drawing rectangles at all.
    EXPECT_LT(area, 1280 * 720 / 2);
    expectCovered(boxes, merged, "scattered boxes");
}

TEST(DamageRects, ClipKeepsWhatLiesInTheWindow) {
    EXPECT_EQ(clipRect({-3, -2, 10, 10}, 100, 50), (PixelRect{0, 0, 7, 8}));
    EXPECT_EQ(clipRect({95, 45, 5, 5}, 100, 50), (PixelRect{95, 45, 5, 5}));
    EXPECT_EQ(clipRect({95, 45, 6, 6}, 100, 50), (PixelRect{95, 45, 5, 5}));
    EXPECT_EQ(rectArea(clipRect({100, 0, 5, 5}, 100, 50)), 0);
    EXPECT_EQ(rectArea(clipRect({-5, 0, 5, 5}, 100, 50)), 0);
}

TEST(DamageRects, OnlyAFrameOfTheSameSignatureAndSizeIsDrawnInPart) {
    DrawnFrame then = {7, 1000, 500, {{10, 10, 5, 5}}, true};
    DrawnFrame now = {7, 1000, 500, {{12, 10, 5, 5}, {998, 498, 5, 5}}, true};
    std::vector<PixelRect> damage;
    ASSERT_TRUE(damageBetween(then, now, damage));
    // The old and the new box as one; the corner box cut at the window's edge.
    EXPECT_EQ(damage, (std::vector<PixelRect>{{10, 10, 7, 5}, {998, 498, 2, 2}}));
    struct Change {
        const char* what;
        DrawnFrame changed;
    } changes[] = {
        {"another signature", {8, 1000, 500, now.moving, true}},
        {"another width", {7, 1001, 500, now.moving, true}},
        {"another height", {7, 1000, 499, now.moving, true}},
        {"drawn from its own picture", {7, 1000, 500, now.moving, false}},
    };
    for (const Change& c : changes) {
        EXPECT_FALSE(damageBetween(then, c.changed, damage)) << c.what;
        EXPECT_FALSE(damageBetween(c.changed, now, damage)) << c.what << " before";
    }
}

// The signature of one textured quad drawn after the change.
uint64_t signatureAfter(void (*change)()) {
    graphics_test::beginTestFrame();
    glColor4ub(200, 100, 50, 255);
    glBindTexture(GL_TEXTURE_2D, 0);
    if (change) change();
    beginFrameRecord(graphics_test::windowSide, graphics_test::windowSide);
    frameRecording = true;
    const float quad[] = {1, 2, 3, 4};
    noteDraw(quad, sizeof(quad));
    frameRecording = false;
    return frameRecord.signature;
}

TEST(DamageSignature, TheStateADrawIsMadeWithChangesTheSignature) {
    REQUIRE_GL();
    static GLuint texture = 0;
    if (!texture) glGenTextures(1, &texture);
    struct Change {
        const char* what;
        void (*change)();
    } changes[] = {
        {"colour", [] { glColor4ub(200, 100, 51, 255); }},
        {"alpha", [] { glColor4ub(200, 100, 50, 254); }},
        {"moved", [] { glTranslatef(0.5f, 0, 0); }},
        {"texture", [] { glBindTexture(GL_TEXTURE_2D, texture); }},
        {"blending off", [] { glDisable(GL_BLEND); }},
        {"blend function", [] { glBlendFunc(GL_SRC_ALPHA, GL_ONE); }},
        {"depth test", [] { glEnable(GL_DEPTH_TEST); }},
        {"viewport", [] { glViewport(0, 0, 128, 128); }},
    };
    uint64_t plain = signatureAfter(nullptr);
    EXPECT_EQ(signatureAfter(nullptr), plain) << "the same draw twice";
    for (const Change& c : changes) {
        EXPECT_NE(signatureAfter(c.change), plain) << c.what;
        glViewport(0, 0, graphics_test::windowSide, graphics_test::windowSide);
    }
    graphics_test::beginTestFrame();
}

TEST(DamageSignature, NothingIsRecordedWhileRecordingIsOff) {
    REQUIRE_GL();
    beginFrameRecord(10, 10);
    uint64_t empty = frameRecord.signature;
    const float quad[] = {1, 2};
    noteDraw(quad, sizeof(quad));
    noteMovingRect({1, 1, 2, 2});
    EXPECT_EQ(frameRecord.signature, empty);
    EXPECT_TRUE(frameRecord.moving.empty());
}

// A 10x10 square at window pixels 20..30 both ways; its box keeps a pixel
// of margin, so a scissor from pixel 31 on misses it and one from 30 does not.
TEST(DamageSignature, ADrawIsLeftOutOnlyWhenItsBoxMissesTheScissor) {
    REQUIRE_GL();
    graphics_test::beginTestFrame();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, graphics_test::windowSide, 0, graphics_test::windowSide, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const float square[] = {20, 20, 0, 0, 0, 30, 20, 0, 0, 0, 30, 30, 0, 0, 0, 20, 30, 0, 0, 0};
    struct Case {
        const char* what;
        bool scissorOn;
        PixelRect scissor;
        bool missed;
    } cases[] = {
        {"scissor off", false, {200, 200, 5, 5}, false},
        {"scissor over it", true, {0, 0, 256, 256}, false},
        {"right of its margin", true, {31, 0, 100, 256}, true},
        {"on its margin", true, {30, 0, 100, 256}, false},
        {"above its margin", true, {0, 31, 256, 100}, true},
        {"left of its margin", true, {0, 0, 19, 256}, true},
        {"touching its margin", true, {0, 0, 20, 256}, false},
        {"empty scissor", true, {25, 25, 0, 0}, true},
    };
    for (const Case& c : cases) {
        if (c.scissorOn)
            glEnable(GL_SCISSOR_TEST);
        else
            glDisable(GL_SCISSOR_TEST);
        glScissor(c.scissor.x, c.scissor.y, c.scissor.width, c.scissor.height);
        EXPECT_EQ(cornersMissScissor(square, 4, 5), c.missed) << c.what;
    }
    glDisable(GL_SCISSOR_TEST);
    graphics_test::beginTestFrame();
}

}  // namespace
