// The connection pool, the transaction helper and the schema migrations
// shared by both back ends.
#include "server/storage.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

#include "server/log.h"
#include "server/metrics.h"
#include "server/score_function.h"
#include "server/storage_backends.h"

// A request thread waiting for a pooled connection; a released connection is
// handed to the longest waiter, so under load no request waits behind later ones.
struct PoolWaiter {
    std::condition_variable handedOver;
    DbConnection* connection = nullptr;
};

struct Database {
    Backend backend;
    std::string target;  // SQLite file or PostgreSQL URL
    std::mutex mutex;
    std::deque<PoolWaiter*> waiters;  // oldest first
    std::vector<DbConnection*> idle;
    std::vector<DbConnection*> all;
    // SQLite takes one writer at a time; queueing here is fairer than its busy polling.
    std::mutex sqliteWriteLock;
    DbConnection* writer = nullptr;   // SQLite: the group-commit writer's own connection
    WriteBatcher* batcher = nullptr;  // SQLite: the writer thread
};

static const char sqlitePrefix[] = "sqlite:";
static const char postgresPrefix[] = "postgresql://";
static const char postgresShortPrefix[] = "postgres://";
static const int maxTransactionAttempts = 8;
static const int retryPauseMs = 3;
// Any fixed number: serialises migrations of several servers starting at once.
static const char migrationLockSql[] = "SELECT pg_advisory_xact_lock(7270514)";

SqlValue sqlInt(long long value) {
    SqlValue v;
    v.type = SqlValue::Type::Integer;
    v.integer = value;
    return v;
}

SqlValue sqlReal(double value) {
    SqlValue v;
    v.type = SqlValue::Type::Real;
    v.real = value;
    return v;
}

SqlValue sqlText(const std::string& value) {
    SqlValue v;
    v.type = SqlValue::Type::Text;
    v.text = value;
    return v;
}

SqlValue sqlBlob(const std::string& bytes) {
    SqlValue v = sqlText(bytes);
    v.type = SqlValue::Type::Blob;
    return v;
}

static int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// PostgreSQL's text form of BYTEA is "\x" and two hex digits a byte; "" when it is not.
static std::string hexBytes(const std::string& text) {
    std::string bytes;
    if (text.size() % 2 != 0 || text.compare(0, 2, "\\x") != 0) return bytes;
    bytes.reserve(text.size() / 2 - 1);
    for (size_t at = 2; at < text.size(); at += 2) {
        int high = hexDigit(text[at]), low = hexDigit(text[at + 1]);
        if (high < 0 || low < 0) return "";
        bytes.push_back(static_cast<char>(high * 16 + low));
    }
    return bytes;
}

std::string sqlBlobBytes(DbConnection* connection, const std::string& column) {
    return connection->backend == Backend::Postgres ? hexBytes(column) : column;
}

SqlStatus sqlExec(DbConnection* connection, const std::string& sql, const SqlParams& params,
                  SqlRows* rows) {
    SqlStatus status = connection->backend == Backend::Sqlite
                           ? sqliteExec(*connection, sql, params, rows)
                           : postgresRunBatch(*connection, {SqlStatement{sql, params, rows}});
    if (status == SqlStatus::Failed) countDatabaseError();
    return status;
}

static SqlStatus runBatch(DbConnection* connection, const SqlBatch& batch) {
    if (connection->backend == Backend::Postgres) return postgresRunBatch(*connection, batch);
    for (const SqlStatement& statement : batch) {
        SqlStatus status = sqliteExec(*connection, statement.sql, statement.params, statement.rows);
        if (status != SqlStatus::Ok) return status;
    }
    return SqlStatus::Ok;
}

SqlStatus sqlRunBatch(DbConnection* connection, const SqlBatch& batch) {
    SqlStatus status = runBatch(connection, batch);
    if (status == SqlStatus::Failed) countDatabaseError();
    return status;
}

SqlStatus sqlRunBeforeCommit(DbConnection* connection, const SqlBatch& batch) {
    if (connection->backend == Backend::Sqlite) return sqlRunBatch(connection, batch);
    connection->beforeCommit.insert(connection->beforeCommit.end(), batch.begin(), batch.end());
    return SqlStatus::Ok;
}

