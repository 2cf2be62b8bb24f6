// The shared menu look drawn into a real GL context: the standard row's
// geometry and hover highlight, and a button's label inside its box.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/game_state.h"
#include "base/pointer.h"
#include "engine/fonts.h"
#include "graphics_test_support.h"
#include "screens/menu_base.h"

namespace {

using graphics_test::pixelAt;
using graphics_test::windowSide;

const char* const fontFile = "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf";

TEST(MenuRowGeometry, RowsFollowTheLayoutRules) {
    ScreenWidth = 1680;
    ScreenHeight = 1050;
    EXPECT_FLOAT_EQ(menuLineHeight(), 27.5f);
    Vec2 centre = menuRowCentre(-3);
    EXPECT_FLOAT_EQ(centre.x, 840.0f);
    EXPECT_FLOAT_EQ(centre.y, 525.0f - 27.5f * 6);
    // 525 x 55 centred 10 px (m / 2.75) above the label's baseline, truncated.
    IntRect rect = menuRowRect(0);
    EXPECT_EQ(rect, (IntRect{577, 487, 1102, 542}));
}

TEST(MenuRowGeometry, FirstRowUnderTheMouseWinsAndEdgesDoNotCount) {
    ScreenWidth = 1680;
    ScreenHeight = 1050;
    const MenuRow rows[] = {{1, -1, "A", ""}, {7, 0, "B", ""}, {3, 1, "C", ""}};
    IntRect b = menuRowRect(0);
    mouseX = 840;
    mouseY = (b.top + b.bottom) / 2;
    EXPECT_EQ(hoveredMenuRow(rows, 3), 7);
    mouseY = b.top;  // on the edge: outside
    EXPECT_EQ(hoveredMenuRow(&rows[1], 1), 0);
    mouseY = 5;
    EXPECT_EQ(hoveredMenuRow(rows, 3), 0);
}

class MenuDrawing : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_GL();
        if (!std::filesystem::exists(fontFile)) GTEST_SKIP() << "needs fonts-liberation2";
        std::string bytes = readWholeFile(fontFile);
        graphics_test::startLogCapture();
        graphics_test::resetTextures(512);
        // Page 0 first, with no archive index: it would try to build the fonts from it.
        assetIndex.clear();
        createAtlasPage();
        assetArchivePath = tempDir() + "/menu.ass";
        graphics_test::writeArchive(
            assetArchivePath,
            {{"textures\\menuonoff.tga", graphics_test::makeTga(8, 8, 32, 255, 255, 255)}});
        openAssetArchive();
        buildFont(mediumFont, bytes, 16, "menu.ttf_16");
        getTexture("menuonoff.tga");
        for (int i = 0; i < 100 && !textureQueue.empty(); i++) updateStreamingTextures(16);
        updateStreamingTextures(1000);  // past the fade-in of a fresh texture
        graphics_test::beginTestFrame();
    }
    void TearDown() override {
        end2D();
        destroyFont(mediumFont);
        closeAssetArchive();
        deleteTextures();
    }
};

TEST_F(MenuDrawing, TheHoveredRowIsLaidOverWithTheHighlightAtAlpha80) {
    const MenuRow rows[] = {{1, -2, "", "first"}, {2, 2, "", "second"}};
    IntRect hovered = menuRowRect(-2), other = menuRowRect(2);
    mouseX = windowSide / 2;
    mouseY = (hovered.top + hovered.bottom) / 2;
    int32_t item = hoveredMenuRow(rows, 2);
    ASSERT_EQ(item, 1);
    drawMenuRows(rows, 2, item);
    glFinish();
    graphics_test::Rgba inside = pixelAt(hovered.left + 2, hovered.top + 2);
    EXPECT_NEAR(inside.r, 80, 3);
    EXPECT_EQ(pixelAt(other.left + 2, other.top + 2).r, 0);
    EXPECT_EQ(pixelAt(hovered.left + 2, hovered.top - 3).r, 0);
}

TEST_F(MenuDrawing, AButtonsLabelLiesInsideItsBox) {
    MenuButton button{3, {128, 128}, {120, 30}, "Resume"};
    drawMenuButton(button, false);
    glFinish();
    IntRect box = menuButtonRect(button);
    int lit = 0, outside = 0;
    for (int y = 0; y < windowSide; y++)
        for (int x = 0; x < windowSide; x++) {
            if (pixelAt(x, y).r < 200) continue;
            lit++;
            bool in = x >= box.left && x < box.right && y >= box.top && y < box.bottom;
            outside += !in;
        }
    EXPECT_GT(lit, 20);
    EXPECT_EQ(outside, 0);
}

}  // namespace
