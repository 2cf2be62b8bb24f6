// The Ranking screen's controls: the category selector, the arrows with
// their hold-to-repeat, the scroll bar, the wheel, "Find Me" and "Back".
#include <gtest/gtest.h>

#include "base/game_state.h"
#include "base/pointer.h"
#include "online/account.h"
#include "online/ranking.h"
#include "screens/ranking.h"
#include "settings/settings.h"

namespace {

struct RankingScreen : ::testing::Test {
    void SetUp() override {
        ScreenWidth = 1280;
        ScreenHeight = 720;
        serverLink.connectionMode = ConnectionOffline;  // no page is requested
        GameState = Ranking;
        selectRankingCategory(2);
        rankingRows.assign(40, "1,a,1,5,7,1");
        leftDown = false;
        rankingHeldItem = 0;
    }
    // Presses on item (hovered), then holds the button for ms in 10 ms frames.
    void pressAndHold(int32_t item, float ms) {
        hoverItem = item;
        clickRanking(item);
        for (float t = 0; t < ms; t += 10) {
            hoverItem = item;
            holdRankingButton(10);
        }
    }
};

TEST_F(RankingScreen, CategoryArrowsStopAtOverallAndMeditationAndStartOver) {
    clickRanking(RankingPreviousCategory);
    EXPECT_EQ(rankingCategory, 1);
    EXPECT_TRUE(rankingRows.empty()) << "a new category starts from its first row";
    clickRanking(RankingPreviousCategory);
    clickRanking(RankingPreviousCategory);
    EXPECT_EQ(rankingCategory, 0);
    for (int i = 0; i < 8; i++) clickRanking(RankingNextCategory);
    EXPECT_EQ(rankingCategory, 6);
    rankingRows.assign(3, "row");
    clickRanking(RankingNextCategory);
    EXPECT_EQ(rankingRows.size(), 3u) << "no change, nothing emptied";
}

TEST_F(RankingScreen, AHeldArrowRepeatsAfterHalfASecondEveryTenthOfOne) {
    pressAndHold(RankingArrowDown, 490);
    EXPECT_EQ(rankingScroll, 1) << "the click's row only";
    pressAndHold(RankingArrowDown, 0);
    scrollRankingTo(0);
    pressAndHold(RankingArrowDown, 800);
    EXPECT_EQ(rankingScroll, 5) << "the click, then at 500, 600, 700 and 800 ms";
    leftDown = false;
    holdRankingButton(10);
    EXPECT_EQ(rankingHeldItem, 0) << "the release ends the hold";
    pressAndHold(RankingArrowUp, 600);
    EXPECT_EQ(rankingScroll, 2);
}

TEST_F(RankingScreen, TheArrowsKeepTheLastTenRowsInView) {
    scrollRankingTo(29);
    clickRanking(RankingArrowDown);
    clickRanking(RankingArrowDown);
    EXPECT_EQ(rankingScroll, 30);
    scrollRankingTo(0);
    clickRanking(RankingArrowUp);
    EXPECT_EQ(rankingScroll, 0);
}

TEST_F(RankingScreen, TheHeldBarFollowsTheMouseAlongItsLength) {
    mouseY = 0;
    pressAndHold(RankingScrollBar, 10);
    EXPECT_EQ(rankingScroll, 0);
    mouseY = 720;
    holdRankingButton(10);
    EXPECT_EQ(rankingScroll, 30) << "held below the bar: the end of the list";
    leftDown = false;
    mouseY = 0;
    holdRankingButton(10);
    EXPECT_EQ(rankingScroll, 30) << "released: the list stays";
}

TEST_F(RankingScreen, WheelFindMeAndBack) {
    wheelRanking(-1);
    wheelRanking(-3);
    EXPECT_EQ(rankingScroll, 2) << "one row a notch event";
    wheelRanking(2);
    EXPECT_EQ(rankingScroll, 1);
    clickRanking(RankingFindMe);
    EXPECT_TRUE(findingMe);
    clickRanking(RankingBack);
    EXPECT_EQ(GameState, RankingToMenu);
}

}  // namespace
