// Reply rules of the request queue: each kind's reaction to success,
// refusal, short replies and failed transfers.
#include <gtest/gtest.h>

#include "base/game_state.h"
#include "online/account.h"
#include "online/news.h"
#include "online/patch.h"
#include "online/replies.h"
#include "online/requests.h"
#include "online/seeds.h"
#include "platform/settings_store.h"
#include "protocol/encodings.h"
#include "settings/settings.h"
#include "temp_folder.h"

namespace {

constexpr int32_t couldNotConnect = 7;

struct OnlineReplies : ::testing::Test {
    void SetUp() override {
        settingsDirOverride = tempDir();
        secureBaseUrl = "http://127.0.0.1:1/secure.php?data=";
        serverLink.connectionMode = ConnectionOnline;
        GameState = Login;
        loginStep = connectingStep;
        resetLoginAttempt();
        loginIssued = true;
        newsEnabled = 0;
        requestLog.clear();
        seedsPending = false;
        seedStock.clear();
    }
    void TearDown() override {
        if (curlMulti) stopHttp();
        requestLog.clear();
    }
    void loginAnswer(const std::string& reply) {
        loginReply = reply;
        dispatchReply(LoginRequest, 0, &loginReply);
    }
};

TEST(SplitTokens, DropsEmptyPiecesSoSpacedFailIsAnOrdinaryToken) {
    EXPECT_EQ(splitTokens("  fail", ' '), std::vector<std::string>{"fail"});
    EXPECT_EQ(splitTokens("a  b ", ' '), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(splitTokens("", ' ').empty());
}

TEST_F(OnlineReplies, LoginFailShowsLoginFailedButSpacedFailKeepsWaiting) {
    loginAnswer("  fail");
    EXPECT_EQ(loginStep, connectingStep);
    EXPECT_FALSE(loginAnswered);
    loginAnswer("fail");
    EXPECT_EQ(loginStep, loginFailedStep);
    EXPECT_TRUE(loginAnswered);
}

TEST_F(OnlineReplies, SuccessNeedsSixTokens) {
    userId = "";
    loginAnswer("success 12 0123456789abcdef0123456789abcdef blob 1");
    EXPECT_EQ(GameState, Login);
    EXPECT_EQ(userId, "");
    startHttp();
    loginAnswer("success 12 0123456789abcdef0123456789abcdef blob 1 1");
    EXPECT_EQ(GameState, LoginToMenu);
    EXPECT_EQ(userId, "12");
    EXPECT_EQ(storedPasswordBlob, "blob");
    EXPECT_TRUE(loginAnswered);
    // News first, then the achievement synchronisation, then the seeds of
    // ranked levels, newest at the front.
    ASSERT_EQ(requestLog.size(), 3u);
    EXPECT_EQ(requestLog[2].url, "news.php");
    EXPECT_EQ(requestLog[1].url.rfind("sync_cheeves.php?userid=12&passwordHash=", 0), 0u);
    EXPECT_EQ(requestLog[0].url.rfind("seeds.php?sessionhash=", 0), 0u);
    EXPECT_EQ(requestLog[0].kind, SeedsRequest);
}

TEST_F(OnlineReplies, SuccessDuringRestartStoresTheAccountButStays) {
    GameState = Restart;
    loginAnswer("success 5 h b 1 0");
    EXPECT_EQ(userId, "5");
    EXPECT_EQ(GameState, Restart);
    EXPECT_FALSE(loginAnswered);
}

TEST_F(OnlineReplies, UpdateOffersThePatchOnlyWithFourTokens) {
    loginAnswer("update patches/p.sh");
    EXPECT_EQ(GameState, Login);
    loginAnswer("update_exe patches/p.sh 2048 abc");
    EXPECT_EQ(GameState, Patching);
    EXPECT_EQ(patchUrl, "patches/p.sh");
    EXPECT_EQ(patchSize, 2048.0f);
    EXPECT_EQ(patchHash, "abc");
    EXPECT_TRUE(patchIsExe);
}

TEST_F(OnlineReplies, ThreeRetriesThenOffline) {
    for (int attempt = 0; attempt < 3; attempt++) {
        loginIssued = true;
        dispatchReply(LoginRequest, couldNotConnect, &loginReply);
        EXPECT_FALSE(loginIssued);
        EXPECT_EQ(loginRetries, attempt + 1);
        EXPECT_EQ(serverLink.connectionMode, ConnectionOnline);
    }
    dispatchReply(LoginRequest, couldNotConnect, &loginReply);
    EXPECT_EQ(loginStep, offlineStep);
    EXPECT_EQ(serverLink.connectionMode, ConnectionOffline);
}

TEST_F(OnlineReplies, FailedNewsIsAskedAgainLaterWithAGrowingWait) {
    startHttp();
    newsReply = "partial";
    dispatchReply(NewsRequest, couldNotConnect, &newsReply);
    EXPECT_TRUE(requestLog.empty());
    EXPECT_EQ(newsReply, "");
    EXPECT_EQ(newsRetryAt, 0u);
    newsEnabled = 1;
    // Each failure waits twice as long as the one before, up to the limit;
    // nothing is sent before the retry is due, exactly one request when it is.
    uint32_t expectedWait = firstNewsRetryMs;
    for (int failure = 1; failure <= 9; failure++) {
        dispatchReply(NewsRequest, couldNotConnect, &newsReply);
        EXPECT_EQ(newsRetryMs, expectedWait) << failure;
        size_t sent = requestLog.size();
        uint32_t due = newsRetryAt;
        retryNewsWhenDue(due - 1);
        EXPECT_EQ(requestLog.size(), sent) << failure;
        retryNewsWhenDue(due);
        EXPECT_EQ(requestLog.size(), sent + 1) << failure;
        EXPECT_EQ(requestLog.front().url, "news.php");
        retryNewsWhenDue(due + longestNewsRetryMs);
        EXPECT_EQ(requestLog.size(), sent + 1) << "one retry per failure";
        expectedWait = std::min(expectedWait * 2, longestNewsRetryMs);
    }
    EXPECT_EQ(newsRetryMs, longestNewsRetryMs);
    newsReply = "Hello players";
    dispatchReply(NewsRequest, 0, &newsReply);
    EXPECT_EQ(newsText, "Hello players");
    EXPECT_EQ(newsRetryMs, 0u) << "an answer ends the back-off";
}

TEST_F(OnlineReplies, PatchDigestMismatchStartsTheDownloadAgain) {
    ::setenv("XDG_DATA_HOME", tempDir().c_str(), 1);
    offerPatch("patches/p.sh", 4, md5Hex("good"), false);
    patchStarted = true;
    patchData = "evil";
    dispatchReply(PatchRequest, 0, &patchData);
    EXPECT_FALSE(patchStarted);
    EXPECT_FALSE(patchAnswered);
    EXPECT_EQ(patchData, "");
    patchStarted = true;
    patchData = "fail";
    dispatchReply(PatchRequest, 0, &patchData);
    EXPECT_TRUE(patchAnswered);
    EXPECT_TRUE(patchStarted);
    dispatchReply(PatchRequest, couldNotConnect, &patchData);
    EXPECT_FALSE(patchStarted);
}

}  // namespace
