// Replay uploads and their verification, on SQLite and PostgreSQL: a real bot
// run's replay is uploaded after its score and verified by the checker
// program; forged, damaged, oversized and foreign uploads are refused or
// rejected, and the verified-only ranking leaves unverified results out.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "protocol/encodings.h"
#include "server/replay_verifier.h"
#include "server/replays.h"
#include "tests/server/recorded_runs.h"
#include "tests/server/server_harness.h"

namespace {

const std::string buildDir = ZENTRIX_BUILD_DIR;

// A Casual level 1 that the bot clears, recorded as the game records it (made once).
const RecordedRun& clearedRun() {
    static RecordedRun run = recordClearedRun();
    return run;
}

class Replays : public ServerTest {
  protected:
    VerifierSettings verifier = realVerifier();

    void SetUp() override {
        ASSERT_FALSE(clearedRun().bytes.empty()) << "the bot cleared no Casual level 1";
        ASSERT_NO_FATAL_FAILURE(ServerTest::SetUp());
    }

    // The run's result, as score.php submitted it.
    TestResult runResult() { return resultOf(clearedRun()); }
    // A player with the result stored; `holdsRunSeed`: the server issued the
    // recorded run's seed to this account.
    long long scoredPlayer(const std::string& name, const TestResult& result,
                           bool holdsRunSeed = false) {
        long long id = registerAndLogin(server, name, "secret9");
        std::string reply = sendRequest(server, scoreRequest(id, "secret9", result));
        EXPECT_EQ(reply.compare(0, 8, "success "), 0) << reply;
        if (holdsRunSeed) issueSeed(server, clearedRun().seed, id);
        return id;
    }
    std::string upload(const std::string& request, const std::string& body) {
        return uploadReplay(server, request, body);
    }
    std::string uploadRun(long long id, const TestResult& result, const std::string& body) {
        return upload(replayRequest(id, "secret9", result, sha256Hex(body)), body);
    }
    std::string query(const std::string& sql) { return queryValue(server, sql); }
    std::string verdictOf(long long userId) { return awaitVerdict(server, userId); }
};

TEST_P(Replays, AReplayOfTheStoredScoreIsTakenOnceAndVerified) {
    long long id = scoredPlayer("verifier", runResult(), true);
    startReplayVerifier(server.context, verifier);
    EXPECT_EQ(uploadRun(id, runResult(), clearedRun().bytes), "success");
    // The same upload again (its first answer lost on the way) is answered as
    // the first was and stores nothing more.
    EXPECT_EQ(uploadRun(id, runResult(), clearedRun().bytes), "success");
    EXPECT_EQ(query("SELECT COUNT(*) FROM replays"), "1");
    EXPECT_EQ(verdictOf(id), "verified");
    EXPECT_EQ(query("SELECT replayed_score FROM replays"), std::to_string(clearedRun().score));
    EXPECT_GT(std::atoll(query("SELECT frames FROM replays").c_str()), 100);
    EXPECT_GT(std::atoll(query("SELECT points FROM verified_skills WHERE category = 1").c_str()),
              0);
    std::string page = getPath(server, "/replay?id=" + query("SELECT id FROM replays"));
    EXPECT_NE(page.find("verified"), std::string::npos) << page;
    EXPECT_NE(page.find("Casual"), std::string::npos) << page;
    // The ranking marks the player's points as verified.
    EXPECT_NE(getPath(server, "/ranking?category=1").find("&#10003;</span>"), std::string::npos);
}

TEST_P(Replays, UploadsThatDoNotMatchAreRefusedAndStoreNothing) {
    long long id = scoredPlayer("refused", runResult(), true);
    const std::string& body = clearedRun().bytes;
    EXPECT_EQ(upload(replayRequest(id, "secret9", runResult(), sha256Hex(body + "x")), body),
              "fail");
    TestResult otherScore = runResult();
    otherScore.score += 100;
    EXPECT_EQ(uploadRun(id, otherScore, body), "fail");
    TestResult otherRun = runResult();
    otherRun.session = "20240101120000other";
    EXPECT_EQ(uploadRun(id, otherRun, body), "fail");
    EXPECT_EQ(upload(replayRequest(id, "wrong99", runResult(), sha256Hex(body)), body), "fail");
    EXPECT_EQ(upload(replayRequest(id, "secret9", runResult(), sha256Hex(body)), ""), "fail");
    // Another account sending a file already taken gets nothing for it.
    long long thief = scoredPlayer("thief", runResult());
    EXPECT_EQ(uploadRun(id, runResult(), body), "success");
    EXPECT_EQ(uploadRun(thief, runResult(), body), "fail");
    // So does the same account claiming the stored file for another result.
    EXPECT_EQ(uploadRun(id, otherScore, body), "fail");
    EXPECT_EQ(query("SELECT COUNT(*) FROM replays"), "1");
    // A body on any other request is refused too.
    secureBaseUrl = "/secure.php?data=";
    httplib::Client client("127.0.0.1", server.port);
    auto news = client.Post(makeSecureUrl("news.php").c_str(), body, "application/octet-stream");
    ASSERT_TRUE(news);
    EXPECT_EQ(news->body, "fail");
}

TEST_P(Replays, AnOversizedUploadIsRefusedAndTheServerCarriesOn) {
    // The server refuses the body by its length and closes: writing the rest
    // must fail with an error here, not end the test process.
    signal(SIGPIPE, SIG_IGN);
    long long id = scoredPlayer("oversized", runResult(), true);
    std::string huge(replayBodyLimit + 1, 'z');
    // Refused by its length: a 413, or the connection closed before the client has read it.
    std::string answer = uploadRun(id, runResult(), huge);
    EXPECT_TRUE(answer == "<status 413>" || answer == "<no answer>") << answer;
    // Sent without a length, in chunks: cut off once past the limit.
    secureBaseUrl = "/secure.php?data=";
    httplib::Client client("127.0.0.1", server.port);
    auto chunked = client.Post(
        makeSecureUrl(replayRequest(id, "secret9", runResult(), sha256Hex(huge))).c_str(),
        [&](size_t offset, httplib::DataSink& sink) {
            size_t piece = std::min<size_t>(16384, huge.size() - offset);
            sink.write(huge.data() + offset, piece);
            if (offset + piece == huge.size()) sink.done();
            return true;
        },
        "application/octet-stream");
    EXPECT_TRUE(!chunked || chunked->status != 200);
    EXPECT_EQ(query("SELECT COUNT(*) FROM replays"), "0");
    EXPECT_EQ(uploadRun(id, runResult(), clearedRun().bytes), "success");
}

TEST_P(Replays, GarbageTruncatedAndForeignReplaysAreRejectedWithoutHarm) {
    startReplayVerifier(server.context, verifier);
    std::mt19937 random(11);
    std::string garbage(20000, '\0');
    for (char& byte : garbage) byte = static_cast<char>(random());
    const std::string& bytes = clearedRun().bytes;
    TestResult forged = runResult();
    forged.score += 1000;  // a result the replay never reaches
    // A file that cannot be read names no seed and is refused at once; one
    // that reads but never reaches its result is stored and rejected.
    struct Case {
        const char* name;
        std::string body;
        TestResult result;
        bool readable;
    } cases[] = {{"garbage", garbage, runResult(), false},
                 {"truncated", bytes.substr(0, bytes.size() / 2), runResult(), false},
                 {"inflated", bytes, forged, true}};
    for (Case& c : cases) {
        long long id = scoredPlayer(c.name + std::string("player"), c.result, c.readable);
        if (!c.readable) {
            EXPECT_EQ(uploadRun(id, c.result, c.body), "fail") << c.name;
            continue;
        }
        EXPECT_EQ(uploadRun(id, c.result, c.body), "success") << c.name;
        EXPECT_EQ(verdictOf(id), "rejected") << c.name;
        EXPECT_NE(query("SELECT reason FROM replays WHERE user_id = " + std::to_string(id)), "")
            << c.name;
    }
    EXPECT_EQ(query("SELECT COUNT(*) FROM replays"), "1");
    EXPECT_EQ(query("SELECT COUNT(*) FROM verified_skills WHERE points > 0"), "0");
    EXPECT_EQ(getPath(server, "/healthz"), "ok\n");
}

// (A checker that hangs is the checker pool's test.)
TEST_P(Replays, AMissingCheckerLeavesTheClaimedReplayPending) {
    long long id = scoredPlayer("patient", runResult(), true);
    EXPECT_EQ(uploadRun(id, runResult(), clearedRun().bytes), "success");
    StoredReplay claimed;
    ASSERT_TRUE(claimPendingReplay(server.context.database, 3600, claimed));
    EXPECT_EQ(claimed.body, clearedRun().bytes);
    ReplayVerdictRecord verdict;
    VerifierSettings missing = verifier;
    missing.checker = buildDir + "/no-such-checker";
    EXPECT_FALSE(runReplayChecker(missing, claimed, verdict));
}

TEST_P(Replays, ACheckLeftUnfinishedByAStoppedServerIsTakenAgain) {
    long long id = scoredPlayer("restarted", runResult(), true);
    EXPECT_EQ(uploadRun(id, runResult(), clearedRun().bytes), "success");
    StoredReplay claimed;
    ASSERT_TRUE(claimPendingReplay(server.context.database, 3600, claimed));
    // The server stopped while checking it: nothing else is pending.
    StoredReplay none;
    EXPECT_FALSE(claimPendingReplay(server.context.database, 3600, none));
    releaseUnfinishedChecks(server.context.database);
    startReplayVerifier(server.context, verifier);
    EXPECT_EQ(verdictOf(id), "verified");
}

TEST_P(Replays, OnlyVerifiedResultsCountAndWaitingPointsShowAsPending) {
    server.context.countUnverifiedResults = false;
    long long honest = scoredPlayer("honest", runResult(), true);
    TestResult forged = runResult();
    forged.score *= 10;
    long long forger = scoredPlayer("forger", forged);
    for (int more = 1; more <= 20; ++more) {
        forged.score += 1;
        sendRequest(server, scoreRequest(forger, "secret9", forged));
    }
    // Nothing counts yet: no ranking, no personal best, an empty histogram.
    EXPECT_EQ(sendRequest(server, "world_ranking_staggered.php?gamemode=1&offset=0"), "1 EOF\r\n");
    EXPECT_EQ(query("SELECT COUNT(*) FROM score_bins"), "0");
    EXPECT_EQ(uploadRun(honest, runResult(), clearedRun().bytes), "success");
    startReplayVerifier(server.context, verifier);
    ASSERT_EQ(verdictOf(honest), "verified");
    std::string verified = sendRequest(server, "world_ranking_staggered.php?gamemode=1&offset=0");
    EXPECT_EQ(verified.compare(0, 9, "1 ROWS 1\r"), 0) << verified;
    EXPECT_NE(verified.find("1,honest,1,500,"), std::string::npos) << verified;
    std::string overall = sendRequest(server, "world_ranking_staggered.php?gamemode=0&offset=0");
    EXPECT_EQ(overall.find("forger"), std::string::npos) << overall;
    EXPECT_EQ(query("SELECT SUM(results) FROM score_bins"), "1");
    std::string best = sendRequest(server,
                                   "highscore.php?gamemode=1&level=1&username=honest"
                                   "&userid=" +
                                       std::to_string(honest));
    EXPECT_EQ(splitAtSpaces(best).at(1), std::to_string(clearedRun().score)) << best;
    // A further result waits for its replay's check (a stored row in the state
    // an upload leaves it: the seed rules make a second recorded run costly).
    stopReplayVerifier();
    TestResult second = runResult();
    second.level = 2;
    std::string reply = sendRequest(server, scoreRequest(honest, "secret9", second));
    EXPECT_EQ(splitAtSpaces(reply).at(7), "1000") << reply;  // what it earns once verified
    query(
        "INSERT INTO replays (sha256, user_id, mode, level, score, session, points, body, state,"
        " created, result_id) SELECT 'waiting', r.user_id, r.mode, 2, r.score, r.session,"
        " s.points, r.body, 'pending', r.created, s.id FROM replays r, results s WHERE s.id ="
        " (SELECT MAX(id) FROM results) RETURNING id");
    std::string web = getPath(server, "/ranking?category=1");
    EXPECT_NE(web.find("+500 pending"), std::string::npos) << web;
    EXPECT_EQ(web.find("forger"), std::string::npos) << web;
    EXPECT_EQ(sendRequest(server, "world_ranking_staggered.php?gamemode=1&offset=1"), "1 EOF\r\n");
}

// With unverified results counted, the ranking lists every result and the web
// page marks what verified replays back.
TEST_P(Replays, APrivateServerMayCountUnverifiedResults) {
    long long honest = scoredPlayer("honest", runResult(), true);
    TestResult forged = runResult();
    forged.score *= 10;
    scoredPlayer("forger", forged);
    startReplayVerifier(server.context, verifier);
    EXPECT_EQ(uploadRun(honest, runResult(), clearedRun().bytes), "success");
    ASSERT_EQ(verdictOf(honest), "verified");
    std::string everyone = sendRequest(server, "world_ranking_staggered.php?gamemode=1&offset=0");
    EXPECT_NE(everyone.find(",forger,"), std::string::npos) << everyone;
    EXPECT_NE(everyone.find(",honest,"), std::string::npos) << everyone;
    EXPECT_EQ(query("SELECT SUM(results) FROM score_bins"), "2");
    std::string web = getPath(server, "/ranking?category=1");
    EXPECT_NE(web.find("&#10003;</span>"), std::string::npos) << web;
}

// The server as a package installs it: the checker and the levels come along
// and are found from the installed program's own place.
class InstalledServer : public ::testing::Test {
  protected:
    std::string prefix = ::testing::TempDir() + "/zentrix-installed-" + std::to_string(::getpid());
    pid_t pid = -1;
    TestServer client;  // only its port: the server runs in its own process
    std::string databaseFile;

