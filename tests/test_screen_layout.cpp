// The places every screen reacts to, measured with the game's own fonts from
// the built asset archive in a real GL window, at three window sizes: each
// lies inside the window and clear of the others, and the options screen's
// rows and buttons and the ranking's lines keep off the title grid's rails.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "archive/asset_archive.h"
#include "engine/fonts.h"
#include "game/modes.h"
#include "game/pause_menu.h"
#include "game/play.h"
#include "game/server_link.h"
#include "graphics_test_support.h"
#include "screens/achieves.h"
#include "screens/classic_mode_select.h"
#include "screens/difficulty.h"
#include "screens/gametype.h"
#include "screens/level_select.h"
#include "screens/menu.h"
#include "screens/options.h"
#include "screens/pause.h"
#include "screens/ranking.h"
#include "screens/ranking_layout.h"
#include "screens/score_screen.h"

namespace {

struct WindowSize {
    int32_t width, height;
};
const WindowSize windowSizes[] = {{1280, 720}, {1920, 1080}, {1024, 768}};

// The pause overlay shows one panel at a time; each is checked on its own.
std::vector<HitArea> shownPauseAreas() {
    MenuButton buttons[4];
    int count = pauseButtons(buttons, 4);
    return menuButtonAreas(buttons, count);
}
std::vector<HitArea> pauseMenuAreas() {
    play.tutorialShowing = resetQuestion = serverLink.connectionPrompt = false;
    return shownPauseAreas();
}
std::vector<HitArea> resetQuestionAreas() {
    resetQuestion = true;
    std::vector<HitArea> areas = shownPauseAreas();
    resetQuestion = false;
    return areas;
}
std::vector<HitArea> offlinePromptAreas() {
    serverLink.connectionPrompt = serverLink.offlineWarning = true;
    std::vector<HitArea> areas = shownPauseAreas();
    serverLink.connectionPrompt = serverLink.offlineWarning = false;
    return areas;
}
std::vector<HitArea> classicScoreAreas() {
    modeState.gameMode = ModeNormal;
    scoreSlideOffset = 0;
    return scoreScreenHitAreas();
}

struct ScreenTable {
    const char* name;
    std::vector<HitArea> (*areas)();
    size_t expected;  // places the screen has
};
const ScreenTable screenTables[] = {
    {"Menu", menuHitAreas, 10},
    {"Gametype", gametypeHitAreas, 5},
    {"Difficulty", difficultyHitAreas, 4},
    {"PlayMode", playModeHitAreas, 3},
    {"LevelSelect", levelSelectHitAreas, 11},
    {"Options", optionsHitAreas, 22},
    {"Ranking", rankingHitAreas, 6},
    {"Achieves", achievesHitAreas, 3},
    {"ScoreScreen", classicScoreAreas, 3},
    {"PauseMenu", pauseMenuAreas, 4},
    {"ResetQuestion", resetQuestionAreas, 2},
    {"OfflinePrompt", offlinePromptAreas, 2},
};

int overlap(int a0, int a1, int b0, int b1) {
    return std::max(0, std::min(a1, b1) - std::max(a0, b0));
}
int area(const IntRect& r) {
    return (r.right - r.left) * (r.bottom - r.top);
}
bool contains(const IntRect& r, int x, int y) {
    return x > r.left && x < r.right && y > r.top && y < r.bottom;
}
std::string describe(const IntRect& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
           std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

// Two places of different items: neither centre lies in the other, and they
// share less than a quarter of the smaller one (the menu's rows are a little
// taller than their spacing on a wide window; the first row wins there).
void expectApart(const HitArea& a, const HitArea& b, const std::string& where) {
    if (a.item == b.item) return;
    int shared = overlap(a.rect.left, a.rect.right, b.rect.left, b.rect.right) *
                 overlap(a.rect.top, a.rect.bottom, b.rect.top, b.rect.bottom);
    int centreAx = (a.rect.left + a.rect.right) / 2, centreAy = (a.rect.top + a.rect.bottom) / 2;
    int centreBx = (b.rect.left + b.rect.right) / 2, centreBy = (b.rect.top + b.rect.bottom) / 2;
    std::string pair = where + ": items " + std::to_string(a.item) + " " + describe(a.rect) +
                       " and " + std::to_string(b.item) + " " + describe(b.rect);
    EXPECT_FALSE(contains(b.rect, centreAx, centreAy)) << pair;
    EXPECT_FALSE(contains(a.rect, centreBx, centreBy)) << pair;
    EXPECT_LT(shared * 4, std::min(area(a.rect), area(b.rect))) << pair;
}

class ScreenLayout : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_GL();
        graphics_test::startLogCapture();
        ASSERT_TRUE(graphics_test::openBuiltArchive())
            << "no asset archive at " << assetArchivePath;
    }
    void TearDown() override {
        destroyFonts();
        closeAssetArchive();
        deleteTextures();
    }
    // The window size and the fonts the game builds for it.
    void useWindow(const WindowSize& size) {
        destroyFonts();
        ScreenWidth = size.width;
        ScreenHeight = size.height;
        setupFonts();
        ASSERT_GT(mediumFont.h, 0.0f);
    }
    static std::string sizeName(const WindowSize& size) {
        return std::to_string(size.width) + "x" + std::to_string(size.height);
    }
};

