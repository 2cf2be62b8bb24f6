// PostgreSQL runs the writing part of a score submission as a function inside
// the database, SQLite runs the C++ steps: the same submissions must give the
// same replies and leave the same rows on both.
#include <gtest/gtest.h>

#include <algorithm>

#include "server/credentials.h"
#include "server/scores.h"
#include "server/storage.h"
#include "server/throttle.h"
#include "tests/server/server_harness.h"

namespace {

const char* const playerNames[] = {"Engine Ann", "Engine Bob", "Engine Cid"};
const char* const playerPassword = "enginepass";

// Every row a score touches, in a fixed order; doubles in thousandths, as the
// engines print them differently.
const char* const storedRowQueries[] = {
    "SELECT digest, user_id, kind, mode, level, score, CAST(seconds * 1000 AS BIGINT), apm,"
    " controls, drops, rotates, pup1earned, pup2earned, pup3earned, pup1used, pup2used, pup3used,"
    " kills, performance, session, points, reply, counted FROM results ORDER BY digest",
    "SELECT user_id, mode, level, best_score, points FROM bests ORDER BY user_id, mode, level",
    "SELECT mode, level, bin, results FROM score_bins ORDER BY mode, level, bin",
    "SELECT user_id, category, points FROM skills ORDER BY user_id, category",
    "SELECT category, bucket, shard, players FROM skill_buckets WHERE players <> 0"
    " ORDER BY category, bucket, shard",
    "SELECT user_id, number FROM achievements ORDER BY user_id, number",
    "SELECT id, CAST(play_seconds * 1000 AS BIGINT) FROM users ORDER BY id",
};

SqlRows query(Database* database, const std::string& sql, const SqlParams& params = {}) {
    ConnectionLease lease(database);
    SqlRows rows;
    EXPECT_EQ(sqlExec(lease.connection, sql, params, &rows), SqlStatus::Ok) << sql;
    return rows;
}

// One server on each back end, with the same three players.
class ScoreEngines : public ::testing::Test {
  protected:
    TestServer sqlite, postgres;
    std::vector<long long> players;
    std::vector<std::string> replies[2];

    void SetUp() override {
        std::string postgresUrl = freshDatabaseUrl(TestBackend::Postgres);
        ASSERT_FALSE(postgresUrl.empty());
        resetThrottle();
        forgetCheckedPasswords();
        ASSERT_TRUE(startTestServer(sqlite, freshDatabaseUrl(TestBackend::Sqlite)));
        ASSERT_TRUE(startTestServer(postgres, postgresUrl));
        for (const char* name : playerNames) {
            long long id = registerAndLogin(sqlite, name, playerPassword);
            ASSERT_EQ(registerAndLogin(postgres, name, playerPassword), id);
            players.push_back(id);
        }
    }
    void TearDown() override {
        if (sqlite.http != nullptr) stopTestServer(sqlite);
        if (postgres.http != nullptr) stopTestServer(postgres);
    }

    // Sends one request to both servers; the replies must match.
    std::string both(const std::string& request) {
        std::string first = sendRequest(sqlite, request);
        std::string second = sendRequest(postgres, request);
        EXPECT_EQ(first, second) << request;
        replies[0].push_back(first);
        replies[1].push_back(second);
        return first;
    }
    std::string score(int player, const TestResult& result) {
        return both(scoreRequest(players[player], playerPassword, result));
    }
    std::string death(int player, const TestResult& result) {
        return both(deathRequest(players[player], playerPassword, result));
    }
    // Counts every stored score in the order it came, on both, as verified
    // replays would.
    void countAllVerified() {
        for (TestServer* server : {&sqlite, &postgres}) {
            SqlRows ids = query(server->context.database,
                                "SELECT id FROM results WHERE kind = 1 ORDER BY id");
            for (const SqlRow& id : ids) {
                SqlStatus status =
                    inWriteTransaction(server->context.database, [&](DbConnection* connection) {
                        return countVerifiedResult(connection, std::atoll(id[0].c_str()));
                    });
                EXPECT_EQ(status, SqlStatus::Ok)
                    << backendName(server == &sqlite ? TestBackend::Sqlite : TestBackend::Postgres);
            }
        }
    }
    void expectSameRows() {
        for (const char* sql : storedRowQueries) {
            EXPECT_EQ(query(sqlite.context.database, sql), query(postgres.context.database, sql))
                << sql;
        }
    }
    // A whole classic run of one player, one score per level.
    void run(int player, TestResult result) {
        for (result.level = 1; result.level <= 10; ++result.level) score(player, result);
    }
};

TestResult resultOf(int mode, int level, long long score) {
    TestResult result;
    result.mode = mode;
    result.level = level;
    result.score = score;
    return result;
}

}  // namespace

