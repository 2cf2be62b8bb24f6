// Write transactions from many threads at once: on SQLite they share commits
// (group commit), yet each one succeeds or fails on its own.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "server/storage.h"
#include "tests/server/server_harness.h"

namespace {

const int writerThreads = 24;
const int writesPerThread = 20;

class WriteBatches : public ::testing::TestWithParam<TestBackend> {
  protected:
    Database* database = nullptr;

    void SetUp() override {
        std::string url = freshDatabaseUrl(GetParam());
        ASSERT_FALSE(url.empty());
        std::string error;
        database = openDatabase(url, 4, error);
        ASSERT_NE(database, nullptr) << error;
    }
    void TearDown() override { closeDatabase(database); }

    long long newsRows(const std::string& where) {
        ConnectionLease lease(database);
        SqlRows rows;
        EXPECT_EQ(sqlExec(lease.connection, "SELECT COUNT(*) FROM news" + where, {}, &rows),
                  SqlStatus::Ok);
        return firstInteger(rows, -1);
    }
};

SqlStatus insertNews(DbConnection* connection, long long id, const std::string& text) {
    return sqlExec(connection, "INSERT INTO news (id, text) VALUES ($1, $2)",
                   {sqlInt(id), sqlText(text)});
}

// Each thread writes its rows; every third write fails after writing and must leave nothing.
void writeFromThread(Database* database, int thread, std::atomic<int>& wrongStatus) {
    for (int i = 0; i < writesPerThread; ++i) {
        long long id = thread * writesPerThread + i + 1;
        bool failing = i % 3 == 0;
        SqlStatus status = inWriteTransaction(database, [&](DbConnection* connection) {
            SqlStatus inserted = insertNews(connection, id, failing ? "undone" : "kept");
            return inserted == SqlStatus::Ok && failing ? SqlStatus::Failed : inserted;
        });
        if (status != (failing ? SqlStatus::Failed : SqlStatus::Ok)) ++wrongStatus;
    }
}

TEST_P(WriteBatches, ConcurrentWritesCommitOrFailEachOnTheirOwn) {
    std::atomic<int> wrongStatus{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < writerThreads; ++t) {
        threads.emplace_back(writeFromThread, database, t, std::ref(wrongStatus));
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(wrongStatus.load(), 0);
    int failingPerThread = (writesPerThread + 2) / 3;
    EXPECT_EQ(newsRows(" WHERE text = 'kept'"),
              writerThreads * (writesPerThread - failingPerThread));
    EXPECT_EQ(newsRows(" WHERE text = 'undone'"), 0);
}

TEST_P(WriteBatches, ATakenKeyIsAConflictAndTheOtherWritesStand) {
    const int racers = 16;
    std::atomic<int> won{0}, conflicts{0}, others{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < racers; ++t) {
        threads.emplace_back([&, t] {
            SqlStatus own = inWriteTransaction(database, [&](DbConnection* connection) {
                return insertNews(connection, 1000 + t, "own");
            });
            SqlStatus shared = inWriteTransaction(database, [&](DbConnection* connection) {
                return insertNews(connection, 1, "shared");
            });
            if (own != SqlStatus::Ok) ++others;
            if (shared == SqlStatus::Ok) ++won;
            if (shared == SqlStatus::Conflict) ++conflicts;
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(won.load(), 1);
    EXPECT_EQ(conflicts.load(), racers - 1);
    EXPECT_EQ(others.load(), 0);
    EXPECT_EQ(newsRows(" WHERE text = 'own'"), racers);
}

// Each racer stores news 1 unless it is there; the insert goes out with the
// commit. The racers wait (a moment at most) until all have looked, so on
// PostgreSQL all but one find the key taken at their commit.
TEST_P(WriteBatches, ATakenKeySentWithTheCommitRunsTheTransactionAgain) {
    const int racers = 4;  // the pool's connections: all race at once
    std::atomic<int> inserted{0}, found{0}, notOk{0}, looked{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < racers; ++t) {
        threads.emplace_back([&] {
            bool mine = false;
            SqlStatus status = inWriteTransaction(database, [&](DbConnection* connection) {
                SqlRows rows;
                SqlStatus read = sqlExec(connection, "SELECT id FROM news WHERE id = 1", {}, &rows);
                mine = rows.empty();
                ++looked;
                for (int wait = 0; wait < 100 && looked.load() < racers; ++wait) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                }
                if (read != SqlStatus::Ok || !mine) return read;
                return sqlRunBeforeCommit(
                    connection,
                    {SqlStatement{"INSERT INTO news (id, text) VALUES (1, 'first')", {}, nullptr}});
            });
            if (status != SqlStatus::Ok) ++notOk;
            ++(mine ? inserted : found);
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(notOk.load(), 0);
    EXPECT_EQ(inserted.load(), 1);
    EXPECT_EQ(found.load(), racers - 1);
    EXPECT_EQ(newsRows(" WHERE id = 1"), 1);
}

TEST_P(WriteBatches, WritesForTheCommitOfAFailedTransactionAreDropped) {
    for (int i = 1; i <= 3; ++i) {
        SqlStatus status = inWriteTransaction(database, [&](DbConnection* connection) {
            SqlStatus queued = sqlRunBeforeCommit(
                connection,
                {SqlStatement{
                    "INSERT INTO news (id, text) VALUES ($1, 'dropped')", {sqlInt(i)}, nullptr}});
            return queued == SqlStatus::Ok ? SqlStatus::Failed : queued;
        });
        EXPECT_EQ(status, SqlStatus::Failed);
        // A later transaction on any connection must not carry the dropped insert.
        ASSERT_EQ(inWriteTransaction(database,
                                     [&](DbConnection* connection) {
                                         return insertNews(connection, 100 + i, "kept");
                                     }),
                  SqlStatus::Ok);
    }
    EXPECT_EQ(newsRows(" WHERE text = 'dropped'"), 0);
    EXPECT_EQ(newsRows(" WHERE text = 'kept'"), 3);
}

// Statements of one batch see the earlier ones' writes, and each fills its own rows.
TEST_P(WriteBatches, ABatchRunsInOrderAndStopsAtItsFirstFailure) {
    ConnectionLease lease(database);
    SqlRows count, texts;
    ASSERT_EQ(
        sqlRunBatch(lease.connection,
                    {SqlStatement{"INSERT INTO news (id, text) VALUES (7, 'a')", {}, nullptr},
                     SqlStatement{"SELECT COUNT(*) FROM news", {}, &count},
                     SqlStatement{"SELECT text FROM news WHERE id = $1", {sqlInt(7)}, &texts}}),
        SqlStatus::Ok);
    EXPECT_EQ(firstInteger(count, -1), 1);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0][0], "a");
    EXPECT_EQ(
        sqlRunBatch(lease.connection,
                    {SqlStatement{"INSERT INTO news (id, text) VALUES (7, 'b')", {}, nullptr},
                     SqlStatement{"INSERT INTO news (id, text) VALUES (8, 'c')", {}, nullptr}}),
        SqlStatus::Conflict);
    EXPECT_EQ(newsRows(" WHERE id = 8"), 0);
}

// An answered write must survive a power loss: every pooled connection reads
// back the setting that makes a commit wait for the disk, whatever the
// PostgreSQL cluster's own default (the test cluster's is off).
TEST_P(WriteBatches, EveryConnectionCommitsDurably) {
    const bool sqlite = GetParam() == TestBackend::Sqlite;
    const std::vector<std::pair<std::string, std::string>> settings =
        sqlite
            ? std::vector<std::pair<std::string, std::string>>{{"PRAGMA synchronous", "2"},
                                                               {"PRAGMA journal_mode", "wal"}}
            : std::vector<std::pair<std::string, std::string>>{{"SHOW synchronous_commit", "on"}};
    std::vector<DbConnection*> held;
    for (int i = 0; i < 4; ++i) held.push_back(acquireConnection(database));
    for (DbConnection* connection : held) {
        for (const auto& [query, expected] : settings) {
            SqlRows rows;
            ASSERT_EQ(sqlExec(connection, query, {}, &rows), SqlStatus::Ok) << query;
            ASSERT_FALSE(rows.empty() || rows[0].empty()) << query;
            EXPECT_EQ(rows[0][0], expected) << query;
        }
    }
    for (DbConnection* connection : held) releaseConnection(database, connection);
}

// Under load a released connection goes to the request that has waited
// longest, never to one that arrives later: otherwise a few requests wait
// through many others' turns and the slowest answers take seconds.
TEST_P(WriteBatches, AReleasedConnectionGoesToTheLongestWaiter) {
    std::vector<DbConnection*> held;
    for (int i = 0; i < 4; ++i) held.push_back(acquireConnection(database));
    std::atomic<bool> waiterServed{false};
    std::thread waiter([this, &waiterServed] {
        DbConnection* connection = acquireConnection(database);
        waiterServed = true;
        releaseConnection(database, connection);
    });
    while (requestsWaitingForConnection(database) == 0) std::this_thread::yield();
    // Give one back and ask again at once, as a request arriving just then would.
    releaseConnection(database, held.back());
    held.back() = acquireConnection(database);
    EXPECT_TRUE(waiterServed) << "a later request took the connection the waiter was owed";
    for (DbConnection* connection : held) releaseConnection(database, connection);
    waiter.join();
    EXPECT_EQ(requestsWaitingForConnection(database), 0);
}

INSTANTIATE_ON_BOTH_BACKENDS(WriteBatches);

}  // namespace
