// The public replay routes on SQLite and PostgreSQL: a verified bot run is
// listed and served to anyone, and nothing else is (an unknown id, a pending
// or rejected replay, a removed player); the web pages link the run and its
// file; the public pages are rate-limited per address group.
#include <gtest/gtest.h>
#include <httplib.h>

#include "protocol/encodings.h"
#include "server/replay_verifier.h"
#include "server/throttle.h"
#include "tests/server/recorded_runs.h"
#include "tests/server/server_harness.h"

namespace {

const int pagesPerMinute = 120;

const RecordedRun& clearedRun() {
    static RecordedRun run = recordClearedRun();
    return run;
}

long long fakeNowMs = 0;
long long fakeClock() {
    return fakeNowMs;
}

class ReplayFiles : public ServerTest {
  protected:
    long long player = 0;
    std::string verifiedId;

    void SetUp() override {
        ASSERT_FALSE(clearedRun().bytes.empty()) << "the bot cleared no Casual level 1";
        server.context.countUnverifiedResults = false;
        ASSERT_NO_FATAL_FAILURE(ServerTest::SetUp());
        resetThrottle();
        ASSERT_NO_FATAL_FAILURE(storeVerifiedRun());
    }
    void TearDown() override {
        ServerTest::TearDown();
        setThrottleClock(nullptr);
        resetThrottle();
    }

    // "watched" scores the recorded run under a seed the server issued it,
    // uploads its replay and waits for the checker's verdict.
    void storeVerifiedRun() {
        player = registerAndLogin(server, "watched", "secret9");
        TestResult result = resultOf(clearedRun());
        ASSERT_EQ(
            sendRequest(server, scoreRequest(player, "secret9", result)).compare(0, 8, "success "),
            0);
        issueSeed(server, clearedRun().seed, player);
        startReplayVerifier(server.context, realVerifier());
        const std::string& body = clearedRun().bytes;
        ASSERT_EQ(
            uploadReplay(server, replayRequest(player, "secret9", result, sha256Hex(body)), body),
            "success");
        ASSERT_EQ(awaitVerdict(server, player), "verified");
        verifiedId = query("SELECT id FROM replays");
        // The rows the tests add in other states stay as they are put.
        stopReplayVerifier();
    }
    std::string query(const std::string& sql) { return queryValue(server, sql); }
    // A copy of the verified run's row in `state`; its id.
    std::string storedCopy(const std::string& state) {
        return query(
            "INSERT INTO replays (sha256, user_id, mode, level, score, session, points, body,"
            " state, created, result_id) SELECT '" +
            state + "', user_id, mode, level, score + 1, session, points, body, '" + state +
            "', created, result_id FROM replays WHERE id = " + verifiedId + " RETURNING id");
    }
    httplib::Result get(const std::string& path) {
        httplib::Client client("127.0.0.1", server.port);
        client.set_read_timeout(30);
        return client.Get(path.c_str());
    }
    int statusOf(const std::string& path) {
        httplib::Result result = get(path);
        return result ? result->status : 0;
    }
    std::string runsPath(long long category) {
        return "/players/" + std::to_string(player) +
               "/replays?category=" + std::to_string(category);
    }
};

TEST_P(ReplayFiles, AVerifiedRunIsListedInItsCategoriesAndServedAsUploaded) {
    httplib::Result file = get("/replays/" + verifiedId + ".zxr");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->status, 200);
    EXPECT_EQ(file->body, clearedRun().bytes);
    EXPECT_EQ(file->get_header_value("Content-Type"), "application/octet-stream");
    EXPECT_NE(file->get_header_value("Cache-Control").find("immutable"), std::string::npos);

    std::string line = verifiedId + ",1,1," + std::to_string(clearedRun().score) + ",";
    for (long long category : {0, 1}) {
        httplib::Result list = get(runsPath(category));
        ASSERT_TRUE(list);
        EXPECT_EQ(list->status, 200);
        EXPECT_EQ(list->body.compare(0, line.size(), line), 0) << list->body;
        // The date: YYYY-MM-DD, then the row's CR LF.
        EXPECT_EQ(list->body.size(), line.size() + 12) << list->body;
        EXPECT_EQ(list->body.substr(list->body.size() - 2), "\r\n");
    }
    httplib::Result normal = get(runsPath(2));
    ASSERT_TRUE(normal);
    EXPECT_EQ(normal->status, 200);
    EXPECT_EQ(normal->body, "");
    EXPECT_EQ(statusOf(runsPath(7)), 400);

    std::string ranking = getPath(server, "/ranking?category=1");
    EXPECT_NE(ranking.find("<a href=\"/replay?id=" + verifiedId + "\">Casual level 1: "),
              std::string::npos)
        << ranking;
    std::string page = getPath(server, "/replay?id=" + verifiedId);
    EXPECT_NE(page.find("href=\"/replays/" + verifiedId + ".zxr\" download"), std::string::npos)
        << page;
}

TEST_P(ReplayFiles, OnlyVerifiedReplaysOfPlayersStillThereAreFound) {
    std::string pending = storedCopy("pending");
    std::string rejected = storedCopy("rejected");
    struct Case {
        const char* what;
        std::string path;
    } cases[] = {
        {"an unknown id", "/replays/999999.zxr"},
        {"a pending replay", "/replays/" + pending + ".zxr"},
        {"a rejected replay", "/replays/" + rejected + ".zxr"},
        {"an id that is no number", "/replays/x" + verifiedId + ".zxr"},
        {"another extension", "/replays/" + verifiedId + ".zx"},
        {"an id of 19 digits", "/replays/1234567890123456789.zxr"},
        {"an unknown player's runs", "/players/999999/replays?category=1"},
    };
    for (const Case& c : cases) EXPECT_EQ(statusOf(c.path), 404) << c.what;
    // The longest id still read as one: 18 digits, no such row.
    EXPECT_EQ(statusOf("/replays/123456789012345678.zxr"), 404);
    // Only the verified run is listed.
    httplib::Result list = get(runsPath(1));
    ASSERT_TRUE(list);
    EXPECT_EQ(list->body.find('\n'), list->body.size() - 1) << list->body;
    EXPECT_EQ(getPath(server, "/replay?id=" + pending).find(".zxr"), std::string::npos);

    query("DELETE FROM users WHERE id = " + std::to_string(player) + " RETURNING id");
    EXPECT_EQ(statusOf("/replays/" + verifiedId + ".zxr"), 404) << "a removed player's run";
    EXPECT_EQ(statusOf(runsPath(1)), 404) << "a removed player's list";
}

TEST_P(ReplayFiles, PublicPagesAreRateLimitedPerAddressGroupAndMinute) {
    fakeNowMs = 1000;
    setThrottleClock(fakeClock);
    resetThrottle();
    std::string file = "/replays/" + verifiedId + ".zxr";
    for (int page = 1; page <= pagesPerMinute; ++page)
        ASSERT_EQ(statusOf(page % 2 ? file : "/ranking"), 200) << "page " << page;
    EXPECT_EQ(statusOf(file), 429);
    EXPECT_EQ(statusOf("/ranking"), 429);
    fakeNowMs += 60 * 1000;
    EXPECT_EQ(statusOf(file), 200);
}

INSTANTIATE_ON_BOTH_BACKENDS(ReplayFiles);

}  // namespace