TEST_F(ScoreEngines, SameSubmissionsGiveSameRepliesAndRows) {
    TestResult first = resultOf(2, 1, 1000);
    score(0, first);                      // the level's first result
    score(0, resultOf(2, 1, 1500));       // an improvement
    score(0, resultOf(2, 1, 800));        // a worse one keeps the best
    std::string again = score(0, first);  // a repeat gets its first reply
    EXPECT_EQ(again, replies[0][0]);
    score(1, resultOf(2, 1, 1200));      // a second player, a rank below
    score(2, resultOf(2, 1, 900));       // three results: the reference appears
    score(2, resultOf(2, 1, 99999999));  // a forged huge score moves it one place only
    EXPECT_EQ(score(2, resultOf(2, 1, 100000001)), "fail");  // beyond any level
    score(1, resultOf(2, 1, 1300));
    score(1, resultOf(2, 1, 9000));  // far above the spread: epic
    TestResult classic = resultOf(1, 1, 2000);
    classic.rotates = 0;
    classic.session = "20240101120000one";
    run(0, classic);  // learned to play
    TestResult expert = resultOf(3, 1, 3000);
    expert.rotates = 0;
    expert.time = 30;
    expert.session = "20240101120000two";
    death(0, expert);  // a death in the run counts its time and rotations
    run(0, expert);    // quick, no rotation, no power-up: expert, insane, hold still, elitist
    TestResult normal = resultOf(2, 1, 2500);
    normal.session = "20240101120000six";
    for (normal.level = 1; normal.level <= 10; ++normal.level) {
        normal.controls = normal.level % 2;
        normal.pupUsed = normal.level == 4 ? 1 : 0;
        score(0, normal);  // both control schemes; with the others, beta tester
    }
    TestResult rush = resultOf(4, 5, -5000);
    rush.apm = 95;
    score(1, rush);               // a score below zero, and brisko
    score(2, resultOf(6, 1, 0));  // into the void
    TestResult survival = resultOf(5, 2, 50000);
    survival.time = 86000;
    for (int day = 0; day < 5; ++day) {
        death(2, survival);
        survival.score += 1000;
        survival.session = "20240101120000s" + std::to_string(day);
        score(2, survival);  // time adds up to mass addict
    }
    expectSameRows();
    // The run ended in achievements on both, so the comparison saw them.
    EXPECT_GE(query(postgres.context.database, "SELECT number FROM achievements").size(), 12u);
}

// A score that leaves the player's skillpoints as they were still finds them
// first once the leader's points are gone (an operator removing a cheat).
TEST_F(ScoreEngines, AnUnchangedSkillFindsTheNewFirstPlace) {
    score(0, resultOf(2, 1, 5000));
    score(1, resultOf(2, 1, 1000));
    std::string before = score(1, resultOf(2, 1, 500));
    std::string removal =
        "UPDATE skills SET points = 0 WHERE user_id = " + std::to_string(players[0]);
    query(sqlite.context.database, removal);
    query(postgres.context.database, removal);
    std::vector<std::string> after = splitAtSpaces(score(1, resultOf(2, 1, 400)));
    ASSERT_GE(after.size(), 8u);
    EXPECT_EQ(after[6], after[7]);  // skillpoints before and after
    EXPECT_EQ(after[5], "1");       // first in Normal now
    EXPECT_NE(std::find(after.begin() + 8, after.end(), "5"), after.end()) << before;
    expectSameRows();
}

