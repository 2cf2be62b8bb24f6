// Seeds of ranked levels, on SQLite and PostgreSQL: seeds.php issues fresh
// seeds to the account that proves itself, an account holds at most the cap
// of unused ones, and a replay upload is taken only under an unused seed of
// the account that claims it. The last test runs both real sides: the game's
// seed client asks the real server, the bot plays a ranked level under the
// issued seed, and the real checker verifies it for its own account only.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <thread>

#include "base/player_settings.h"
#include "game/server_link.h"
#include "online/account.h"
#include "online/replies.h"
#include "online/requests.h"
#include "online/seeds.h"
#include "protocol/encodings.h"
#include "protocol/replay.h"
#include "server/replay_verifier.h"
#include "server/seeds.h"
#include "tests/server/recorded_runs.h"
#include "tests/server/server_harness.h"

namespace {

const std::string password = "secret9";
const int waitSeconds = 60;

bool containsSeed(const std::vector<long long>& seeds, long long seed) {
    return std::find(seeds.begin(), seeds.end(), seed) != seeds.end();
}

// A readable replay file under `seed`; `version` makes files of one seed differ.
std::string replayUnder(long long seed, const std::string& version = "test") {
    Replay replay;
    replay.header.gameVersion = version;
    replay.header.seed = static_cast<uint32_t>(seed);
    replay.header.screenWidth = 1280;
    replay.header.screenHeight = 720;
    replay.frames.resize(3);
    return encodeReplay(replay);
}

TestResult resultOfSession(const std::string& session) {
    TestResult result;
    result.session = session;
    return result;
}

class Seeds : public ServerTest {
  protected:
    std::string seedsRequest(long long id, const std::string& secret,
                             const std::string& session = "") {
        return "seeds.php?sessionhash=" + session + "&userid=" + std::to_string(id) +
               "&passwordHash=" + md5Hex(secret);
    }
    // The seeds of one reply; none (with the test failed) when it is not "success" and seeds.
    std::vector<long long> ask(long long id) {
        std::vector<std::string> tokens =
            splitAtSpaces(sendRequest(server, seedsRequest(id, password)));
        std::vector<long long> seeds;
        if (tokens.empty() || tokens[0] != "success") {
            ADD_FAILURE() << "seeds.php was refused";
            return seeds;
        }
        for (size_t i = 1; i < tokens.size(); ++i) seeds.push_back(std::atoll(tokens[i].c_str()));
        return seeds;
    }
    std::string query(const std::string& sql) { return queryValue(server, sql); }
    void score(long long id, const TestResult& result) {
        std::string reply = sendRequest(server, scoreRequest(id, password, result));
        EXPECT_EQ(reply.compare(0, 8, "success "), 0) << reply;
    }
    std::string upload(long long id, const TestResult& result, const std::string& body) {
        return uploadReplay(server, replayRequest(id, password, result, sha256Hex(body)), body);
    }
    std::string unusedSeedsOf(long long id) {
        return query("SELECT COUNT(*) FROM seeds WHERE used = 0 AND user_id = " +
                     std::to_string(id));
    }
};

TEST_P(Seeds, ARequestIssuesFreshSeedsOnlyToAnAccountThatChecksOut) {
    long long id = registerAndLogin(server, "alice", password);
    std::vector<long long> first = ask(id);
    ASSERT_EQ(first.size(), static_cast<size_t>(seedsPerReply));
    std::vector<long long> second = ask(id);
    for (long long seed : second) EXPECT_FALSE(containsSeed(first, seed)) << seed;
    // A session hash at the longest a token may be is taken; one character more is not.
    const std::string longestSession(64, 'a');
    EXPECT_EQ(
        sendRequest(server, seedsRequest(id, password, longestSession)).compare(0, 8, "success "),
        0);
    struct Refused {
        const char* why;
        std::string request;
    } refused[] = {
        {"wrong password", seedsRequest(id, "wrong99")},
        {"unknown account", seedsRequest(id + 100, password)},
        {"malformed session", seedsRequest(id, password, "not a hash")},
        {"session one over the longest", seedsRequest(id, password, longestSession + "a")},
        {"missing field", "seeds.php?sessionhash=&userid=" + std::to_string(id)}};
    for (const Refused& r : refused) EXPECT_EQ(sendRequest(server, r.request), "fail") << r.why;
    EXPECT_EQ(query("SELECT COUNT(*) FROM seeds WHERE user_id <> " + std::to_string(id)), "0");
}

TEST_P(Seeds, AnAccountHoldsTheCapOfUnusedSeedsAndTheOldestAreRetired) {
    ASSERT_EQ(seedStockLimit % seedsPerReply, 0);
    long long id = registerAndLogin(server, "hoarder", password);
    std::vector<long long> issued;
    for (int reply = 0; reply < seedStockLimit / seedsPerReply; ++reply) {
        std::vector<long long> seeds = ask(id);
        issued.insert(issued.end(), seeds.begin(), seeds.end());
    }
    // Exactly the cap: nothing retired yet.
    ASSERT_EQ(issued.size(), static_cast<size_t>(seedStockLimit));
    EXPECT_EQ(unusedSeedsOf(id), std::to_string(seedStockLimit));
    std::vector<long long> newest = ask(id);
    EXPECT_EQ(unusedSeedsOf(id), std::to_string(seedStockLimit));
    // One past the cap per new seed: the oldest go, the next oldest stays.
    long long retired = issued[seedsPerReply - 1], kept = issued[seedsPerReply];
    score(id, resultOfSession("run1"));
    score(id, resultOfSession("run2"));
    EXPECT_EQ(upload(id, resultOfSession("run1"), replayUnder(retired)), "fail");
    EXPECT_EQ(upload(id, resultOfSession("run2"), replayUnder(kept)), "success");
    EXPECT_EQ(unusedSeedsOf(id), std::to_string(seedStockLimit - 1));
    // A used seed no longer counts against the cap and is never retired.
    ask(id);
    EXPECT_EQ(unusedSeedsOf(id), std::to_string(seedStockLimit));
    EXPECT_EQ(query("SELECT COUNT(*) FROM seeds WHERE used > 0 AND seed = " + std::to_string(kept)),
              "1");
    EXPECT_FALSE(newest.empty());
}

TEST_P(Seeds, AReplayIsTakenOnlyUnderAnUnusedSeedOfTheAccountThatClaimsIt) {
    long long alice = registerAndLogin(server, "alice", password);
    long long bob = registerAndLogin(server, "bobby", password);
    std::vector<long long> seeds = ask(alice);
    ASSERT_EQ(seeds.size(), 4u);
    long long neverIssued = 12345;
    while (containsSeed(seeds, neverIssued)) ++neverIssued;
    struct Upload {
        const char* what;
        long long user;
        std::string session;
        std::string body;
        const char* reply;
    } uploads[] = {
        {"a seed of its own", alice, "a1", replayUnder(seeds[0]), "success"},
        {"the same seed for another result", alice, "a2", replayUnder(seeds[0], "again"), "fail"},
        {"another account's seed", bob, "b1", replayUnder(seeds[1]), "fail"},
        {"that seed by its own account", alice, "a3", replayUnder(seeds[1]), "success"},
        {"a second replay of one result", alice, "a1", replayUnder(seeds[2]), "fail"},
        {"a seed never issued", alice, "a4", replayUnder(neverIssued), "fail"},
        {"a file already seen", alice, "a5", replayUnder(seeds[1]), "fail"},
        {"the seed refused above, unused", alice, "a6", replayUnder(seeds[2]), "success"},
        {"an unreadable file", alice, "a7", "ZXRP garbage", "fail"},
    };
    std::set<std::string> scored;
    for (const Upload& u : uploads) {
        if (scored.insert(u.session).second) score(u.user, resultOfSession(u.session));
        EXPECT_EQ(upload(u.user, resultOfSession(u.session), u.body), u.reply) << u.what;
    }
    EXPECT_EQ(query("SELECT COUNT(*) FROM replays"), "3");
    EXPECT_EQ(query("SELECT COUNT(*) FROM seeds WHERE used > 0"), "3");
    EXPECT_EQ(query("SELECT COUNT(*) FROM replays WHERE user_id = " + std::to_string(bob)), "0");
}

// The game's seed client, pointed at the test server as the logged-in account.
struct SeedClient {
    explicit SeedClient(const TestServer& server, long long id) {
        startHttp();
        secureBaseUrl = "http://127.0.0.1:" + std::to_string(server.port) + "/secure.php?data=";
        userId = std::to_string(id);
        loginPassword = password;
        serverLink.connectionMode = ConnectionOnline;
        serverLink.sessionhash.clear();
        seedStock.clear();
    }
    ~SeedClient() {
        stopHttp();
        userId.clear();
        loginPassword.clear();
        seedStock.clear();
        seedsPending = false;
    }
    // Runs the queue until the seeds reply has been handled.
    bool awaitReply() {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(waitSeconds);
        while (seedsPending && std::chrono::steady_clock::now() < deadline) {
            curlprocess();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return !seedsPending;
    }
};

TEST_P(Seeds, ABotRunUnderAnIssuedSeedVerifiesForItsOwnAccountAndEarnsAnotherNothing) {
    long long owner = registerAndLogin(server, "owner", password);
    long long other = registerAndLogin(server, "copier", password);
    RecordedRun run;
    {
        SeedClient client(server, owner);
        restockSeedsAfterLogin();
        ASSERT_TRUE(client.awaitReply());
        ASSERT_EQ(seedStock.size(), issuedSeedsPerReply);
        // The level takes the next issued seed, as a ranked level does at its start.
        uint32_t seed = 0;
        for (size_t tried = 0; tried < issuedSeedsPerReply && run.bytes.empty(); ++tried) {
            ASSERT_TRUE(takeSeed(seed));
            run = recordClearedRun(seed);
        }
        ASSERT_FALSE(run.bytes.empty()) << "the bot cleared no level under an issued seed";
        EXPECT_EQ(run.seed, seed);
    }
    startReplayVerifier(server.context, realVerifier());
    TestResult result = resultOf(run);
    score(owner, result);
    score(other, result);
    EXPECT_EQ(upload(owner, result, run.bytes), "success");
    // The same file, and the same run re-labelled so that its digest differs.
    Replay copy;
    std::string error;
    ASSERT_TRUE(decodeReplay(run.bytes, copy, error)) << error;
    copy.header.gameVersion += " ";
    EXPECT_EQ(upload(other, result, run.bytes), "fail");
    EXPECT_EQ(upload(other, result, encodeReplay(copy)), "fail");
    EXPECT_EQ(awaitVerdict(server, owner), "verified");
    EXPECT_GT(
        std::atoll(query("SELECT points FROM verified_skills WHERE category = 1 AND user_id = " +
                         std::to_string(owner))
                       .c_str()),
        0);
    EXPECT_EQ(query("SELECT COUNT(*) FROM verified_skills WHERE points > 0 AND user_id = " +
                    std::to_string(other)),
              "0");
}

INSTANTIATE_ON_BOTH_BACKENDS(Seeds);

}  // namespace
