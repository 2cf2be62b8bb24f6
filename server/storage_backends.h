// The two implementations behind storage.h; only storage.cpp calls these.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "server/storage.h"

struct DbConnection {
    Backend backend;
    void* handle = nullptr;                       // sqlite3* or PGconn*
    std::map<std::string, void*> statementCache;  // prepared statements (or their names) by text
    std::string lastError;                        // the back end's text for the last failure
    std::mutex* writeLock = nullptr;              // SQLite: the pool's one-writer-at-a-time lock
    bool beginPending = false;     // PostgreSQL: BEGIN goes out with the transaction's first batch
    std::string savepointPending;  // PostgreSQL: a SAVEPOINT that goes out with the next batch
    SqlBatch beforeCommit;  // PostgreSQL: writes that go out with the COMMIT (or savepoint RELEASE)
    bool transactionOpen = false;  // PostgreSQL: BEGIN was sent, COMMIT or ROLLBACK not yet
};

bool sqliteConnect(const std::string& path, DbConnection& connection);
void sqliteDisconnect(DbConnection& connection);
SqlStatus sqliteExec(DbConnection& connection, const std::string& sql, const SqlParams& params,
                     SqlRows* rows);
// False once SQLite has no transaction open (never begun, committed or rolled back by itself).
bool sqliteInTransaction(DbConnection& connection);
// False once PostgreSQL's transaction is gone (connection lost) or failed past a savepoint.
bool postgresInTransaction(DbConnection& connection);

bool postgresConnect(const std::string& url, DbConnection& connection);
void postgresDisconnect(DbConnection& connection);
SqlStatus postgresRunBatch(DbConnection& connection, const SqlBatch& batch);

// Group commit: one writer thread per connection given runs the bodies handed
// to runInBatch, as many as are waiting, in one transaction (one WAL flush) per
// batch. SQLite takes one writer; PostgreSQL several, whose batches run their
// statements one batch at a time across all servers on the database.
struct WriteBatcher;
WriteBatcher* startWriteBatcher(const std::vector<DbConnection*>& writers);
// Finishes the queued bodies, then stops the writers; the connections stay open.
void stopWriteBatcher(WriteBatcher* batcher);
// Runs `body` in the next batch and returns its status once that batch is committed.
SqlStatus runInBatch(WriteBatcher* batcher, const std::function<SqlStatus(DbConnection*)>& body);
// Bodies queued that no writer has taken yet.
size_t queuedWrites(WriteBatcher* batcher);