Backend backendOf(const DbConnection* connection) {
    return connection->backend;
}

const char* rowLockClause(DbConnection* connection) {
    return connection->backend == Backend::Postgres ? " FOR UPDATE" : "";
}

long long firstInteger(const SqlRows& rows, long long fallback) {
    if (rows.empty() || rows[0].empty() || rows[0][0].empty()) return fallback;
    return std::strtoll(rows[0][0].c_str(), nullptr, 10);
}

double firstReal(const SqlRows& rows, double fallback) {
    if (rows.empty() || rows[0].empty() || rows[0][0].empty()) return fallback;
    return std::strtod(rows[0][0].c_str(), nullptr);
}

static std::atomic<bool> lostCommitAnswer{false};

void loseNextCommitAnswer() {
    lostCommitAnswer = true;
}

bool takeLostCommitAnswer() {
    return lostCommitAnswer.exchange(false);
}

static SqlStatus runOnce(DbConnection* connection,
                         const std::function<SqlStatus(DbConnection*)>& body) {
    std::unique_lock<std::mutex> writer;
    if (connection->writeLock != nullptr)
        writer = std::unique_lock<std::mutex>(*connection->writeLock);
    const char* begin = connection->backend == Backend::Sqlite ? "BEGIN IMMEDIATE" : "BEGIN";
    SqlStatus status = sqlExec(connection, begin, {});
    if (status != SqlStatus::Ok) return status;
    status = body(connection);
    if (status == SqlStatus::Ok) {
        status = sqlExec(connection, "COMMIT", {});
        // A COMMIT has no key of its own: a taken one was in the writes sent with it.
        if (status == SqlStatus::Conflict) status = SqlStatus::Retry;
        // The tests' lost answer: committed, yet the transaction runs again.
        if (status == SqlStatus::Ok && takeLostCommitAnswer()) return SqlStatus::Retry;
    }
    if (status != SqlStatus::Ok) sqlExec(connection, "ROLLBACK", {});
    return status;
}

SqlStatus inTransaction(DbConnection* connection,
                        const std::function<SqlStatus(DbConnection*)>& body) {
    for (int attempt = 1; attempt <= maxTransactionAttempts; ++attempt) {
        SqlStatus status = runOnce(connection, body);
        if (status != SqlStatus::Retry) {
            if (status == SqlStatus::Failed) logLine("database: " + connection->lastError);
            return status;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(retryPauseMs * attempt));
    }
    logLine("database: transaction still busy after retries");
    return SqlStatus::Retry;
}

static DbConnection* connect(Backend backend, const std::string& target, std::string& error) {
    auto* connection = new DbConnection();
    connection->backend = backend;
    bool ok = backend == Backend::Sqlite ? sqliteConnect(target, *connection)
                                         : postgresConnect(target, *connection);
    if (ok) return connection;
    error = connection->lastError;
    delete connection;
    return nullptr;
}

static void disconnect(DbConnection* connection) {
    if (connection->backend == Backend::Sqlite) {
        sqliteDisconnect(*connection);
    } else {
        postgresDisconnect(*connection);
    }
    delete connection;
}

DbConnection* acquireConnection(Database* database) {
    std::unique_lock<std::mutex> lock(database->mutex);
    if (!database->idle.empty()) {
        DbConnection* connection = database->idle.back();
        database->idle.pop_back();
        return connection;
    }
    PoolWaiter waiter;
    database->waiters.push_back(&waiter);
    setDatabaseWaiters(static_cast<long long>(database->waiters.size()));
    waiter.handedOver.wait(lock, [&waiter] { return waiter.connection != nullptr; });
    return waiter.connection;
}

void releaseConnection(Database* database, DbConnection* connection) {
    std::lock_guard<std::mutex> lock(database->mutex);
    if (database->waiters.empty()) {
        database->idle.push_back(connection);
        return;
    }
    PoolWaiter* oldest = database->waiters.front();
    database->waiters.pop_front();
    setDatabaseWaiters(static_cast<long long>(database->waiters.size()));
    oldest->connection = connection;
    oldest->handedOver.notify_one();
}