    void TearDown() override {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
        std::filesystem::remove_all(prefix);
        if (!databaseFile.empty())
            std::filesystem::remove_all(std::filesystem::path(databaseFile).parent_path());
    }
    bool install() {
        std::string command = "cmake --install " + buildDir + " --prefix " + prefix +
                              " --component server > " + prefix + ".log 2>&1";
        return std::system(command.c_str()) == 0;
    }
    // Starts the installed program on a free loopback port; its port, or 0.
    int start(const std::string& databaseUrl) {
        std::string log = prefix + "/server.log";
        std::string program = prefix + "/bin/zentrix-server";
        pid = ::fork();
        if (pid == 0) {
            int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(fd, STDOUT_FILENO);
            ::dup2(fd, STDERR_FILENO);
            ::execl(program.c_str(), program.c_str(), "serve", "--listen", "127.0.0.1:0", "--db",
                    databaseUrl.c_str(), "--key", (buildDir + "/keys/server_private.pem").c_str(),
                    "--threads", "2", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        const std::string marker = "listening on http://127.0.0.1:";
        for (int tries = 0; tries < 200; ++tries) {
            std::string text = readWholeFile(log);
            size_t at = text.find(marker);
            if (at != std::string::npos) return std::atoi(text.c_str() + at + marker.size());
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ADD_FAILURE() << "the installed server did not start: " << readWholeFile(log);
        return 0;
    }
    // Writes the recorded run's seed as issued to `userId`, through a
    // connection of this process to the installed server's database.
    void issueRunSeed(const std::string& databaseUrl, long long userId) {
        TestServer direct;
        std::string error;
        direct.context.database = openDatabase(databaseUrl, 1, error);
        ASSERT_NE(direct.context.database, nullptr) << error;
        issueSeed(direct, clearedRun().seed, userId);
        closeDatabase(direct.context.database);
    }
    // The verdict on the player's replays page once it is judged.
    std::string verdictOnPage(long long userId) {
        std::string path = "/replays?user=" + std::to_string(userId);
        for (int tries = 0; tries < 600; ++tries) {
            std::string page = getPath(client, path);
            if (page.find("<td>verified</td>") != std::string::npos) return "verified";
            if (page.find("<td>rejected</td>") != std::string::npos) return "rejected";
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return "still pending";
    }
};

TEST_F(InstalledServer, VerifiesAnUploadedReplayWithTheCheckerInstalledBesideIt) {
    ASSERT_FALSE(clearedRun().bytes.empty()) << "the bot cleared no Casual level 1";
    ASSERT_TRUE(install()) << readWholeFile(prefix + ".log");
    for (const char* file :
         {"/bin/zentrix-server", "/bin/zentrix-replay-check", "/share/zentrix-server/assets.ass"}) {
        EXPECT_TRUE(std::filesystem::exists(prefix + file)) << file;
    }
    std::string url = freshDatabaseUrl(TestBackend::Sqlite);
    databaseFile = url.substr(std::string("sqlite:").size());
    client.port = start(url);
    ASSERT_GT(client.port, 0);
    long long id = registerAndLogin(client, "installed", "secret9");
    TestResult result = resultOf(clearedRun());
    std::string scored = sendRequest(client, scoreRequest(id, "secret9", result));
    EXPECT_EQ(scored.compare(0, 8, "success "), 0) << scored;
    issueRunSeed(url, id);
    const std::string& body = clearedRun().bytes;
    EXPECT_EQ(uploadReplay(client, replayRequest(id, "secret9", result, sha256Hex(body)), body),
              "success");
    EXPECT_EQ(verdictOnPage(id), "verified") << readWholeFile(prefix + "/server.log");
}

INSTANTIATE_ON_BOTH_BACKENDS(Replays);

}  // namespace
