// Anchors, getAnchoredRect, the enabled-state shadow, and what Render2D puts
// on screen: pixels inside and outside the drawn rectangles.
#include <gtest/gtest.h>

#include "base/game_state.h"
#include "engine/draw2d.h"
#include "engine/textures.h"
#include "game/play.h"
#include "graphics_test_support.h"
#include "shell/overlays.h"

using namespace graphics_test;

namespace {

TEST(Anchors, PlaceTheRectangleAroundThePosition) {
    struct Case {
        int anchor;
        float left, top;
    };
    const Case cases[] = {{AnchorCentre, 75, 90},       {AnchorTopLeft, 100, 100},
                          {AnchorBottomMiddle, 75, 80}, {AnchorBottomLeft, 100, 80},
                          {AnchorBottomRight, 50, 80},  {AnchorLeftMiddle, 100, 90},
                          {AnchorTopMiddle, 75, 100}};
    for (const Case& c : cases) {
        Vec2 corner = anchoredCorner(100, 100, 50, 20, c.anchor);
        EXPECT_EQ(corner.x, c.left) << "anchor " << c.anchor;
        EXPECT_EQ(corner.y, c.top) << "anchor " << c.anchor;
    }
}

TEST(Anchors, AnchoredRectKnowsCentreAndTopMiddleOnly) {
    EXPECT_EQ(getAnchoredRect(100, 100, 50, 20, AnchorCentre), (IntRect{75, 90, 125, 110}));
    EXPECT_EQ(getAnchoredRect(100, 100, 50, 20, AnchorTopMiddle), (IntRect{75, 100, 125, 120}));
    for (int anchor : {1, 2, 3, 4, 5, 6})
        EXPECT_EQ(getAnchoredRect(100, 100, 50, 20, anchor), (IntRect{0, 0, 0, 0}));
    EXPECT_EQ(getAnchoredRect(10.9f, 10.9f, 3, 3, AnchorCentre), (IntRect{9, 9, 12, 12}))
        << "computed in floating point, then truncated";
}

class Drawing : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_GL();
        startLogCapture();
        assetIndex.clear();
        resetTextures(256);
        createAtlasPage();
        beginTestFrame();
    }
    void TearDown() override {
        end2D();
        deleteTextures();
    }
    // A loaded texture of one solid colour, placed as the streamer would.
    int addSolidTexture(const std::string& name, unsigned char r, unsigned char g, unsigned char b,
                        float loadAge) {
        TextureRecord record = {name, loadAge, 8, 8, 0, 0, 0};
        record.page = allocateAtlasSpace(8, 8, name, &record.atlasX, &record.atlasY);
        std::vector<unsigned char> texels(8 * 8 * 4);
        for (size_t i = 0; i < texels.size(); i += 4) {
            texels[i] = r;
            texels[i + 1] = g;
            texels[i + 2] = b;
            texels[i + 3] = 255;
        }
        glTexSubImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(record.atlasX),
                        static_cast<GLint>(record.atlasY), 8, 8, GL_RGBA, GL_UNSIGNED_BYTE,
                        texels.data());
        textureList.push_back(record);
        return static_cast<int>(textureList.size()) - 1;
    }
};

// The shadow and the GL agree on culling at every point of a 2D pass.
TEST_F(Drawing, TwoDModeSwitchesCullingThroughTheShadow) {
    auto agree = [] {
        bool shadowed = std::count(enabledStates.begin(), enabledStates.end(), GL_CULL_FACE) > 0;
        return shadowed == static_cast<bool>(glIsEnabled(GL_CULL_FACE));
    };
    end2D();
    enableState(GL_CULL_FACE);
    begin2D();
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE)) << "2D quads are never culled";
    EXPECT_TRUE(agree()) << "after begin2D";
    // A 2D pass that asks for culling itself and gives it back.
    enableState(GL_CULL_FACE);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE)) << "the request reaches the GL";
    disableState(GL_CULL_FACE);
    end2D();
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE)) << "culling is back for the 3D view";
    EXPECT_TRUE(agree()) << "after end2D";
    disableState(GL_CULL_FACE);
    begin2D();
    end2D();
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE)) << "culling off before 2D stays off";
    begin2D();
}

TEST_F(Drawing, AnUntexturedRectangleUsesTheCurrentColour) {
    glColor4ub(255, 0, 0, 255);
    Render2D({0, static_cast<float>(windowSide)}, {40, 30}, AnchorBottomLeft, "", keepColour);
    Rgba inside = pixelAt(20, windowSide - 15);
    EXPECT_EQ(inside.r, 255);
    EXPECT_EQ(inside.g, 0);
    EXPECT_EQ(pixelAt(20, windowSide - 35).r, 0) << "above the rectangle";
    EXPECT_EQ(pixelAt(45, windowSide - 15).r, 0) << "right of the rectangle";
}

TEST_F(Drawing, ATextureNotYetLoadedDrawsNothingAndIsQueued) {
    glColor4ub(255, 255, 255, 255);
    Render2D({128, 128}, {100, 100}, AnchorCentre, "later.tga", 255);
    EXPECT_EQ(pixelAt(128, 128).r, 0);
    ASSERT_EQ(textureQueue.size(), 1u);
    EXPECT_EQ(textureQueue.front(), "later.tga");
}

