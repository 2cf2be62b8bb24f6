// The two implementations behind storage.h; only storage.cpp calls these.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "server/sql_values.h"

struct DbConnection {
    Backend backend;
    void* handle = nullptr;                       // sqlite3* or PGconn*
    std::map<std::string, void*> statementCache;  // prepared statements (or their names) by text
    std::string lastError;                        // the back end's text for the last failure
    std::mutex* writeLock = nullptr;              // SQLite: the pool's one-writer-at-a-time lock
    bool beginPending = false;     // PostgreSQL: BEGIN goes out with the transaction's first batch
    SqlBatch beforeCommit;         // PostgreSQL: writes that go out with the COMMIT
    bool transactionOpen = false;  // PostgreSQL: BEGIN was sent, COMMIT or ROLLBACK not yet
};

bool sqliteConnect(const std::string& path, DbConnection& connection);
void sqliteDisconnect(DbConnection& connection);
SqlStatus sqliteExec(DbConnection& connection, const std::string& sql, const SqlParams& params,
                     SqlRows* rows);
// False once SQLite has no transaction open (never begun, committed or rolled back by itself).
bool sqliteInTransaction(DbConnection& connection);

bool postgresConnect(const std::string& url, DbConnection& connection);
void postgresDisconnect(DbConnection& connection);
SqlStatus postgresRunBatch(DbConnection& connection, const SqlBatch& batch);

// SQLite's group commit: one writer thread on `connection` runs the bodies handed
// to runInBatch together, one transaction (one fsync) per batch.
struct WriteBatcher;
WriteBatcher* startWriteBatcher(DbConnection* connection);
// Finishes the queued bodies, then stops the writer; the connection stays open.
void stopWriteBatcher(WriteBatcher* batcher);
// Runs `body` in the next batch and returns its status once that batch is committed.
SqlStatus runInBatch(WriteBatcher* batcher, const std::function<SqlStatus(DbConnection*)>& body);
// True once after loseNextCommitAnswer: the commit that asks is told its answer was lost.
bool takeLostCommitAnswer();
