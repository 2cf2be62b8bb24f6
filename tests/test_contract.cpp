// The contract between the game and its server: every request the game can
// send, built by the game's own code, is encrypted as the game sends it,
// opened with the server's private key and split by the server's parser into
// the endpoint and values the game meant.
#include <gtest/gtest.h>

#include <map>

#include "game/modes.h"
#include "online/account.h"
#include "online/achievements.h"
#include "online/news.h"
#include "online/ranking.h"
#include "online/replay_upload.h"
#include "online/replies.h"
#include "online/requests.h"
#include "online/scores.h"
#include "online/seeds.h"
#include "online/unsent_results.h"
#include "platform/settings_store.h"
#include "platform/system.h"
#include "protocol/encodings.h"
#include "server/query.h"
#include "server/secure.h"
#include "settings/settings.h"
#include "temp_folder.h"

namespace {

struct Contract : ::testing::Test {
    ServerKey key;
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(loadServerKey(serverPrivateKey(), key, error)) << error;
        secureBaseUrl = "http://127.0.0.1:1/secure.php?data=";
        serverLink.connectionMode = ConnectionOnline;
        if (!curlMulti) startHttp();
        requestLog.clear();
        // Submitted results are kept beside the settings.
        settingsDirOverride = tempDir() + "/contract";
        userId = "4711";
        Username = "Some Player";
        loginPassword = "pa&ss=word";
        serverLink.sessionhash = "20260101120000" + std::string(32, 'a');
        modeState.practiceMode = false;
        std::fill(std::begin(unlockedAchievements), std::end(unlockedAchievements), false);
    }
    void TearDown() override {
        freeServerKey(key);
        stopHttp();
        requestLog.clear();
        forgetUnsentResults();
        settingsDirOverride.clear();
    }
    // The request as the server reads it after the secure envelope.
    ParsedRequest serverReads(const std::string& request) {
        std::string url = makeSecureUrl(request);
        std::string data = url.substr(secureBaseUrl.size());
        std::string opened, reason;
        EXPECT_TRUE(decodeSecureData(key, data, opened, reason)) << reason;
        EXPECT_EQ(opened, request);
        ParsedRequest parsed;
        EXPECT_TRUE(parseRequest(opened, parsed)) << opened;
        return parsed;
    }
    // The newest queued request, as the server reads it.
    ParsedRequest serverReadsQueued() {
        EXPECT_FALSE(requestLog.empty());
        return requestLog.empty() ? ParsedRequest{} : serverReads(requestLog.front().url);
    }
};

LevelStatistics sampleStatistics() {
    return {3, 7, 123456, 83417.5f, 61, 1, 140, 33, {2, 1, 0}, {1, 1, 0}, 96, 5};
}

TEST_F(Contract, AccountRequests) {
    ParsedRequest parsed = serverReads("which_server.php");
    EXPECT_EQ(parsed.endpoint, "which_server.php");
    parsed = serverReads(checkNameRequestText("Some Player"));
    EXPECT_EQ(parsed.endpoint, "checkname.php");
    EXPECT_EQ(fieldValue(parsed, "username"), "Some Player");
    parsed = serverReads(registerRequestText("Some Player", "pa&ss=word", "me@example.org"));
    EXPECT_EQ(parsed.endpoint, "reg.php");
    EXPECT_EQ(fieldValue(parsed, "password"), "pa&ss=word");
    EXPECT_EQ(fieldValue(parsed, "passwordHash"), md5Hex("pa&ss=word"));
    EXPECT_EQ(fieldValue(parsed, "email"), "me@example.org");
    parsed = serverReads(logoutRequestText("4711", std::string(32, 'f')));
    EXPECT_EQ(parsed.endpoint, "logout.php");
    EXPECT_EQ(fieldValue(parsed, "userid"), "4711");
    MachineDescription machine{"Version 1.0.0.0", "Debian 12", "2048", "Some CPU @ 2GHz", "4.5",
                               "llvmpipe",        "Mesa"};
    parsed = serverReads(loginRequestText("name&x=1", "pa&ss=word", machine, 1280, 720,
                                          "AA-BB-CC-DD-EE-FF 11-22-33-44-55-66"));
    EXPECT_EQ(parsed.endpoint, "login.php");
    EXPECT_EQ(fieldValue(parsed, "username"), "name&x=1");
    EXPECT_EQ(fieldValue(parsed, "password"), "pa&ss=word");
    EXPECT_EQ(fieldValue(parsed, "res"), "1280x720");
    EXPECT_EQ(fieldValue(parsed, "gameversion"), "Version 1.0.0.0");
    EXPECT_EQ(fieldValue(parsed, "cpu"), "Some CPU @ 2GHz");
    EXPECT_EQ(fieldValue(parsed, "mac"), "AA-BB-CC-DD-EE-FF 11-22-33-44-55-66");
}

TEST_F(Contract, NewsAndTheAchievementSynchronisation) {
    queueNews();
    EXPECT_EQ(serverReadsQueued().endpoint, "news.php");
    startCheeveSync(userId, md5Hex(loginPassword));
    ParsedRequest parsed = serverReadsQueued();
    EXPECT_EQ(parsed.endpoint, "sync_cheeves.php");
    EXPECT_EQ(fieldValue(parsed, "passwordHash"), md5Hex("pa&ss=word"));
}