int requestsWaitingForConnection(Database* database) {
    std::lock_guard<std::mutex> lock(database->mutex);
    return static_cast<int>(database->waiters.size());
}

SqlStatus inWriteTransaction(Database* database,
                             const std::function<SqlStatus(DbConnection*)>& body) {
    if (database->batcher != nullptr) return runInBatch(database->batcher, body);
    ConnectionLease lease(database);
    return inTransaction(lease.connection, body);
}

void closeDatabase(Database* database) {
    if (database == nullptr) return;
    stopWriteBatcher(database->batcher);
    if (database->writer != nullptr) disconnect(database->writer);
    for (DbConnection* connection : database->all) disconnect(connection);
    delete database;
}

// Drops the functions an earlier step made (whose parameters may have changed since),
// then creates the score function and its helpers; PostgreSQL only.
static std::vector<std::string> scoreFunctionStep(const std::vector<std::string>& replaced) {
    std::vector<std::string> step;
    for (const std::string& name : replaced)
        step.push_back("postgres:DROP FUNCTION IF EXISTS " + name);
    for (const std::string& sql : scoreFunctionStatements()) step.push_back("postgres:" + sql);
    return step;
}

// The schema, one list of statements per version; "{id}" is the back end's row id column.
static const std::vector<std::vector<std::string>> migrations = {
    {
        "CREATE TABLE users (id {id}, name TEXT NOT NULL, name_key TEXT NOT NULL UNIQUE,"
        " email TEXT NOT NULL, password_hash TEXT NOT NULL, password_blob TEXT NOT NULL,"
        " created BIGINT NOT NULL, play_seconds DOUBLE PRECISION NOT NULL DEFAULT 0)",
        "CREATE TABLE sessions (token TEXT PRIMARY KEY, user_id BIGINT NOT NULL,"
        " created BIGINT NOT NULL)",
        "CREATE TABLE results (id {id}, digest TEXT NOT NULL UNIQUE, user_id BIGINT NOT NULL,"
        " kind INTEGER NOT NULL, mode INTEGER NOT NULL, level INTEGER NOT NULL,"
        " score BIGINT NOT NULL, seconds DOUBLE PRECISION NOT NULL, apm INTEGER NOT NULL,"
        " controls INTEGER NOT NULL, drops INTEGER NOT NULL, rotates INTEGER NOT NULL,"
        " pup1earned INTEGER NOT NULL, pup2earned INTEGER NOT NULL, pup3earned INTEGER NOT NULL,"
        " pup1used INTEGER NOT NULL, pup2used INTEGER NOT NULL, pup3used INTEGER NOT NULL,"
        " kills INTEGER NOT NULL, performance INTEGER NOT NULL, session TEXT NOT NULL,"
        " created BIGINT NOT NULL, reply TEXT NOT NULL DEFAULT '')",
        "CREATE INDEX results_run ON results (user_id, session)",
        "CREATE TABLE bests (user_id BIGINT NOT NULL, mode INTEGER NOT NULL,"
        " level INTEGER NOT NULL, best_score BIGINT NOT NULL, points BIGINT NOT NULL,"
        " PRIMARY KEY (user_id, mode, level))",
        "CREATE TABLE level_stats (mode INTEGER NOT NULL, level INTEGER NOT NULL,"
        " result_count BIGINT NOT NULL, score_sum DOUBLE PRECISION NOT NULL,"
        " score_square_sum DOUBLE PRECISION NOT NULL, PRIMARY KEY (mode, level))",
        "CREATE TABLE skills (user_id BIGINT NOT NULL, category INTEGER NOT NULL,"
        " points BIGINT NOT NULL, PRIMARY KEY (user_id, category))",
        "CREATE INDEX skills_rank ON skills (category, points)",
        "CREATE TABLE achievements (user_id BIGINT NOT NULL, number INTEGER NOT NULL,"
        " granted BIGINT NOT NULL, PRIMARY KEY (user_id, number))",
        "CREATE TABLE news (id INTEGER PRIMARY KEY, text TEXT NOT NULL)",
        "CREATE TABLE patches (id {id}, file_name TEXT NOT NULL, is_exe INTEGER NOT NULL,"
        " min_version TEXT NOT NULL, size BIGINT NOT NULL, md5 TEXT NOT NULL,"
        " published BIGINT NOT NULL)",
    },
    {
        // The password blob opens with the public key in every game copy: it is no longer kept.
        "UPDATE users SET password_blob = ''",
        "CREATE TABLE login_replays (digest TEXT PRIMARY KEY, seen BIGINT NOT NULL)",
        "CREATE INDEX login_replays_seen ON login_replays (seen)",
        "CREATE INDEX sessions_created ON sessions (created)",
        // The level reference becomes a histogram of results in bins 2 % wide.
        "CREATE TABLE score_bins (mode INTEGER NOT NULL, level INTEGER NOT NULL,"
        " bin INTEGER NOT NULL, results BIGINT NOT NULL, PRIMARY KEY (mode, level, bin))",
        "INSERT INTO score_bins (mode, level, bin, results) SELECT mode, level, CASE WHEN"
        " score <= 0 THEN 0 ELSE 1 + CAST(floor(ln(score) / ln(1.02)) AS INTEGER) END AS b,"
        " COUNT(*) FROM results WHERE kind = 1 GROUP BY mode, level, b",
    },
    {
        // Players per 100 skillpoints, kept by the database itself, so a rank or a ranking
        // page at any offset reads a few hundred counts instead of every player above.
        "CREATE TABLE skill_buckets (category INTEGER NOT NULL, bucket BIGINT NOT NULL,"
        " players BIGINT NOT NULL, PRIMARY KEY (category, bucket))",
        "INSERT INTO skill_buckets (category, bucket, players)"
        " SELECT category, points / 100, COUNT(*) FROM skills GROUP BY category, points / 100",
        "CREATE INDEX skills_order ON skills (category, points DESC, user_id)",
        "sqlite:CREATE TRIGGER skills_counted AFTER INSERT ON skills BEGIN"
        " INSERT INTO skill_buckets (category, bucket, players) VALUES (NEW.category,"
        " NEW.points / 100, 1) ON CONFLICT (category, bucket) DO UPDATE SET players = players + 1;"
        " END",
        "sqlite:CREATE TRIGGER skills_moved AFTER UPDATE OF points ON skills"
        " WHEN OLD.points / 100 <> NEW.points / 100 BEGIN"
        " UPDATE skill_buckets SET players = players - 1"
        " WHERE category = OLD.category AND bucket = OLD.points / 100;"
        " INSERT INTO skill_buckets (category, bucket, players) VALUES (NEW.category,"
        " NEW.points / 100, 1) ON CONFLICT (category, bucket) DO UPDATE SET players = players + 1;"
        " END",
        "postgres:CREATE FUNCTION skills_count() RETURNS trigger LANGUAGE plpgsql AS $body$"
        " BEGIN"
        " IF TG_OP = 'UPDATE' THEN"
        "  IF OLD.points / 100 = NEW.points / 100 THEN RETURN NULL; END IF;"
        "  UPDATE skill_buckets SET players = players - 1"
        "   WHERE category = OLD.category AND bucket = OLD.points / 100;"
        " END IF;"
        " INSERT INTO skill_buckets (category, bucket, players)"
        "  VALUES (NEW.category, NEW.points / 100, 1) ON CONFLICT (category, bucket)"
        "  DO UPDATE SET players = skill_buckets.players + 1;"
        " RETURN NULL;"
        " END $body$",
        "postgres:CREATE TRIGGER skills_counted AFTER INSERT OR UPDATE OF points ON skills"
        " FOR EACH ROW EXECUTE FUNCTION skills_count()",
    },
    {
        // Each band's count is split in 8 rows by user id: concurrent submissions of
        // players in one band no longer all queue on one row (on PostgreSQL that row
        // lock was where most submissions waited). Readers add the shards up.
        "sqlite:DROP TRIGGER skills_counted",
        "sqlite:DROP TRIGGER skills_moved",
        "postgres:DROP TRIGGER skills_counted ON skills",
        "postgres:DROP FUNCTION skills_count()",
        "DROP TABLE skill_buckets",
        "CREATE TABLE skill_buckets (category INTEGER NOT NULL, bucket BIGINT NOT NULL,"
        " shard INTEGER NOT NULL, players BIGINT NOT NULL, PRIMARY KEY (category, bucket, shard))",
        "INSERT INTO skill_buckets (category, bucket, shard, players) SELECT category,"
        " points / 100, user_id % 8, COUNT(*) FROM skills GROUP BY category, points / 100,"
        " user_id % 8",
        "sqlite:CREATE TRIGGER skills_counted AFTER INSERT ON skills BEGIN"
        " INSERT INTO skill_buckets (category, bucket, shard, players) VALUES (NEW.category,"
        " NEW.points / 100, NEW.user_id % 8, 1) ON CONFLICT (category, bucket, shard)"
        " DO UPDATE SET players = players + 1;"
        " END",
        "sqlite:CREATE TRIGGER skills_moved AFTER UPDATE OF points ON skills"
        " WHEN OLD.points / 100 <> NEW.points / 100 BEGIN"
        " UPDATE skill_buckets SET players = players - 1 WHERE category = OLD.category"
        " AND bucket = OLD.points / 100 AND shard = OLD.user_id % 8;"
        " INSERT INTO skill_buckets (category, bucket, shard, players) VALUES (NEW.category,"
        " NEW.points / 100, NEW.user_id % 8, 1) ON CONFLICT (category, bucket, shard)"
        " DO UPDATE SET players = players + 1;"
        " END",
        "postgres:CREATE FUNCTION skills_count() RETURNS trigger LANGUAGE plpgsql AS $body$"
        " BEGIN"
        " IF TG_OP = 'UPDATE' THEN"
        "  IF OLD.points / 100 = NEW.points / 100 THEN RETURN NULL; END IF;"
        "  UPDATE skill_buckets SET players = players - 1 WHERE category = OLD.category"
        "   AND bucket = OLD.points / 100 AND shard = OLD.user_id % 8;"
        " END IF;"
        " INSERT INTO skill_buckets (category, bucket, shard, players)"
        "  VALUES (NEW.category, NEW.points / 100, NEW.user_id % 8, 1)"
        "  ON CONFLICT (category, bucket, shard)"
        "  DO UPDATE SET players = skill_buckets.players + 1;"
        " RETURN NULL;"
        " END $body$",
        "postgres:CREATE TRIGGER skills_counted AFTER INSERT OR UPDATE OF points ON skills"
        " FOR EACH ROW EXECUTE FUNCTION skills_count()",
    },
    {
        // The level's row was only a lock that queued every submission of one level
        // behind the one before; the score bins hold the level's results.
        "DROP TABLE IF EXISTS level_stats",
    },
    {
        // What each score earned, so that its replay, once verified, earns the same.
        "ALTER TABLE results ADD COLUMN points BIGINT NOT NULL DEFAULT 0",
        // Uploaded replays (the compressed file in Base64) and their verdicts; the
        // points of verified results, kept apart for the verified-only ranking.
        "CREATE TABLE replays (id {id}, sha256 TEXT NOT NULL UNIQUE, user_id BIGINT NOT NULL,"
        " mode INTEGER NOT NULL, level INTEGER NOT NULL, score BIGINT NOT NULL,"
        " session TEXT NOT NULL, points BIGINT NOT NULL, body TEXT NOT NULL,"
        " state TEXT NOT NULL,"
        " claimed BIGINT NOT NULL DEFAULT 0, replayed_score BIGINT NOT NULL DEFAULT 0,"
        " frames BIGINT NOT NULL DEFAULT 0, duration_ms BIGINT NOT NULL DEFAULT 0,"
        " reason TEXT NOT NULL DEFAULT '', created BIGINT NOT NULL,"
        " checked BIGINT NOT NULL DEFAULT 0)",
        "CREATE INDEX replays_state ON replays (state, id)",
        "CREATE INDEX replays_user ON replays (user_id, id)",
        "CREATE TABLE verified_bests (user_id BIGINT NOT NULL, mode INTEGER NOT NULL,"
        " level INTEGER NOT NULL, points BIGINT NOT NULL, PRIMARY KEY (user_id, mode, level))",
        "CREATE TABLE verified_skills (user_id BIGINT NOT NULL, category INTEGER NOT NULL,"
        " points BIGINT NOT NULL, PRIMARY KEY (user_id, category))",
        "CREATE INDEX verified_skills_order ON verified_skills (category, points DESC, user_id)",
    },
    // (PostgreSQL's first score function, whose rules ran whole in the database.)
    {},
    {
        // skills_order serves every read by category and points; this one only
        // made each change of a player's points write one index more.
        "DROP INDEX IF EXISTS skills_rank",
    },
    // (PostgreSQL's score function before the striped histogram.)
    {},
    {
        // A result counts once its replay verified (unless the server counts every
        // result as it arrives): results stored before this counted at once.
        "ALTER TABLE results ADD COLUMN counted INTEGER NOT NULL DEFAULT 1",
        "ALTER TABLE replays ADD COLUMN result_id BIGINT NOT NULL DEFAULT 0",
        // Each registration's own random mark: a retry after a COMMIT that went
        // through finds its account by it.
        "ALTER TABLE users ADD COLUMN registration TEXT NOT NULL DEFAULT ''",
    },
    {
        // Seeds handed out for ranked levels; `used` is when a result's replay
        // took it (0 while unused). Used seeds stay, so none is issued twice.
        "CREATE TABLE seeds (id {id}, seed BIGINT NOT NULL UNIQUE, user_id BIGINT NOT NULL,"
        " issued BIGINT NOT NULL, used BIGINT NOT NULL DEFAULT 0)",
        "CREATE INDEX seeds_unused ON seeds (user_id, used, id)",
    },
    {
        // Every request that carries a password digest looks for the account's live session.
        "CREATE INDEX IF NOT EXISTS sessions_user ON sessions (user_id)",
    },
    {
        // Replays are kept as the file's bytes (already a compressed stream) in a
        // binary column, no longer as Base64 text a third larger. SQLite cannot change
        // a column's type: a new column takes the bytes and the old one's name.
        "sqlite:ALTER TABLE replays ADD COLUMN body_bytes BLOB NOT NULL DEFAULT x''",
        "sqlite:UPDATE replays SET body_bytes = zentrix_unbase64(body)",
        "sqlite:ALTER TABLE replays DROP COLUMN body",
        "sqlite:ALTER TABLE replays RENAME COLUMN body_bytes TO body",
        // Text that is not Base64 keeps its own bytes, as on SQLite: one damaged row
        // must not stop the upgrade (decode would fail the whole statement).
        "postgres:ALTER TABLE replays ALTER COLUMN body TYPE BYTEA USING CASE WHEN body ~"
        " '^[A-Za-z0-9+/\\s]*(=\\s*){0,2}$' AND length(regexp_replace(body, '\\s', '', 'g'))"
        " % 4 = 0 THEN decode(body, 'base64') ELSE convert_to(body, 'UTF8') END",
        // Whose replay is checked next: each account with replays waiting takes its
        // turn, the one served longest ago first (`turn` grows with every claim).
        "CREATE TABLE replay_turns (user_id BIGINT PRIMARY KEY, turn BIGINT NOT NULL)",
        "CREATE INDEX replays_waiting ON replays (user_id, state)",
    },
    {
        // Each bin's count is split in 16 stripes by user id, so that concurrent
        // submissions of one level rarely wait for one row (on PostgreSQL most of
        // a submission's time went there). The counts so far go to stripe 0.
        "CREATE TABLE score_bin_stripes (mode INTEGER NOT NULL, level INTEGER NOT NULL,"
        " bin INTEGER NOT NULL, stripe INTEGER NOT NULL, results BIGINT NOT NULL,"
        " PRIMARY KEY (mode, level, bin, stripe))",
        "INSERT INTO score_bin_stripes (mode, level, bin, stripe, results)"
        " SELECT mode, level, bin, 0, SUM(results) FROM score_bins GROUP BY mode, level, bin",
        "DROP TABLE score_bins",
        "ALTER TABLE score_bin_stripes RENAME TO score_bins",
    },
    // PostgreSQL runs the writing part of a score submission as one function call.
    // The score function is created by this step only: a change of its rules
    // empties it and adds a step that drops what it made and creates them anew.
    scoreFunctionStep({"zentrix_submit_score", "zentrix_score_grants", "zentrix_reference",
                       "zentrix_players_above", "zentrix_result_points", "zentrix_bin_value",
                       "zentrix_llround", "zentrix_fresh_grants"}),
};