TEST_F(Drawing, ATexturedQuadShowsItsImageFadedByItsAge) {
    addSolidTexture("green.tga", 0, 255, 0, textureFadeMs);
    addSolidTexture("young.tga", 0, 0, 255, textureFadeMs / 2);
    Render2D({10, 10}, {50, 50}, AnchorTopLeft, "green.tga", 255);
    Render2D({100, 10}, {50, 50}, AnchorTopLeft, "young.tga", 255);
    Rgba green = pixelAt(35, 35);
    EXPECT_EQ(green.g, 255);
    EXPECT_EQ(green.r, 0);
    EXPECT_EQ(pixelAt(65, 35).g, 0) << "outside the quad";
    EXPECT_NEAR(pixelAt(125, 35).b, 128, 2) << "half-way through its fade-in";
}

TEST_F(Drawing, WithoutAlphaTheCurrentColourTintsTheImage) {
    addSolidTexture("white.tga", 255, 255, 255, textureFadeMs);
    glColor4ub(255, 0, 0, 128);
    Render2D({10, 10}, {50, 50}, AnchorTopLeft, "white.tga", keepColour);
    Rgba tinted = pixelAt(35, 35);
    EXPECT_NEAR(tinted.r, 128, 2);
    EXPECT_EQ(tinted.g, 0);
}

TEST_F(Drawing, UVCornersSelectPartOfTheImage) {
    // A 8 x 8 image: left half red, right half blue (inside its 1-texel border).
    int index = addSolidTexture("halves.tga", 255, 0, 0, textureFadeMs);
    const TextureRecord& record = textureList[index];
    std::vector<unsigned char> blue(4 * 8 * 4, 0);
    for (size_t i = 0; i < blue.size(); i += 4) blue[i + 2] = blue[i + 3] = 255;
    bindAtlasPage(record.page);
    glTexSubImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(record.atlasX) + 4,
                    static_cast<GLint>(record.atlasY), 4, 8, GL_RGBA, GL_UNSIGNED_BYTE,
                    blue.data());
    Render2DUV({10, 10}, {40, 40}, AnchorTopLeft, "halves.tga", 255, {0, 1}, {0, 0}, {0.3f, 0},
               {0.3f, 1});
    Render2DUV({60, 10}, {40, 40}, AnchorTopLeft, "halves.tga", 255, {0.7f, 1}, {0.7f, 0}, {1, 0},
               {1, 1});
    EXPECT_EQ(pixelAt(30, 30).r, 255);
    EXPECT_EQ(pixelAt(80, 30).b, 255);
    EXPECT_EQ(pixelAt(80, 30).r, 0);
}

TEST_F(Drawing, TheAtlasNameShowsTheWholeBoundPage) {
    addSolidTexture("corner.tga", 255, 255, 0, textureFadeMs);
    bindAtlasPage(0);
    Render2D({0, 0}, {static_cast<float>(windowSide), static_cast<float>(windowSide)},
             AnchorTopLeft, "atlas", 255);
    // The image sits at texel (0, 0) of the page, drawn at the bottom-left.
    Rgba texel = pixelAt(2, windowSide - 3);
    EXPECT_EQ(texel.r, 255);
    EXPECT_EQ(texel.g, 255);
    EXPECT_EQ(lastAtlasChunk, -1);
}

TEST(Cursor, TakesTheShotColourOnlyDuringPlay) {
    GameState = Game;
    play.playStarted = true;
    play.paused = false;
    play.currentColour = 3;
    EXPECT_EQ(cursorTextureName(), "cursor_red.tga");
    play.currentColour = 6;
    EXPECT_EQ(cursorTextureName(), "cursor.tga");
    play.currentColour = 7;
    EXPECT_EQ(cursorTextureName(), "cursor_green.tga");
    play.paused = true;
    EXPECT_EQ(cursorTextureName(), "cursor.tga");
    play.paused = false;
    GameState = Menu;
    EXPECT_EQ(cursorTextureName(), "cursor.tga");
    GameState = Intro;
}

TEST(ProfilerOverlay, RepeatedSiblingsShareOneRow) {
    std::vector<ProfileSection> sections = {{"Draw", 0, 0, 10},        {"Render2D", 1, 1, 2},
                                            {"Render2D", 1, 2, 4},     {"renderGame", 1, 4, 9},
                                            {"Render2D", 2, 5, 6},     {"Render2D", 1, 9, 9.5},
                                            {"SwapBuffers", 0, 10, 12}};
    std::vector<ProfileRow> rows = profileRows(sections);
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[1].label, "Render2D");
    EXPECT_EQ(rows[1].count, 2) << "the call after renderGame is not next to the first two";
    EXPECT_DOUBLE_EQ(rows[1].totalMs, 3);
    EXPECT_EQ(rows[2].label, "renderGame");
    EXPECT_EQ(rows[3].depth, 2);
    EXPECT_EQ(rows[4].label, "Render2D");
    EXPECT_EQ(rows[4].depth, 1);
    EXPECT_EQ(rows[5].label, "SwapBuffers");
}

}  // namespace