TEST_F(Contract, EveryAchievementKeyIsAcceptedAsSent) {
    for (int32_t n = 1; n <= achievementCount; n++) {
        unlockAchievement(achievementKey(n));
        ParsedRequest parsed = serverReadsQueued();
        EXPECT_EQ(parsed.endpoint, "client_cheeve.php");
        EXPECT_EQ(fieldValue(parsed, "userid"), "4711");
        EXPECT_EQ(fieldValue(parsed, "cheeve"), achievementKey(n));
    }
}

TEST_F(Contract, HighscoreDeathAndScoreCarryEveryStatistic) {
    queueHighscoreRequest(3, 7);
    ParsedRequest parsed = serverReadsQueued();
    EXPECT_EQ(parsed.endpoint, "highscore.php");
    EXPECT_EQ(fieldValue(parsed, "username"), "Some Player");
    EXPECT_EQ(fieldValue(parsed, "level"), "7");

    LevelStatistics stats = sampleStatistics();
    queueDeathReport(stats);
    parsed = serverReadsQueued();
    EXPECT_EQ(parsed.endpoint, "death.php");
    EXPECT_EQ(fieldValue(parsed, "time"), "83.4175");
    EXPECT_EQ(fieldValue(parsed, "performance"), "") << "the death report has no rating";

    queueScoreReport(stats);
    parsed = serverReadsQueued();
    EXPECT_EQ(parsed.endpoint, "score.php");
    std::map<std::string, std::string> expected = {{"gamemode", "3"},
                                                   {"level", "7"},
                                                   {"score", "123456"},
                                                   {"time", "83"},
                                                   {"apm", "61"},
                                                   {"controls", "1"},
                                                   {"drops", "140"},
                                                   {"rotates", "33"},
                                                   {"pup1earned", "2"},
                                                   {"pup2earned", "1"},
                                                   {"pup3earned", "0"},
                                                   {"pup1used", "1"},
                                                   {"pup2used", "1"},
                                                   {"pup3used", "0"},
                                                   {"kills", "96"},
                                                   {"performance", "5"},
                                                   {"sessionhash", serverLink.sessionhash},
                                                   {"userid", "4711"},
                                                   {"passwordHash", md5Hex("pa&ss=word")}};
    EXPECT_EQ(parsed.values, expected);
}

TEST_F(Contract, TheReplayUploadNamesTheScoredResultAndItsDigest) {
    LevelStatistics stats = sampleStatistics();
    queueScoreReport(stats);
    std::string replay = std::string("ZXR\x01\x00", 5) + "the replay file";
    sendOwedReplay(replay, stats.gameMode, stats.score);
    // The replay follows once the server has taken its score.
    scoreReply = "success 1 2 3 4 5 6 7";
    dispatchReply(ScoreRequest, 0, &scoreReply);
    sendUnsentResults(platformTicksMs());
    ParsedRequest parsed = serverReadsQueued();
    EXPECT_EQ(parsed.endpoint, "replay.php");
    std::map<std::string, std::string> expected = {{"gamemode", "3"},
                                                   {"level", "7"},
                                                   {"score", "123456"},
                                                   {"sha256", sha256Hex(replay)},
                                                   {"sessionhash", serverLink.sessionhash},
                                                   {"userid", "4711"},
                                                   {"passwordHash", md5Hex("pa&ss=word")}};
    EXPECT_EQ(parsed.values, expected);
}

TEST_F(Contract, TheSeedsRequestIsReadBeforeAndDuringAGame) {
    const std::string runningGame = serverLink.sessionhash;
    for (const std::string& session : {std::string(), runningGame}) {
        serverLink.sessionhash = session;
        seedsPending = false;
        requestSeeds();
        ParsedRequest parsed = serverReadsQueued();
        EXPECT_EQ(parsed.endpoint, "seeds.php");
        std::map<std::string, std::string> expected = {
            {"sessionhash", session}, {"userid", "4711"}, {"passwordHash", md5Hex("pa&ss=word")}};
        EXPECT_EQ(parsed.values, expected);
    }
    seedsPending = false;
}

TEST_F(Contract, RankingPagesOfEveryCategory) {
    for (int32_t category = overallCategory; category <= lastRankingCategory; category++) {
        selectRankingCategory(category);
        rankingPending = false;
        rankingOffset = 300;
        requestNextRankingPage();
        ParsedRequest parsed = serverReadsQueued();
        EXPECT_EQ(parsed.endpoint, "world_ranking_staggered.php");
        EXPECT_EQ(fieldValue(parsed, "gamemode"), std::to_string(category));
        EXPECT_EQ(fieldValue(parsed, "offset"), "300");
    }
    rankingPending = false;
}

TEST_F(Contract, EveryEndpointOfTheServerIsCoveredHere) {
    // Each endpoint the server serves needs a test above that reads its request.
    std::string source = readWholeFile(ZENTRIX_SOURCE_DIR "/tests/test_contract.cpp");
    ASSERT_GT(endpointSpecs().size(), 10u);
    for (const EndpointSpec& spec : endpointSpecs()) {
        std::string check = std::string("endpoint, \"") + spec.name + "\")";
        EXPECT_NE(source.find(check), std::string::npos) << spec.name << " has no test here";
    }
}

}  // namespace
