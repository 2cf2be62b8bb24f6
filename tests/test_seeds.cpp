// The game's seed client and the rules that play its seeds: what a seeds
// reply may hold, one request on its way at a time, a stock that belongs to
// the account it was issued to, refused and malformed replies logged and
// harmless, and a ranked level online starting from the next issued seed.
#include <gtest/gtest.h>

#include "base/console_log.h"
#include "game/play_random.h"
#include "game_test_support.h"
#include "online/replies.h"
#include "online/seeds.h"
#include "protocol/replay.h"
#include "temp_folder.h"

namespace {

constexpr int32_t couldNotConnect = 7;

TEST(SeedsReply, HoldsUpToOneReplysWorthOfDecimal32BitSeeds) {
    struct Case {
        const char* reply;
        bool accepted;
        size_t seeds;
    } cases[] = {
        {"success 1 2 3 4", true, issuedSeedsPerReply},
        {"success 1 2 3 4 5", false, 0},  // one seed too many
        {"success", true, 0},
        {"success 4294967295", true, 1},
        {"success 4294967296", false, 0},
        {"success 00000000001", false, 0},
        {"success 12a", false, 0},
        {"success -1", false, 0},
        {"fail", false, 0},
        {"", false, 0},
        {"seeds 1 2", false, 0},
    };
    for (const Case& c : cases) {
        std::vector<uint32_t> seeds = {99};
        EXPECT_EQ(parseSeedsReply(c.reply, seeds), c.accepted) << c.reply;
        if (c.accepted) {
            EXPECT_EQ(seeds.size(), c.seeds) << c.reply;
        }
    }
    std::vector<uint32_t> seeds;
    ASSERT_TRUE(parseSeedsReply("success  4294967295 0 ", seeds));
    EXPECT_EQ(seeds, (std::vector<uint32_t>{4294967295u, 0u}));
}

struct SeedClient : ::testing::Test {
    void SetUp() override {
        logDirectory = tempDir();
        secureBaseUrl = "http://127.0.0.1:1/secure.php?data=";
        serverLink.connectionMode = ConnectionOnline;
        userId = "7";
        loginPassword = "secret9";
        serverLink.sessionhash.clear();
        seedStock.clear();
        seedsPending = false;
        requestLog.clear();
        startHttp();
    }
    void TearDown() override {
        stopHttp();
        requestLog.clear();
        seedStock.clear();
        seedsPending = false;
        userId.clear();
    }
    size_t seedRequests() {
        size_t count = 0;
        for (const HttpRequest& request : requestLog) count += request.kind == SeedsRequest;
        return count;
    }
    void answer(const std::string& reply, int32_t result = 0) {
        seedsReply = reply;
        dispatchReply(SeedsRequest, result, &seedsReply);
    }
    std::vector<uint32_t> stock() { return {seedStock.begin(), seedStock.end()}; }
};

TEST_F(SeedClient, AsksOnceAtATimeAndOnlyOnlineAndLoggedIn) {
    requestSeeds();
    requestSeeds();
    ASSERT_EQ(seedRequests(), 1u);
    EXPECT_EQ(requestLog.front().url,
              "seeds.php?sessionhash=&userid=7&passwordHash=" + md5Hex("secret9"));
    answer("success 5");
    requestSeeds();
    EXPECT_EQ(seedRequests(), 2u) << "the answer lets the next one go";
    answer("success 6");
    serverLink.connectionMode = ConnectionOffline;
    requestSeeds();
    serverLink.connectionMode = ConnectionOnline;
    userId.clear();
    requestSeeds();
    EXPECT_EQ(seedRequests(), 2u);
}

TEST_F(SeedClient, ARefusedMalformedOrFailedReplyIsLoggedAndChangesNothing) {
    requestSeeds();
    answer("success 11 12 13 14");
    EXPECT_EQ(stock(), (std::vector<uint32_t>{11, 12, 13, 14}));
    struct Case {
        std::string reply;
        int32_t result;
        std::string logged;
    } cases[] = {
        {"success 1 2 3 4 5", 0, "Seeds reply (kind 11) malformed: \"success 1 2 3 4 5\""},
        {"fail", 0, "Seeds reply (kind 11) refused: \"fail\""},
        {std::string(200, 'x'), 0,
         "Seeds reply (kind 11) malformed: \"" + std::string(80, 'x') + "...\""},
        {"success 1", couldNotConnect,
         "Seeds request (kind 11) failed: Couldn't connect to server"},
    };
    for (const Case& c : cases) {
        requestSeeds();
        ASSERT_TRUE(seedsPending);
        answer(c.reply, c.result);
        EXPECT_FALSE(seedsPending) << c.reply;
        EXPECT_EQ(consoleHistory.back(), c.logged);
        EXPECT_EQ(stock(), (std::vector<uint32_t>{11, 12, 13, 14})) << c.reply;
    }
    // A seed already in stock is not held twice.
    requestSeeds();
    answer("success 14 15");
    EXPECT_EQ(stock(), (std::vector<uint32_t>{11, 12, 13, 14, 15}));
}

TEST_F(SeedClient, TakingTheNextSeedAsksForMoreWhenLowAndAnotherAccountStartsAfresh) {
    requestSeeds();
    answer("success 21 22 23");
    uint32_t seed = 0;
    ASSERT_TRUE(takeSeed(seed));
    EXPECT_EQ(seed, 21u);
    EXPECT_EQ(seedRequests(), 1u) << "two left: above the low mark";
    ASSERT_TRUE(takeSeed(seed));
    EXPECT_EQ(seed, 22u);
    EXPECT_EQ(seedRequests(), 2u) << "one left: at the low mark";
    // The answer comes after another account has logged in: it is not theirs.
    userId = "8";
    EXPECT_FALSE(takeSeed(seed)) << "the seed left was issued to account 7";
    EXPECT_EQ(consoleHistory.back(),
              "No issued seed at hand: this level plays a local seed and stays unverified");
    answer("success 31 32");
    EXPECT_TRUE(stock().empty());
    EXPECT_EQ(seedRequests(), 3u) << "asked again for account 8";
    EXPECT_NE(requestLog.front().url.find("&userid=8&"), std::string::npos);
    answer("success 41 42 43");
    restockSeedsAfterLogin();
    EXPECT_EQ(seedRequests(), 3u) << "a full stock of the same account is kept";
    EXPECT_EQ(stock(), (std::vector<uint32_t>{41, 42, 43}));
}

uint32_t issuedForTest = 0;
bool issueForTest(uint32_t& seed) {
    seed = issuedForTest;
    return true;
}

TEST(RankedLevelSeed, ARankedLevelOnlineStartsFromTheIssuedSeedAndNoOtherDoes) {
    gametest::resetWorld();
    PlayRequests installed = playRequests;
    playRequests.issuedSeed = issueForTest;
    issuedForTest = 4000000000u;
    struct Case {
        const char* what;
        bool practice;
        int32_t connection;
        bool issued;
    } cases[] = {{"ranked online", false, ConnectionOnline, true},
                 {"practice", true, ConnectionOnline, false},
                 {"offline", false, ConnectionOffline, false}};
    for (const Case& c : cases) {
        modeState.practiceMode = c.practice;
        serverLink.connectionMode = c.connection;
        startLevel(0);
        EXPECT_EQ(playStream.seed == issuedForTest, c.issued) << c.what;
        issuedForTest++;
    }
    // A replay's own seed wins over the issued one.
    modeState.practiceMode = false;
    serverLink.connectionMode = ConnectionOnline;
    modeState.forcedLevelSeed = 77;
    startLevel(0);
    EXPECT_EQ(playStream.seed, 77u);
    playRequests = installed;
    gametest::restoreWorld();
}

}  // namespace