// A statement for one back end only starts with "sqlite:" or "postgres:"; "" for the other.
static std::string forBackend(std::string sql, Backend backend) {
    for (Backend only : {Backend::Sqlite, Backend::Postgres}) {
        std::string prefix = only == Backend::Sqlite ? "sqlite:" : "postgres:";
        if (sql.compare(0, prefix.size(), prefix) != 0) continue;
        sql = only == backend ? sql.substr(prefix.size()) : "";
    }
    const std::string marker = "{id}";
    size_t at = sql.find(marker);
    if (at != std::string::npos) {
        sql.replace(at, marker.size(),
                    backend == Backend::Sqlite ? "INTEGER PRIMARY KEY" : "BIGSERIAL PRIMARY KEY");
    }
    return sql;
}

static SqlStatus migrateInside(DbConnection* connection) {
    if (connection->backend == Backend::Postgres) {
        SqlStatus locked = sqlExec(connection, migrationLockSql, {});
        if (locked != SqlStatus::Ok) return locked;
    }
    SqlStatus status = sqlExec(
        connection, "CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)", {});
    SqlRows rows;
    if (status == SqlStatus::Ok)
        status = sqlExec(connection, "SELECT version FROM schema_version", {}, &rows);
    if (status != SqlStatus::Ok) return status;
    long long version = firstInteger(rows, 0);
    if (rows.empty()) status = sqlExec(connection, "INSERT INTO schema_version VALUES (0)", {});
    for (size_t step = version; step < migrations.size() && status == SqlStatus::Ok; ++step) {
        for (const std::string& sql : migrations[step]) {
            std::string statement = forBackend(sql, connection->backend);
            if (statement.empty()) continue;
            status = sqlExec(connection, statement, {});
            if (status != SqlStatus::Ok) return status;
        }
        status = sqlExec(connection, "UPDATE schema_version SET version = $1",
                         {sqlInt(static_cast<long long>(step + 1))});
    }
    return status;
}

