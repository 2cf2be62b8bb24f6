// The replay checkers and the queue they serve, on SQLite and PostgreSQL: a
// worker's long-lived checker that crashes or hangs in the middle of a replay
// costs that replay alone and is replaced for the next; accounts are served
// in turn; an account's waiting replays are capped; and a replay is kept as
// its file's bytes (also after the upgrade from Base64 text).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>
#include <vector>

#include "protocol/encodings.h"
#include "server/replay_verifier.h"
#include "server/replays.h"
#include "tests/server/recorded_runs.h"
#include "tests/server/server_harness.h"
#include "tests/temp_folder.h"

namespace {

const std::string buildDir = ZENTRIX_BUILD_DIR;
const char password[] = "secret9";
const size_t runsNeeded = 3;

// Cleared Casual level 1 runs, each under a level seed of its own (recorded once).
const std::vector<RecordedRun>& clearedRuns() {
    static std::vector<RecordedRun> runs = [] {
        std::vector<RecordedRun> found;
        for (int64_t seed = 7001; seed < 7020 && found.size() < runsNeeded; ++seed) {
            RecordedRun run = recordClearedRun(seed);
            if (!run.bytes.empty()) found.push_back(run);
        }
        return found;
    }();
    return runs;
}

// The real checker behind a script that, told by a file in `folder` when it
// starts, takes one request and then dies of SIGSEGV ("crash") or stops
// answering ("hang"), as a checker broken by a hostile replay would; each file
// is used once. Without one it is the checker.
std::string faultyChecker(const std::string& folder) {
    std::string path = folder + "/faulty-checker.sh";
    std::ofstream(path) << "#!/bin/sh\n"
                           "take_request() { read -r line; set -- $line; head -c \"$4\" "
                           ">/dev/null; }\n"
                           "if [ -e '"
                        << folder << "/crash' ]; then rm '" << folder
                        << "/crash'; take_request; kill -SEGV $$; fi\n"
                           "if [ -e '"
                        << folder << "/hang' ]; then rm '" << folder
                        << "/hang'; take_request; exec sleep 30; fi\n"
                           "exec '"
                        << buildDir << "/zentrix-replay-check' \"$@\"\n";
    ::chmod(path.c_str(), 0755);
    return path;
}

void touch(const std::string& path) {
    std::ofstream(path) << "x";
}

class ReplayPool : public ServerTest {
  protected:
    VerifierSettings verifier = realVerifier();
    std::string folder;

    void SetUp() override {
        ASSERT_EQ(clearedRuns().size(), runsNeeded) << "the bot cleared too few levels";
        ASSERT_NO_FATAL_FAILURE(ServerTest::SetUp());
        char name[] = "/tmp/zentrix-pool-XXXXXX";
        ASSERT_NE(::mkdtemp(name), nullptr);
        folder = name;
        verifier.workers = 1;
    }
    void TearDown() override {
        ServerTest::TearDown();
        if (!folder.empty()) std::system(("rm -rf '" + folder + "'").c_str());
    }

