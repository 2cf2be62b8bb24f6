// Storage of accounts, sessions, results, achievements, news and patches behind
// one small SQL interface with two back ends: SQLite (one file, the default)
// and PostgreSQL (one database shared by several server processes). Both take
// the same statements with "$1"-style parameters; the schema is migrated on open.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "server/sql_values.h"

SqlValue sqlInt(long long value);
SqlValue sqlReal(double value);
SqlValue sqlText(const std::string& value);
// Bytes for a binary column (BLOB, BYTEA), stored as they are.
SqlValue sqlBlob(const std::string& bytes);

struct DbConnection;  // one back-end connection, used by one thread at a time
struct Database;      // the pool of connections

// A binary column's bytes from the text its row holds (PostgreSQL spells them in hex).
std::string sqlBlobBytes(DbConnection* connection, const std::string& column);

// Opens "sqlite:FILE" or "postgresql://..." with `poolSize` connections and
// brings the schema up to date; nullptr with `error` set on failure.
Database* openDatabase(const std::string& url, int poolSize, std::string& error);
void closeDatabase(Database* database);

// Borrows a connection for the current request, waiting while all are in use.
DbConnection* acquireConnection(Database* database);
void releaseConnection(Database* database, DbConnection* connection);
// Requests waiting for a connection now; the first in line gets the next one released.
int requestsWaitingForConnection(Database* database);

// Holds one borrowed connection for a scope.
struct ConnectionLease {
    Database* database;
    DbConnection* connection;
    explicit ConnectionLease(Database* owner)
        : database(owner), connection(acquireConnection(owner)) {}
    ~ConnectionLease() { releaseConnection(database, connection); }
    ConnectionLease(const ConnectionLease&) = delete;
    ConnectionLease& operator=(const ConnectionLease&) = delete;
};

// Runs one statement; `rows` (may be null) receives its result rows.
SqlStatus sqlExec(DbConnection* connection, const std::string& sql, const SqlParams& params,
                  SqlRows* rows = nullptr);

// Runs the statements in order and returns the first status that is not Ok (the
// statements after it do nothing). PostgreSQL gets the whole batch in one round
// trip (libpq's pipeline mode), so a statement in it cannot use an earlier one's
// result except through SQL; SQLite runs them one by one.
SqlStatus sqlRunBatch(DbConnection* connection, const SqlBatch& batch);

// For the last statements of a transaction: SQLite runs them at once;
// PostgreSQL sends them with the transaction's COMMIT, saving a round trip, and
// fills their `rows` once the COMMIT returns. Their failure fails the COMMIT,
// and a taken key there runs the transaction again (so they suit inserts that
// race a twin).
SqlStatus sqlRunBeforeCommit(DbConnection* connection, const SqlBatch& batch);

// Runs `body` in a write transaction; commits when it returns Ok, rolls back
// otherwise and runs it again (a few times) when it or the commit says Retry.
SqlStatus inTransaction(DbConnection* connection,
                        const std::function<SqlStatus(DbConnection*)>& body);

// Runs `body` as one write transaction and returns once it is durably committed.
// SQLite: a single writer thread runs the bodies waiting from all threads in one
// transaction per commit, each in its own savepoint (group commit); PostgreSQL:
// its own transaction on a pooled connection. Retries as inTransaction does.
SqlStatus inWriteTransaction(Database* database,
                             const std::function<SqlStatus(DbConnection*)>& body);

// For the tests: the next write transaction to commit reports that it needs
// a retry, as when a COMMIT went through but its answer was lost.
void loseNextCommitAnswer();

Backend backendOf(const DbConnection* connection);

// " FOR UPDATE" where the back end locks rows read in a transaction; "" for
// SQLite, whose write transactions already hold the whole database.
const char* rowLockClause(DbConnection* connection);

// The first column of the first row as a number, or `fallback` when absent.
long long firstInteger(const SqlRows& rows, long long fallback);
double firstReal(const SqlRows& rows, double fallback);