// A database made by the release whose score function took other parameters:
// opening it replaces that function, and scores go on as on a fresh one.
TEST_F(ScoreEngines, AnOlderScoreFunctionIsReplacedWhenTheDatabaseOpens) {
    score(0, resultOf(2, 1, 1000));
    std::string url = postgres.databaseUrl;
    for (const char* sql : {
             "DROP FUNCTION zentrix_submit_score, zentrix_fresh_grants",
             "CREATE FUNCTION zentrix_submit_score(TEXT, BIGINT, INTEGER, INTEGER, INTEGER, BIGINT,"
             " DOUBLE PRECISION, BIGINT, BIGINT, BIGINT, BIGINT, BIGINT, BIGINT, BIGINT, BIGINT,"
             " BIGINT, BIGINT, BIGINT, BIGINT, TEXT, BIGINT, INTEGER) RETURNS TEXT"
             " LANGUAGE sql AS $$ SELECT 'old' $$",
             "CREATE FUNCTION zentrix_reference(INTEGER[], BIGINT[], INTEGER) RETURNS BIGINT"
             " LANGUAGE sql AS $$ SELECT 0::BIGINT $$",
             "CREATE INDEX skills_rank ON skills (category, points)",
             "ALTER TABLE results DROP COLUMN counted",
             "ALTER TABLE replays DROP COLUMN result_id",
             "ALTER TABLE users DROP COLUMN registration",
             "DROP TABLE seeds",
             "ALTER TABLE replays ALTER COLUMN body TYPE TEXT USING encode(body, 'base64')",
             "DROP TABLE replay_turns",
             "DROP INDEX replays_waiting",
             "UPDATE schema_version SET version = 7",
         }) {
        query(postgres.context.database, sql);
    }
    stopTestServer(postgres);
    ASSERT_TRUE(startTestServer(postgres, url));
    EXPECT_EQ(firstInteger(query(postgres.context.database,
                                 "SELECT COUNT(*) FROM pg_proc WHERE proname IN"
                                 " ('zentrix_submit_score', 'zentrix_reference')"),
                           -1),
              1);
    EXPECT_TRUE(
        query(postgres.context.database, "SELECT 1 FROM pg_indexes WHERE indexname = 'skills_rank'")
            .empty());
    std::string reply = score(1, resultOf(2, 1, 1200));
    EXPECT_EQ(reply.rfind("success ", 0), 0u) << reply;
    expectSameRows();
}