static bool startsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

static bool parseUrl(const std::string& url, Database& database, std::string& error) {
    if (startsWith(url, sqlitePrefix)) {
        database.backend = Backend::Sqlite;
        database.target = url.substr(std::char_traits<char>::length(sqlitePrefix));
        if (!database.target.empty()) return true;
    } else if (startsWith(url, postgresPrefix) || startsWith(url, postgresShortPrefix)) {
        database.backend = Backend::Postgres;
        database.target = url;
        return true;
    }
    error = "database must be sqlite:FILE or postgresql://...";
    return false;
}

// SQLite's writes all go through one connection and thread, batched per commit.
static bool startWriter(Database& database, std::string& error) {
    database.writer = connect(database.backend, database.target, error);
    if (database.writer == nullptr) return false;
    database.writer->writeLock = &database.sqliteWriteLock;
    database.batcher = startWriteBatcher(database.writer);
    return true;
}

Database* openDatabase(const std::string& url, int poolSize, std::string& error) {
    auto* database = new Database();
    if (!parseUrl(url, *database, error)) {
        delete database;
        return nullptr;
    }
    for (int i = 0; i < std::max(poolSize, 1); ++i) {
        DbConnection* connection = connect(database->backend, database->target, error);
        if (connection == nullptr) {
            closeDatabase(database);
            return nullptr;
        }
        if (database->backend == Backend::Sqlite)
            connection->writeLock = &database->sqliteWriteLock;
        database->all.push_back(connection);
        database->idle.push_back(connection);
    }
    if (inTransaction(database->all[0], migrateInside) != SqlStatus::Ok) {
        error = "schema migration failed: " + database->all[0]->lastError;
        closeDatabase(database);
        return nullptr;
    }
    if (database->backend == Backend::Sqlite && !startWriter(*database, error)) {
        closeDatabase(database);
        return nullptr;
    }
    return database;
}