TEST_F(ScreenLayout, EveryPlaceLiesInsideTheWindowAndApartFromTheOthers) {
    for (const WindowSize& size : windowSizes) {
        useWindow(size);
        for (const ScreenTable& screen : screenTables) {
            std::string where = std::string(screen.name) + " at " + sizeName(size);
            std::vector<HitArea> areas = screen.areas();
            ASSERT_EQ(areas.size(), screen.expected) << where;
            for (size_t i = 0; i < areas.size(); i++) {
                const IntRect& r = areas[i].rect;
                std::string place =
                    where + ": item " + std::to_string(areas[i].item) + " " + describe(r);
                EXPECT_LT(r.left, r.right) << place;
                EXPECT_LT(r.top, r.bottom) << place;
                EXPECT_GE(r.left, 0) << place;
                EXPECT_GE(r.top, 0) << place;
                EXPECT_LE(r.right, size.width) << place;
                EXPECT_LE(r.bottom, size.height) << place;
                for (size_t j = i + 1; j < areas.size(); j++)
                    expectApart(areas[i], areas[j], where);
            }
        }
    }
}

TEST_F(ScreenLayout, OptionsRowsAndButtonsStayBetweenTheGridRails) {
    for (const WindowSize& size : windowSizes) {
        useWindow(size);
        IntRect panel = menuPanelRect();
        std::vector<IntRect> rows = optionsRowExtents();
        ASSERT_EQ(rows.size(), 10u);
        std::vector<HitArea> areas = optionsHitAreas();
        for (const HitArea& button : areas)
            if (button.item == OptionBack || button.item == OptionSave) rows.push_back(button.rect);
        ASSERT_EQ(rows.size(), 12u);
        for (size_t i = 0; i < rows.size(); i++) {
            std::string place = sizeName(size) + ": line " + std::to_string(i) + " " +
                                describe(rows[i]) + " in panel " + describe(panel);
            EXPECT_GT(rows[i].top, panel.top) << place;
            EXPECT_LT(rows[i].bottom, panel.bottom) << place;
            EXPECT_LE(rows[i].right, size.width) << place;
            // Rows follow each other down the panel without touching.
            if (i > 0 && i < 10) {
                EXPECT_LE(rows[i - 1].bottom, rows[i].top) << place;
            }
        }
        // The buttons sit below the last row.
        EXPECT_LE(rows[9].bottom, rows[10].top);
    }
}

// Menu rows run from the Achievements title (row -4) to its Back row (4.5): a
// label with tall and deep letters on any of them stays clear of the rails.
TEST_F(ScreenLayout, MenuRowLabelsStayBetweenTheGridRails) {
    for (const WindowSize& size : windowSizes) {
        useWindow(size);
        IntRect panel = menuPanelRect();
        for (float row = -4.0f; row <= 4.5f; row += 0.5f) {
            Vec2 centre = menuRowCentre(row);
            IntRect label = freetype::bbox("Retry Connection, Back? gjpqy", centre.x, centre.y,
                                           mediumFont, AlignCentre, 1.0f);
            std::string place = sizeName(size) + ": row " + std::to_string(row) + " " +
                                describe(label) + " in panel " + describe(panel);
            EXPECT_GT(label.top, panel.top) << place;
            EXPECT_LT(label.bottom, panel.bottom) << place;
        }
    }
}