// By default a result counts once its replay verified: submissions store it
// waiting and count nothing, counting happens alike on both engines, and each
// account's best of a level is in the histogram once, whatever the volume.
TEST_F(ScoreEngines, WaitingResultsCountAlikeOnceVerified) {
    sqlite.context.countUnverifiedResults = false;
    postgres.context.countUnverifiedResults = false;
    std::vector<std::string> first = splitAtSpaces(score(0, resultOf(2, 1, 1000)));
    ASSERT_GE(first.size(), 8u);
    EXPECT_EQ(first[6], "0");    // nothing counted before
    EXPECT_EQ(first[7], "500");  // what the first result of the level earns once verified
    for (long long forged = 2000; forged < 2060; ++forged) score(1, resultOf(2, 1, forged));
    score(2, resultOf(2, 1, 800));
    score(2, resultOf(2, 1, 900));  // a better one: it replaces the first in the histogram
    score(0, resultOf(4, 5, -500));
    EXPECT_EQ(both("world_ranking_staggered.php?gamemode=2&offset=0"), "2 EOF\r\n");
    EXPECT_TRUE(query(sqlite.context.database, "SELECT * FROM score_bins").empty());
    expectSameRows();
    countAllVerified();
    expectSameRows();
    // One histogram entry per account and level, at its best score.
    EXPECT_EQ(query(postgres.context.database,
                    "SELECT SUM(results) FROM score_bins WHERE mode = 2 AND level = 1"),
              SqlRows{{"3"}});
    EXPECT_EQ(query(sqlite.context.database,
                    "SELECT best_score FROM bests WHERE mode = 2 ORDER BY user_id"),
              (SqlRows{{"1000"}, {"2059"}, {"900"}}));
    std::string ranking = both("world_ranking_staggered.php?gamemode=2&offset=0");
    EXPECT_EQ(ranking.compare(0, 9, "2 ROWS 3\r"), 0) << ranking;
    EXPECT_NE(ranking.find("Engine Ann,2,500,"), std::string::npos) << ranking;
    // Counting again changes nothing.
    countAllVerified();
    expectSameRows();
}

// A database whose histogram was kept one row per bin: opening it keeps the
// counts (in one stripe), and a best counted before the upgrade leaves its old
// bin when a better one is counted, though the two sit in different stripes.
TEST_F(ScoreEngines, AnUpgradedHistogramKeepsItsCountsAndMovesOldBests) {
    sqlite.context.countUnverifiedResults = false;
    postgres.context.countUnverifiedResults = false;
    score(0, resultOf(2, 1, 1000));
    score(1, resultOf(2, 1, 2000));
    score(2, resultOf(2, 1, 3000));
    countAllVerified();
    // Each server's database is closed and opened again under the running server.
    for (TestServer* server : {&sqlite, &postgres}) {
        for (const char* sql : {
                 "CREATE TABLE old_bins (mode INTEGER NOT NULL, level INTEGER NOT NULL,"
                 " bin INTEGER NOT NULL, results BIGINT NOT NULL, PRIMARY KEY (mode, level, bin))",
                 "INSERT INTO old_bins SELECT mode, level, bin, SUM(results) FROM score_bins"
                 " GROUP BY mode, level, bin",
                 "DROP TABLE score_bins",
                 "ALTER TABLE old_bins RENAME TO score_bins",
                 "UPDATE schema_version SET version = 13",
             }) {
            query(server->context.database, sql);
        }
        closeDatabase(server->context.database);
        std::string error;
        server->context.database = openDatabase(server->databaseUrl, 2, error);
        ASSERT_NE(server->context.database, nullptr) << error;
    }
    // Ann's id is not a multiple of the stripes: her old best is in another stripe.
    ASSERT_NE(binStripe(players[0]), 0);
    EXPECT_EQ(query(postgres.context.database, "SELECT COUNT(*) FROM score_bins WHERE stripe <> 0"),
              SqlRows{{"0"}});
    score(0, resultOf(2, 1, 5000));
    countAllVerified();
    expectSameRows();
    SqlRows oldBin = query(postgres.context.database,
                           "SELECT SUM(results) FROM score_bins WHERE mode = 2 AND level = 1"
                           " AND bin = $1",
                           {sqlInt(scoreBin(1000))});
    EXPECT_EQ(oldBin, SqlRows{{"0"}});
    LevelReference expected =
        referenceFromBins({{scoreBin(2000), 1}, {scoreBin(3000), 1}, {scoreBin(5000), 1}});
    std::vector<std::string> reply = splitAtSpaces(
        both("highscore.php?gamemode=2&level=1&username=x&userid=" + std::to_string(players[1])));
    ASSERT_EQ(reply.size(), 5u);
    EXPECT_EQ(reply[2], std::to_string(expected.centre));
    EXPECT_EQ(reply[3], std::to_string(expected.spread));
}
