// Achievements: the key table, the unlock with its offline and practice
// rules, submission and resubmission, the synchronisation after login, the
// popup list the replies fill, and the Achieves screen's page slide.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "base/game_state.h"
#include "game/modes.h"
#include "online/account.h"
#include "online/achievements.h"
#include "online/replies.h"
#include "online/requests.h"
#include "online_test_support.h"
#include "protocol/achievement_keys.h"
#include "protocol/encodings.h"
#include "screens/achieves.h"
#include "settings/settings.h"

namespace {

using onlinetest::couldNotConnect;
using onlinetest::popupNumbers;

struct Achievements : ::testing::Test {
    void SetUp() override {
        onlinetest::goOnlineWithoutAnswers();
        loginPassword = "secret";
        modeState.practiceMode = false;
    }
    void TearDown() override { onlinetest::stopRequests(); }
    void cheeveAnswer(const std::string& reply, int32_t result = 0) {
        cheeveReply = reply;
        dispatchReply(CheeveRequest, result, &cheeveReply);
    }
};

// The table the game and the server share: every number has its own key and
// the key leads back to it; numbers and keys outside the table lead nowhere.
TEST(AchievementTable, KeysMapBothWaysAndTheIntroFillsTheTable) {
    std::set<std::string> keys;
    for (int32_t number = 1; number <= achievementCount; number++) {
        std::string key = achievementKey(number);
        EXPECT_TRUE(!key.empty() && keys.insert(key).second) << number;
        EXPECT_EQ(achievementNumber(key), number) << key;
    }
    EXPECT_EQ(achievementNumber("lightheaded"), 1);
    EXPECT_EQ(achievementKey(achievementCount), "lastmanstanding");
    EXPECT_EQ(achievementNumber("nothing"), 0);
    EXPECT_EQ(achievementNumber(""), 0);
    EXPECT_EQ(achievementKey(0), "");
    EXPECT_EQ(achievementKey(achievementCount + 1), "");
    fillAchievementTable();
    EXPECT_EQ(achievementTable[26].title, "You've Got Red On You");
    EXPECT_EQ(achievementTable[26].icon, "achi-youvegotredonyou.tga");
    EXPECT_EQ(achievementTable[14].description,
              "Use a fusion pulse above 90% zentrix on normal difficulty or higher");
}

TEST_F(Achievements, UnlockingAKeyTwiceSendsOneRequest) {
    unlockAchievement("chainreaction");
    unlockAchievement("chainreaction");
    ASSERT_EQ(requestLog.size(), 1u);
    EXPECT_EQ(requestLog[0].url, "client_cheeve.php?userid=12&passwordHash=" + md5Hex("secret") +
                                     "&cheeve=chainreaction");
    EXPECT_EQ(requestLog[0].kind, CheeveRequest);
    EXPECT_TRUE(unlockedAchievements[2]) << "set before the server answers";
    EXPECT_EQ(pendingCheeve, "chainreaction");
    EXPECT_FALSE(cheeveAnswered);
}

TEST_F(Achievements, NothingUnlocksOfflineInPracticeOrForAnUnknownKey) {
    serverLink.connectionMode = ConnectionOffline;
    unlockAchievement("epic");
    serverLink.connectionMode = ConnectionOnline;
    modeState.practiceMode = true;
    unlockAchievement("epic");
    modeState.practiceMode = false;
    unlockAchievement("nothing");
    EXPECT_TRUE(requestLog.empty());
    EXPECT_FALSE(unlockedAchievements[4]);
    EXPECT_FALSE(unlockedAchievements[0]);
}

TEST_F(Achievements, ReplyListingTwoNumbersQueuesTwoPopups) {
    unlockAchievement("killstreak");
    serverLink.cheeveWaitMs = 300;
    cheeveAnswer("20 6");
    EXPECT_EQ(popupNumbers(), (std::vector<int32_t>{20, 6}));
    EXPECT_FALSE(serverLink.unlockPopups[0].sounded || serverLink.unlockPopups[1].sounded);
    EXPECT_TRUE(unlockedAchievements[6]);
    EXPECT_TRUE(cheeveAnswered);
    EXPECT_EQ(pendingCheeve, "");
    EXPECT_FLOAT_EQ(serverLink.cheeveWaitMs, 0);
}

TEST_F(Achievements, ASecondUnlockEmptiesThePopupsAndRestartsTheirClock) {
    unlockAchievement("killstreak");
    cheeveAnswer("20 6");
    bannerClock = 1200;
    unlockAchievement("zenmaster");
    EXPECT_TRUE(serverLink.unlockPopups.empty());
    EXPECT_FLOAT_EQ(bannerClock, 0);
    cheeveAnswer("22");
    EXPECT_EQ(popupNumbers(), (std::vector<int32_t>{22}));
}

TEST_F(Achievements, AFailedSubmissionIsSentAgainAndFailLeavesTheFlag) {
    unlockAchievement("quicksave");
    cheeveAnswer("", couldNotConnect);
    EXPECT_EQ(requestLog.size(), 2u) << "submitted again at once";
    EXPECT_TRUE(unlockedAchievements[14]);
    EXPECT_EQ(requestLog[0].url, requestLog[1].url);
    cheeveAnswer("fail");
    EXPECT_TRUE(cheeveAnswered);
    EXPECT_TRUE(unlockedAchievements[14]);
    EXPECT_TRUE(serverLink.unlockPopups.empty());
    EXPECT_EQ(requestLog.size(), 2u);
}

TEST_F(Achievements, TheWaitGrowsOnlyWhileTheSubmissionRuns) {
    unlockAchievement("survivalist");
    trackCheeveWait(40);
    EXPECT_FLOAT_EQ(serverLink.cheeveWaitMs, 40);
    requestLog[0].done = true;
    trackCheeveWait(40);
    EXPECT_FLOAT_EQ(serverLink.cheeveWaitMs, 40);
    cheeveAnswered = true;
    requestLog[0].done = false;
    trackCheeveWait(40);
    EXPECT_FLOAT_EQ(serverLink.cheeveWaitMs, 40);
}

TEST_F(Achievements, SyncSetsOnlyTheNonZeroNumbersWithoutPopups) {
    unlockedAchievements[9] = true;
    startCheeveSync("12", md5Hex("secret"));
    EXPECT_FALSE(unlockedAchievements[9]) << "cleared before the synchronisation";
    ASSERT_EQ(requestLog.size(), 1u);
    EXPECT_EQ(requestLog[0].url, "sync_cheeves.php?userid=12&passwordHash=" + md5Hex("secret"));
    syncCheevesReply = "3 0 17 99 -1";
    dispatchReply(SyncCheevesRequest, 0, &syncCheevesReply);
    for (int32_t n = 0; n <= achievementCount; n++)
        EXPECT_EQ(unlockedAchievements[n], n == 3 || n == 17) << n;
    EXPECT_TRUE(serverLink.unlockPopups.empty());
    syncCheevesReply = "5";
    dispatchReply(SyncCheevesRequest, couldNotConnect, &syncCheevesReply);
    EXPECT_FALSE(unlockedAchievements[5]);
}

// ---- the Achieves screen ----

struct AchievesPages : ::testing::Test {
    void SetUp() override {
        ScreenWidth = 1280;
        ScreenHeight = 720;
        showFirstAchievesPage();
    }
    static void slideToRest() {
        for (int i = 0; i < 1000 && !achievesSlideResting; i++) slideAchievesPages(10);
    }
};

TEST_F(AchievesPages, ArrowsTurnOnePageWithinOneToNine) {
    clickAchieves(1);
    EXPECT_EQ(achievesPage, 1);
    clickAchieves(2);
    EXPECT_EQ(achievesPage, 2);
    EXPECT_FALSE(achievesSlideResting);
    clickAchieves(2);
    EXPECT_EQ(achievesPage, 2) << "ignored while the page slides";
    slideToRest();
    for (int i = 0; i < 12; i++) {
        clickAchieves(2);
        slideToRest();
    }
    EXPECT_EQ(achievesPage, 9);
}

TEST_F(AchievesPages, PagesSlideAtTheScreenHeightOver1200PerMs) {
    float start = achievesSlides[2].x;
    clickAchieves(2);
    slideAchievesPages(100);
    EXPECT_FLOAT_EQ(achievesSlides[2].x, start - 60.0f) << "720 / 1200 × 100 ms";
    EXPECT_FLOAT_EQ(achievesSlides[2].toX, 640.0f);
    slideToRest();
    EXPECT_FLOAT_EQ(achievesSlides[2].x, 640.0f) << "never past the target";
    EXPECT_FLOAT_EQ(achievesSlides[2].scale, 1.0f);
    EXPECT_FLOAT_EQ(achievesSlides[1].scale, 0.75f);
    EXPECT_FLOAT_EQ(achievesSlides[3].scale, 0.75f);
    EXPECT_FLOAT_EQ(achievesSlides[4].scale, 0.0f);
}

TEST_F(AchievesPages, NeighboursShrinkAtOneAndAHalfAndGrowAtThreeAndAHalfPerSecond) {
    clickAchieves(2);
    slideAchievesPages(20);
    EXPECT_FLOAT_EQ(achievesSlides[1].scale, 1.0f - 0.03f) << "the old page shrinks";
    EXPECT_FLOAT_EQ(achievesSlides[3].scale, 0.07f) << "the new neighbour grows";
    float progress = 12.0f / (0.53f * 720.0f);
    EXPECT_NEAR(achievesSlides[2].scale, 0.75f + 0.25f * progress, 1e-4)
        << "the current page keeps pace with its slide";
}

TEST_F(AchievesPages, BackLeavesToTheMenu) {
    GameState = Achieves;
    clickAchieves(7);
    EXPECT_EQ(GameState, AchievesToMenu);
}

}  // namespace
