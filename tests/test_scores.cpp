// Score traffic and the world ranking: the highscore and score replies with
// their token counts and grants, the connection prompt they release, and the
// ranking pages with their category check, "EOF", header count, row cutting
// and "Find Me".
#include <gtest/gtest.h>

#include <algorithm>

#include "game/server_link.h"
#include "online/account.h"
#include "online/achievements.h"
#include "online/ranking.h"
#include "online/replies.h"
#include "online/requests.h"
#include "online/scores.h"
#include "online/unsent_results.h"
#include "online_test_support.h"
#include "platform/settings_store.h"
#include "protocol/encodings.h"
#include "settings/settings.h"
#include "temp_folder.h"
#include "tests/time_limit.h"

namespace {

using onlinetest::couldNotConnect;
using onlinetest::popupNumbers;

struct ScoreReplies : ::testing::Test {
    void SetUp() override {
        onlinetest::goOnlineWithoutAnswers();
        // Submitted results are kept beside the settings.
        settingsDirOverride = tempDir() + "/scores";
        serverLink.connectionPrompt = serverLink.promptConnected = false;
    }
    void TearDown() override {
        onlinetest::stopRequests();
        forgetUnsentResults();
        settingsDirOverride.clear();
        serverLink.connectionPrompt = serverLink.promptConnected = false;
    }
    void highscoreAnswer(const std::string& reply, int32_t result = 0) {
        highscoreReply = reply;
        dispatchReply(HighscoreRequest, result, &highscoreReply);
    }
    void scoreAnswer(const std::string& reply, int32_t result = 0) {
        scoreReply = reply;
        dispatchReply(ScoreRequest, result, &scoreReply);
    }
};

TEST_F(ScoreReplies, HighscoreRequestResetsItsValuesAndNeedsFiveTokens) {
    Username = "tester";
    serverLink.personalBest = 9;
    queueHighscoreRequest(3, 4);
    ASSERT_EQ(requestLog.size(), 1u);
    EXPECT_EQ(requestLog[0].url, "highscore.php?gamemode=3&level=4&username=tester&userid=12");
    EXPECT_EQ(requestLog[0].kind, HighscoreRequest);
    EXPECT_TRUE(highscorePending);
    EXPECT_EQ(serverLink.personalBest, -1);
    EXPECT_EQ(rankBefore, -1);

    highscoreAnswer("success 500 400 300");
    EXPECT_TRUE(highscoreAnswered);
    EXPECT_EQ(serverLink.personalBest, -1) << "four tokens carry no values";
    highscoreAnswer("success 500 400 300 7");
    EXPECT_EQ(serverLink.personalBest, 500);
    EXPECT_EQ(serverLink.perfReference, 400);
    EXPECT_EQ(serverLink.perfSpread, 300);
    EXPECT_EQ(rankBefore, 7);
}

TEST_F(ScoreReplies, HighscoreWaitGrowsOnlyWhileUnansweredAndAReplyResetsIt) {
    queueHighscoreRequest(1, 1);
    trackHighscoreWait(6000);
    trackHighscoreWait(6000);
    EXPECT_FLOAT_EQ(serverLink.highscoreWaitMs, 12000);
    highscoreAnswer("success 1 2 3 4");
    EXPECT_FLOAT_EQ(serverLink.highscoreWaitMs, 0);
    trackHighscoreWait(100);
    EXPECT_FLOAT_EQ(serverLink.highscoreWaitMs, 0);
}

TEST_F(ScoreReplies, ScoreSubmissionEmptiesPopupsAndResetsTheRankValues) {
    LevelStatistics stats{2, 1, 5000, 41350, 60, 0, 3, 4, {1, 0, 0}, {0, 0, 0}, 9, 4};
    serverLink.unlockPopups.push_back({3, true});
    rankAfter = skillBefore = skillAfter = 5;
    scoreAwaitingReply = false;
    queueScoreReport(stats);
    ASSERT_EQ(requestLog.size(), 1u);
    EXPECT_EQ(requestLog[0].kind, ScoreRequest);
    EXPECT_EQ(requestLog[0].url.rfind("score.php?gamemode=2&level=1&score=5000&time=41&", 0), 0u);
    EXPECT_TRUE(serverLink.unlockPopups.empty());
    EXPECT_EQ(rankAfter, -1);
    EXPECT_EQ(skillBefore, -1);
    EXPECT_EQ(skillAfter, -1);
    EXPECT_TRUE(scorePending);
    EXPECT_FALSE(serverLink.scoreAnswered);
    EXPECT_TRUE(scoreAwaitingReply) << "the score screen may fade in";
}

TEST_F(ScoreReplies, ScoreReplyNeedsEightTokensAndGrantsOnlyOneToTwentySeven) {
    scoreAnswer("success 1 2 3 4 5 6");
    EXPECT_TRUE(serverLink.scoreAnswered);
    EXPECT_EQ(rankAfter, -1) << "seven tokens carry no values";

    scoreAnswer("success 900 0 0 3 1 1000 1250");
    EXPECT_EQ(rankAfter, 1);
    EXPECT_EQ(skillBefore, 1000);
    EXPECT_EQ(skillAfter, 1250);
    EXPECT_TRUE(serverLink.unlockPopups.empty()) << "exactly eight tokens grant nothing";

    scoreAnswer("success 900 0 0 3 1 1000 1250 0");
    scoreAnswer("success 900 0 0 3 1 1000 1250 28");
    scoreAnswer("success 900 0 0 3 1 1000 1250 -5 x");
    EXPECT_TRUE(serverLink.unlockPopups.empty()) << "0, 28, negatives and words grant nothing";
    EXPECT_FALSE(unlockedAchievements[0]);

    scoreAnswer("success 900 0 0 3 1 1000 1250 5 27");
    EXPECT_EQ(popupNumbers(), (std::vector<int32_t>{5, 27}));
    EXPECT_TRUE(unlockedAchievements[5]);
    EXPECT_TRUE(unlockedAchievements[27]);
}

// "fail" answers and keeps the request pending; a failed transfer clears
// both flags and carries no values, whatever it holds.
TEST_F(ScoreReplies, FailAnswersAndAFailedTransferClearsBothFlags) {
    queueHighscoreRequest(1, 1);
    highscoreAnswer("fail");
    EXPECT_TRUE(highscoreAnswered && highscorePending);
    highscoreAnswer("success 1 2 3 4", couldNotConnect);
    EXPECT_FALSE(highscorePending || highscoreAnswered);
    EXPECT_EQ(serverLink.personalBest, -1);
    scorePending = true;
    scoreAnswer("fail");
    EXPECT_TRUE(serverLink.scoreAnswered);
    scoreAnswer("", couldNotConnect);
    EXPECT_FALSE(scorePending || serverLink.scoreAnswered);
    scoreAnswer("");
    EXPECT_FALSE(serverLink.scoreAnswered) << "an empty reply answers nothing";
}

TEST_F(ScoreReplies, OnlyARealReplyReleasesTheConnectionPrompt) {
    serverLink.connectionPrompt = true;
    highscoreAnswer("fail");
    scoreAnswer("fail");
    EXPECT_FALSE(serverLink.promptConnected);
    scoreAnswer("success 1 2 3 4 5 6 7");
    EXPECT_TRUE(serverLink.promptConnected);
    serverLink.promptConnected = serverLink.connectionPrompt = false;
    highscoreAnswer("success 1 2 3 4");
    EXPECT_FALSE(serverLink.promptConnected) << "no prompt was up";
}

// ---- the world ranking ----

struct Ranking : ScoreReplies {
    void SetUp() override {
        ScoreReplies::SetUp();
        rankingPending = findingMe = false;
        selectRankingCategory(1);
    }
    void pageAnswer(const std::string& reply, int32_t result = 0) {
        rankingReply = reply;
        dispatchReply(RankingRequest, result, &rankingReply);
    }
    // "C ROWS N" and rows of players first+1 .. first+count, user ids 100 + rank.
    static std::string page(int32_t category, int32_t first, int32_t count) {
        std::string text = std::to_string(category) + " ROWS " + std::to_string(count) + "\r\n";
        for (int32_t rank = first + 1; rank <= first + count; rank++)
            text += std::to_string(rank) + ",player" + std::to_string(rank) + "," +
                    std::to_string(category) + ",1000," + std::to_string(100 + rank) + ",1\r\n";
        return text;
    }
    void receiveRows(int32_t count) {
        requestNextRankingPage();
        pageAnswer(page(rankingCategory, rankingOffset, count));
        cutRankingPages(rowCuttingBudgetMs);
    }
};

TEST_F(Ranking, OnePageAtATimeFromTheOffsetAndNoneOffline) {
    requestNextRankingPage();
    requestNextRankingPage();
    ASSERT_EQ(requestLog.size(), 1u) << "one page request in flight";
    EXPECT_EQ(requestLog[0].url, "world_ranking_staggered.php?gamemode=1&offset=0");
    EXPECT_EQ(requestLog[0].kind, RankingRequest);
    pageAnswer(page(1, 0, 3));
    EXPECT_FALSE(rankingPending);
    EXPECT_EQ(rankingOffset, 3) << "the header's count";
    ASSERT_EQ(rankingPages.size(), 1u);
    requestNextRankingPage();
    EXPECT_EQ(requestLog[0].url, "world_ranking_staggered.php?gamemode=1&offset=3");
    pageAnswer(page(1, 3, 3));
    serverLink.connectionMode = ConnectionOffline;
    size_t sent = requestLog.size();
    requestNextRankingPage();
    EXPECT_EQ(requestLog.size(), sent) << "nothing is requested offline";
    EXPECT_FALSE(rankingPending);
}

TEST_F(Ranking, FailedPageIsAskedForAgain) {
    requestNextRankingPage();
    pageAnswer("", couldNotConnect);
    EXPECT_FALSE(rankingPending);
    requestNextRankingPage();
    EXPECT_EQ(requestLog.size(), 2u);
    EXPECT_EQ(requestLog[0].url, requestLog[1].url);
}

TEST_F(Ranking, PagesOfAnotherCategoryAreDropped) {
    rankingPending = true;
    pageAnswer(page(2, 0, 5));
    EXPECT_FALSE(rankingPending);
    EXPECT_EQ(rankingOffset, 0);
    EXPECT_TRUE(rankingPages.empty());
    // A page received before the player changed category is not cut either.
    pageAnswer(page(1, 0, 5));
    selectRankingCategory(2);
    EXPECT_TRUE(rankingPages.empty());
    rankingPages.push_back({1, "1,a,1,5,7,1\r\n"});
    cutRankingPages(rowCuttingBudgetMs);
    EXPECT_TRUE(rankingRows.empty());
}

TEST_F(Ranking, EndOfFileStopsTheRequests) {
    rankingPending = true;
    pageAnswer("1 EOF");
    EXPECT_TRUE(rankingAtEnd);
    EXPECT_FALSE(rankingPending);
    requestNextRankingPage();
    EXPECT_TRUE(requestLog.empty());
    selectRankingCategory(3);
    EXPECT_FALSE(rankingAtEnd) << "a new category starts over";
    EXPECT_EQ(rankingOffset, 0);
}

TEST_F(Ranking, HostileHeadersNeverMoveTheOffsetBackOrReadOutOfBounds) {
    for (const char* reply : {"1", "1 ", "1 EO", "1 ROWS", "1 ROWS -40\r\n", "1 ROWS x\r\nrow"}) {
        pageAnswer(reply);
        EXPECT_EQ(rankingOffset, 0) << reply;
    }
    EXPECT_FALSE(rankingAtEnd);
    // Found by the replies fuzzer: two huge counts overflowed the offset.
    pageAnswer("1 ROWS 1827556516\r\n");
    pageAnswer("1 ROWS 946735895\r\n");
    EXPECT_EQ(rankingOffset, INT32_MAX);
    finishesInTime([&] { pageAnswer("1 ROWS 99999999999999999999999\r\n"); });
    EXPECT_EQ(rankingOffset, INT32_MAX);
}

TEST_F(Ranking, RowsAreCutAtCarriageReturnLineFeedAndTheRestDropped) {
    rankingPages.push_back({1, "1,a,1,1000,7,1\r\n2,b,1,999,8,1\r\ntrailing"});
    EXPECT_EQ(cutRankingPages(rowCuttingBudgetMs), 2);
    EXPECT_EQ(rankingRows, (std::vector<std::string>{"1,a,1,1000,7,1", "2,b,1,999,8,1"}));
    EXPECT_TRUE(rankingPages.empty());
    EXPECT_EQ(pageCursor, 0u);
}

TEST_F(Ranking, AnExhaustedBudgetStillCutsOneRowAFrame) {
    rankingPages.push_back({1, "1,a,1,1,7,1\r\n2,b,1,1,8,1\r\n3,c,1,1,9,1\r\n"});
    EXPECT_EQ(cutRankingPages(0), 1);
    EXPECT_EQ(cutRankingPages(0), 1);
    EXPECT_EQ(rankingRows.size(), 2u);
    EXPECT_EQ(rankingPages.size(), 1u) << "the page waits for the next frame";
}

TEST_F(Ranking, RowFieldsAndTheErrorRow) {
    RankingRow row = rankingRowFields("1,Some Name,1,1234567,42,9");
    EXPECT_TRUE(row.valid);
    EXPECT_EQ(row.name, "Some Name");
    EXPECT_EQ(row.skillpoints, "1234567");
    EXPECT_EQ(row.userId, "42");
    for (const char* bad : {"1,name,5", "1,a,1,2,3,4,5", ""}) {
        row = rankingRowFields(bad);
        EXPECT_FALSE(row.valid) << bad;
        EXPECT_EQ(row.name, "Error");
        EXPECT_EQ(row.skillpoints, "Error");
    }
    EXPECT_TRUE(rankingRowFields("1,,1,,7,").valid) << "empty fields still count";
}

TEST_F(Ranking, FindMeShowsTheFoundRowFifthWithinTheRows) {
    receiveRows(40);
    // Rows 0 to 39 hold the ids 101 to 140; ten rows show at a time.
    const std::pair<const char*, int> idsAndScrolls[] = {
        {"103", 0}, {"105", 0}, {"106", 1}, {"120", 15}, {"134", 29}, {"135", 30}, {"140", 30}};
    for (const auto& [id, scroll] : idsAndScrolls) {
        startFindMe();
        EXPECT_TRUE(findMyRankingRow(id)) << id;
        EXPECT_FALSE(findingMe) << id;
        EXPECT_EQ(rankingScroll, scroll) << id;
    }
    rankingRows = {"1,a,1,5,AbC,1", "2,b,1,4,abc,1"};
    startFindMe();
    EXPECT_TRUE(findMyRankingRow("aBc")) << "user ids compare in lower case";
}

TEST_F(Ranking, FindMeSearchesOnAsRowsArriveAndStopsAtTheCategorysEnd) {
    receiveRows(10);
    startFindMe();
    EXPECT_FALSE(findMyRankingRow("115"));
    receiveRows(10);
    EXPECT_TRUE(findMyRankingRow("115"));
    EXPECT_EQ(rankingScroll, 10);
    startFindMe();
    EXPECT_FALSE(findMyRankingRow("999"));
    EXPECT_TRUE(findingMe) << "more rows may still come";
    EXPECT_FALSE(findMeUnranked);
    rankingPending = true;
    pageAnswer("1 EOF");
    EXPECT_FALSE(findMyRankingRow("999"));
    EXPECT_FALSE(findingMe);
    EXPECT_TRUE(findMeUnranked);
    selectRankingCategory(2);
    EXPECT_FALSE(findMeUnranked) << "another category has not been searched";
}

TEST_F(Ranking, ScrollStaysWithinTheRows) {
    receiveRows(12);
    scrollRankingTo(5);
    EXPECT_EQ(rankingScroll, 2);
    scrollRankingTo(-3);
    EXPECT_EQ(rankingScroll, 0);
    selectRankingCategory(9);
    EXPECT_EQ(rankingCategory, lastRankingCategory);
    EXPECT_TRUE(rankingRows.empty());
    EXPECT_STREQ(rankingCategoryName(0), "Overall");
    EXPECT_STREQ(rankingCategoryName(6), "Meditation");
}

}  // namespace
