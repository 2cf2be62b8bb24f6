// Opening a database written by the first release: the password blobs are gone,
// and the level histograms and rank counts are built from the stored results
// and skillpoints.
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "server/ranking.h"
#include "server/scores.h"
#include "server/storage.h"
#include "tests/server/server_harness.h"

namespace {

const char oldBlob[] = "OLDBLOBc2VjcmV0IHBhc3N3b3Jk";

// The first release's tables that the later versions change or read.
const std::vector<std::string> firstReleaseSchema = {
    "CREATE TABLE schema_version (version INTEGER NOT NULL)",
    "INSERT INTO schema_version VALUES (1)",
    "CREATE TABLE users (id BIGINT PRIMARY KEY, name TEXT NOT NULL, name_key TEXT NOT NULL"
    " UNIQUE, email TEXT NOT NULL, password_hash TEXT NOT NULL, password_blob TEXT NOT NULL,"
    " created BIGINT NOT NULL, play_seconds DOUBLE PRECISION NOT NULL DEFAULT 0)",
    "CREATE TABLE sessions (token TEXT PRIMARY KEY, user_id BIGINT NOT NULL,"
    " created BIGINT NOT NULL)",
    "CREATE TABLE results (id BIGINT PRIMARY KEY, digest TEXT NOT NULL UNIQUE,"
    " user_id BIGINT NOT NULL, kind INTEGER NOT NULL, mode INTEGER NOT NULL,"
    " level INTEGER NOT NULL, score BIGINT NOT NULL)",
    "CREATE TABLE skills (user_id BIGINT NOT NULL, category INTEGER NOT NULL,"
    " points BIGINT NOT NULL, PRIMARY KEY (user_id, category))",
};

// Three players with blobs, three scores and a death on Casual 1, overall skillpoints.
const std::vector<std::string> firstReleaseRows = {
    std::string("INSERT INTO users (id, name, name_key, email, password_hash, password_blob,"
                " created) VALUES (1, 'Ann', 'ann', 'a@x', 'hash1', '") +
        oldBlob + "', 0), (2, 'Bob', 'bob', 'b@x', 'hash2', '" + oldBlob +
        "', 0), (3, 'Cid', 'cid', 'c@x', 'hash3', '" + oldBlob + "', 0)",
    "INSERT INTO results (id, digest, user_id, kind, mode, level, score) VALUES"
    " (1, 'd1', 1, 1, 1, 1, 1000), (2, 'd2', 2, 1, 1, 1, 2000), (3, 'd3', 3, 1, 1, 1, 3000),"
    " (4, 'd4', 3, 2, 1, 1, 0)",
    "INSERT INTO skills (user_id, category, points) VALUES (1, 0, 250), (2, 0, 730), (3, 0, 250)",
};

bool runSqlite(const std::string& path, const std::vector<std::string>& statements) {
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(path.c_str(), &db) == SQLITE_OK;
    for (const std::string& sql : statements) {
        ok = ok && sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    sqlite3_close(db);
    return ok;
}

bool runPostgres(const std::string& url, const std::vector<std::string>& statements) {
    PGconn* conn = PQconnectdb(url.c_str());
    bool ok = PQstatus(conn) == CONNECTION_OK;
    for (const std::string& sql : statements) {
        if (!ok) break;
        PGresult* result = PQexec(conn, sql.c_str());
        ok = PQresultStatus(result) == PGRES_COMMAND_OK;
        PQclear(result);
    }
    PQfinish(conn);
    return ok;
}

class Migration : public ::testing::TestWithParam<TestBackend> {
  protected:
    std::string url;
    Database* database = nullptr;

    void SetUp() override {
        url = freshDatabaseUrl(GetParam());
        ASSERT_FALSE(url.empty());
        std::vector<std::string> statements = firstReleaseSchema;
        statements.insert(statements.end(), firstReleaseRows.begin(), firstReleaseRows.end());
        bool written = GetParam() == TestBackend::Sqlite ? runSqlite(sqlitePath(), statements)
                                                         : runPostgres(url, statements);
        ASSERT_TRUE(written);
        std::string error;
        database = openDatabase(url, 2, error);
        ASSERT_NE(database, nullptr) << error;
    }
    void TearDown() override { closeDatabase(database); }

    std::string sqlitePath() const { return url.substr(std::string("sqlite:").size()); }

    SqlRows query(const std::string& sql) {
        ConnectionLease lease(database);
        SqlRows rows;
        EXPECT_EQ(sqlExec(lease.connection, sql, {}, &rows), SqlStatus::Ok) << sql;
        return rows;
    }
};

TEST_P(Migration, EveryPasswordBlobIsEmptiedAndTheHashesStay) {
    EXPECT_EQ(firstInteger(query("SELECT COUNT(*) FROM users WHERE password_blob <> ''"), -1), 0);
    SqlRows hashes = query("SELECT password_hash FROM users ORDER BY id");
    ASSERT_EQ(hashes.size(), 3u);
    EXPECT_EQ(hashes[0][0], "hash1");
    EXPECT_EQ(hashes[2][0], "hash3");
}

TEST_P(Migration, TheLevelHistogramCountsTheOldScoresOnly) {
    EXPECT_EQ(firstInteger(query("SELECT SUM(results) FROM score_bins WHERE mode = 1 AND"
                                 " level = 1"),
                           -1),
              3);
}

TEST_P(Migration, RanksComeFromTheOldSkillpoints) {
    std::vector<RankingRow> rows;
    ASSERT_TRUE(rankingPage(database, 0, 0, 100, rows));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].userId, 2);
    EXPECT_EQ(rows[0].rank, 1);
    EXPECT_EQ(rows[1].userId, 1);
    EXPECT_EQ(rows[1].rank, 2);
    EXPECT_EQ(rows[2].userId, 3);
    EXPECT_EQ(rows[2].rank, 2);
}

INSTANTIATE_ON_BOTH_BACKENDS(Migration);

// SQLite's file is ours to read: the old values must have left it too.
class SqliteMigration : public Migration {};

TEST_P(SqliteMigration, KeepsNoTraceOfTheBlobsInItsFile) {
    closeDatabase(database);
    database = nullptr;
    std::string bytes = readWholeFile(sqlitePath());
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes.find(oldBlob), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Backends, SqliteMigration, ::testing::Values(TestBackend::Sqlite),
                         [](const ::testing::TestParamInfo<TestBackend>& info) {
                             return backendName(info.param);
                         });

}  // namespace