// The score screen's buttons sit inside the band, clear of the lower rail and
// its glow (a hundredth of the window), not resting on it.
TEST_F(ScreenLayout, ScoreScreenButtonsStayClearOfTheLowerRail) {
    for (const WindowSize& size : windowSizes) {
        useWindow(size);
        IntRect panel = menuPanelRect();
        int clearance = static_cast<int>(0.01f * screenH());
        for (const HitArea& button : classicScoreAreas()) {
            std::string place = sizeName(size) + ": button " + std::to_string(button.item) + " " +
                                describe(button.rect) + " in panel " + describe(panel);
            EXPECT_GT(button.rect.top, panel.top) << place;
            EXPECT_LE(button.rect.bottom, panel.bottom - clearance) << place;
        }
    }
}

// The Online Ranking places its own lines: the title lies above the upper
// rail, the category row, the header and the ten rows between the rails.
TEST_F(ScreenLayout, RankingLinesKeepOffTheGridRails) {
    for (const WindowSize& size : windowSizes) {
        useWindow(size);
        IntRect panel = menuPanelRect();
        auto line = [&](float baseline) {
            return freetype::bbox("Rush Survival Skillpoints gjpqy", screenW() / 2, baseline,
                                  mediumFont, AlignCentre, 1.0f);
        };
        IntRect title = line(rankingTitleShare * screenH());
        EXPECT_LT(title.bottom, panel.top) << sizeName(size) << " " << describe(title);
        std::vector<IntRect> between = {line(rankingCategoryShare * screenH()),
                                        line(rankingHeaderShare * screenH())};
        for (int32_t shown = 0; shown < 10; shown++)
            between.push_back(line(rankingRowBaseline(shown)));
        for (const IntRect& r : between) {
            EXPECT_GT(r.top, panel.top) << sizeName(size) << " " << describe(r);
            EXPECT_LT(r.bottom, panel.bottom) << sizeName(size) << " " << describe(r);
        }
    }
}

// The rails are drawn in the generated title grid image: its brightest rows
// in each half, placed on the screen as the menus place the image (as tall as
// 542 / 1050 of the window, centred), are where the layout expects the rails.
const float bandShareOfHeight = 542.0f / 1050.0f;
TEST_F(ScreenLayout, TheTitleGridImageDrawsItsRailsWhereTheLayoutHasThem) {
    std::string tga = readAsset("textures\\titlegrid.tga");
    ASSERT_GE(tga.size(), 18u);
    int width = static_cast<uint8_t>(tga[12]) | static_cast<uint8_t>(tga[13]) << 8;
    int height = static_cast<uint8_t>(tga[14]) | static_cast<uint8_t>(tga[15]) << 8;
    int bytes = static_cast<uint8_t>(tga[16]) / 8;
    ASSERT_EQ(tga.size(), 18u + static_cast<size_t>(width) * height * bytes);
    // Brightness times opacity down a column clear of the vertical grid lines;
    // the file's first row is the image's bottom.
    auto shown = [&](int y) {
        const char* p = tga.data() + 18 +
                        (static_cast<size_t>(height - 1 - y) * width + width / 2 + 21) * bytes;
        int sum =
            static_cast<uint8_t>(p[0]) + static_cast<uint8_t>(p[1]) + static_cast<uint8_t>(p[2]);
        return sum * (bytes == 4 ? static_cast<uint8_t>(p[3]) : 255);
    };
    auto brightest = [&](int from, int to) {
        int best = from;
        for (int y = from; y < to; y++)
            if (shown(y) > shown(best)) best = y;
        return best;
    };
    int topRail = brightest(0, height / 2), bottomRail = brightest(height / 2, height);
    for (const WindowSize& size : windowSizes) {
        useWindow(size);
        IntRect panel = menuPanelRect();
        float gridHeight = size.height * bandShareOfHeight;
        float gridTop = size.height / 2.0f - gridHeight / 2;
        EXPECT_NEAR(gridTop + (topRail + 0.5f) * gridHeight / height, panel.top, 2.0f)
            << sizeName(size);
        EXPECT_NEAR(gridTop + (bottomRail + 0.5f) * gridHeight / height, panel.bottom, 2.0f)
            << sizeName(size);
    }
}

}  // namespace