    std::string query(const std::string& sql) { return queryValue(server, sql); }
    // A player holding run n's result and seed; its id.
    long long playerOfRun(const std::string& name, size_t n) {
        long long id = registerAndLogin(server, name, password);
        const RecordedRun& run = clearedRuns()[n];
        std::string reply = sendRequest(server, scoreRequest(id, password, resultOf(run)));
        EXPECT_EQ(reply.compare(0, 8, "success "), 0) << reply;
        issueSeed(server, run.seed, id);
        return id;
    }
    std::string uploadRun(long long id, size_t n) {
        const RecordedRun& run = clearedRuns()[n];
        return uploadReplay(
            server, replayRequest(id, password, resultOf(run), sha256Hex(run.bytes)), run.bytes);
    }
    // The user's replay's state and reason once judged.
    std::string verdictOf(long long userId) {
        std::string state = awaitVerdict(server, userId);
        return state + ": " +
               query("SELECT reason FROM replays WHERE user_id = " + std::to_string(userId));
    }
    // `count` waiting replays of the account, written straight into the table.
    void waitingReplays(long long userId, int count, const std::string& tag) {
        for (int i = 0; i < count; ++i) {
            query(
                "INSERT INTO replays (sha256, user_id, mode, level, score, session, points,"
                " body, state, created) VALUES ('" +
                tag + std::to_string(i) + "', " + std::to_string(userId) +
                ", 1, 1, 5, 's', 0, '', 'pending', 1) RETURNING id");
        }
    }
};

TEST_P(ReplayPool, ACheckerThatCrashesOrHangsLosesItsReplayAloneAndIsReplaced) {
    verifier.checker = faultyChecker(folder);
    // A Classic replay's deadline is a fifth of it, 5 s: the hanging checker
    // sleeps far longer, and a sound check under the sanitizers on a busy
    // machine takes more than a second.
    verifier.timeoutSeconds = 25;
    // The first checker crashes on its replay, its replacement hangs on the
    // next, and the one after that is sound.
    touch(folder + "/crash");
    touch(folder + "/hang");
    const char* expected[runsNeeded] = {"rejected: the checker ended on signal 11",
                                        "rejected: the check took longer than 5 s", "verified: "};
    std::vector<long long> players;
    for (size_t n = 0; n < runsNeeded; ++n) {
        players.push_back(playerOfRun("pooled" + std::to_string(n), n));
        EXPECT_EQ(uploadRun(players[n], n), "success");
    }
    startReplayVerifier(server.context, verifier);
    // One worker takes the accounts' replays in upload order.
    for (size_t n = 0; n < runsNeeded; ++n) {
        std::string verdict = verdictOf(players[n]);
        EXPECT_EQ(verdict.compare(0, std::strlen(expected[n]), expected[n]), 0)
            << "replay " << n << ": " << verdict;
    }
    // The hung replay was sound: checked again by the sound checker, it verifies.
    query("UPDATE replays SET state = 'pending' WHERE user_id = " + std::to_string(players[1]) +
          " RETURNING id");
    wakeReplayVerifier();
    EXPECT_EQ(verdictOf(players[1]).compare(0, 10, "verified: "), 0);
}

TEST_P(ReplayPool, AccountsTakeTurnsSoOneAccountsBacklogDelaysAnotherByOneReplayAtMost) {
    long long busy = registerAndLogin(server, "busy", password);
    long long quiet = registerAndLogin(server, "quiet", password);
    long long third = registerAndLogin(server, "third", password);
    waitingReplays(busy, 6, "busy");
    waitingReplays(quiet, 1, "quiet");
    waitingReplays(third, 2, "third");
    // The oldest first, then whoever's turn came longest ago: once each
    // account had a replay checked, the busy one's backlog comes last.
    std::vector<long long> order,
        expected = {busy, quiet, third, busy, third, busy, busy, busy, busy};
    StoredReplay claimed;
    while (claimPendingReplay(server.context.database, 3600, claimed))
        order.push_back(claimed.userId);
    EXPECT_EQ(order, expected);
    // A newcomer's replay waits behind no more than one of the backlog.
    waitingReplays(busy, 3, "later");
    long long newcomer = registerAndLogin(server, "newcomer", password);
    ASSERT_TRUE(claimPendingReplay(server.context.database, 3600, claimed));
    EXPECT_EQ(claimed.userId, busy);
    waitingReplays(newcomer, 1, "new");
    ASSERT_TRUE(claimPendingReplay(server.context.database, 3600, claimed));
    EXPECT_EQ(claimed.userId, newcomer);
}

TEST_P(ReplayPool, AnAccountWithTheLimitOfWaitingReplaysHasItsUploadRefused) {
    long long id = playerOfRun("crowded", 0);
    waitingReplays(id, replayPendingLimit, "crowded");
    // Answered 503, so the game keeps the replay and sends it again later.
    EXPECT_EQ(uploadRun(id, 0), "<status 503>");
    EXPECT_EQ(query("SELECT COUNT(*) FROM replays WHERE user_id = " + std::to_string(id)),
              std::to_string(replayPendingLimit));
    // The refusal used nothing: once one is checked, the same upload goes in.
    EXPECT_EQ(query("SELECT COUNT(*) FROM seeds WHERE used = 0"), "1");
    query("UPDATE replays SET state = 'rejected' WHERE sha256 = 'crowded0' RETURNING id");
    EXPECT_EQ(uploadRun(id, 0), "success");
}

TEST_P(ReplayPool, AStoredReplayIsItsFilesBytesInABinaryColumn) {
    long long id = playerOfRun("bytes", 0);
    ASSERT_EQ(uploadRun(id, 0), "success");
    long long replayId = std::atoll(query("SELECT id FROM replays").c_str());
    std::string body;
    ASSERT_TRUE(replayBody(server.context.database, replayId, body));
    EXPECT_EQ(body, clearedRuns()[0].bytes);
    bool sqlite = GetParam() == TestBackend::Sqlite;
    EXPECT_EQ(query(sqlite ? "SELECT typeof(body) FROM replays"
                           : "SELECT pg_typeof(body)::text"
                             " FROM replays"),
              sqlite ? "blob" : "bytea");
    EXPECT_EQ(query("SELECT length(body) FROM replays"),
              std::to_string(clearedRuns()[0].bytes.size()));
    StoredReplay claimed;
    ASSERT_TRUE(claimPendingReplay(server.context.database, 3600, claimed));
    EXPECT_EQ(claimed.body, clearedRuns()[0].bytes);
}

// The replays table as it was while bodies were Base64 text, and the schema
// version from before the step that turned them into bytes (the thirteenth).
std::vector<std::string> base64Schema(bool sqlite) {
    return {"DROP TABLE replays", "DROP TABLE replay_turns",
            std::string("CREATE TABLE replays (id ") +
                (sqlite ? "INTEGER PRIMARY KEY" : "BIGSERIAL PRIMARY KEY") +
                ", sha256 TEXT NOT NULL UNIQUE, user_id BIGINT NOT NULL, mode INTEGER NOT NULL,"
                " level INTEGER NOT NULL, score BIGINT NOT NULL, session TEXT NOT NULL,"
                " points BIGINT NOT NULL, body TEXT NOT NULL, state TEXT NOT NULL,"
                " claimed BIGINT NOT NULL DEFAULT 0, replayed_score BIGINT NOT NULL DEFAULT 0,"
                " frames BIGINT NOT NULL DEFAULT 0, duration_ms BIGINT NOT NULL DEFAULT 0,"
                " reason TEXT NOT NULL DEFAULT '', created BIGINT NOT NULL,"
                " checked BIGINT NOT NULL DEFAULT 0, result_id BIGINT NOT NULL DEFAULT 0)",
            "UPDATE schema_version SET version = 12"};
}

TEST_P(ReplayPool, TheUpgradeTurnsABase64BodyIntoTheFilesBytes) {
    long long id = registerAndLogin(server, "veteran", password);
    {
        ConnectionLease lease(server.context.database);
        for (const std::string& sql : base64Schema(GetParam() == TestBackend::Sqlite))
            ASSERT_EQ(sqlExec(lease.connection, sql, {}), SqlStatus::Ok) << sql;
        const std::string& bytes = clearedRuns()[0].bytes;
        ASSERT_EQ(sqlExec(lease.connection,
                          "INSERT INTO replays (sha256, user_id, mode, level, score, session,"
                          " points, body, state, created) VALUES ('old', $1, 1, 1, 5, 's', 0, $2,"
                          " 'verified', 1)",
                          {sqlInt(id), sqlText(base64Encode(bytes))}),
                  SqlStatus::Ok);
        // A damaged row must not stop the upgrade: it keeps its own bytes.
        ASSERT_EQ(sqlExec(lease.connection,
                          "INSERT INTO replays (sha256, user_id, mode, level, score, session,"
                          " points, body, state, created) VALUES ('torn', $1, 1, 1, 5, 's', 0,"
                          " 'not=Base64!', 'pending', 1)",
                          {sqlInt(id)}),
                  SqlStatus::Ok);
    }
    std::string error;
    Database* upgraded = openDatabase(server.databaseUrl, 1, error);
    ASSERT_NE(upgraded, nullptr) << error;
    std::string body, torn;
    EXPECT_TRUE(replayBody(upgraded, 1, body));
    EXPECT_TRUE(replayBody(upgraded, 2, torn));
    closeDatabase(upgraded);
    EXPECT_EQ(body, clearedRuns()[0].bytes);
    EXPECT_EQ(torn, "not=Base64!");
    EXPECT_EQ(query("SELECT state FROM replays WHERE sha256 = 'old'"), "verified");
}

// Checkers broken in ways that end no pipe cleanly still cost one deadline:
// one that hangs, one that closes its output and runs on, one that never
// reads its input (a replay larger than a pipe holds), one that answers
// without end.
TEST(ReplayChecker, ACheckerThatGoesQuietDeafOrBabblingIsCutOffAtItsDeadline) {
    const char late[] = "the check took longer than 1 s";
    struct Case {
        const char* name;
        const char* script;
        size_t bodyBytes;
        const char* reason;
    } cases[] = {{"hanging", "exec sleep 30\n", 100, late},
                 {"quiet", "exec 1>&-\nexec sleep 30\n", 100, late},
                 {"deaf", "exec sleep 30\n", 1 << 20, late},
                 {"babbling", "exec yes verdict\n", 100, "the checker answered without a verdict"}};
    for (const Case& c : cases) {
        std::string path = tempDir() + "/zentrix-" + c.name + "-checker.sh";
        std::ofstream(path) << "#!/bin/sh\n" << c.script;
        ::chmod(path.c_str(), 0755);
        VerifierSettings settings;
        settings.checker = path;
        settings.timeoutSeconds = 5;
        StoredReplay replay;
        replay.mode = 1;
        replay.body = std::string(c.bodyBytes, 'x');
        ReplayVerdictRecord verdict;
        auto started = std::chrono::steady_clock::now();
        ASSERT_TRUE(runReplayChecker(settings, replay, verdict)) << c.name;
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10)) << c.name;
        EXPECT_FALSE(verdict.verified) << c.name;
        EXPECT_EQ(verdict.reason, c.reason) << c.name;
    }
}

INSTANTIATE_ON_BOTH_BACKENDS(ReplayPool);

}  // namespace
