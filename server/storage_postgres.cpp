// PostgreSQL back end through libpq: text parameters, text results.
#include <libpq-fe.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "server/storage_backends.h"

static PGconn* asConn(DbConnection& connection) {
    return static_cast<PGconn*>(connection.handle);
}

// Notices (such as "relation already exists, skipping") are not errors; keep them off stderr.
static void ignoreNotice(void*, const char*) {}

bool postgresConnect(const std::string& url, DbConnection& connection) {
    PGconn* conn = PQconnectdb(url.c_str());
    if (conn == nullptr || PQstatus(conn) != CONNECTION_OK) {
        connection.lastError = conn ? PQerrorMessage(conn) : "out of memory";
        PQfinish(conn);
        return false;
    }
    PQsetNoticeProcessor(conn, ignoreNotice, nullptr);
    // A commit returns only once its WAL is flushed, even where the cluster
    // commits asynchronously by default: an answered score is on disk.
    PGresult* durable = PQexec(conn, "SET synchronous_commit TO on");
    bool set = PQresultStatus(durable) == PGRES_COMMAND_OK;
    PQclear(durable);
    if (!set) {
        connection.lastError = PQerrorMessage(conn);
        PQfinish(conn);
        return false;
    }
    connection.handle = conn;
    return true;
}

static void forgetPrepared(DbConnection& connection);

void postgresDisconnect(DbConnection& connection) {
    forgetPrepared(connection);
    PQfinish(asConn(connection));
    connection.handle = nullptr;
}

// BYTEA's hex input form: "\\x" and two digits a byte.
static std::string byteaText(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text = "\\x";
    text.reserve(2 + bytes.size() * 2);
    for (unsigned char byte : bytes) {
        text.push_back(digits[byte >> 4]);
        text.push_back(digits[byte & 15]);
    }
    return text;
}

static std::string valueText(const SqlValue& value) {
    if (value.type == SqlValue::Type::Integer) return std::to_string(value.integer);
    if (value.type == SqlValue::Type::Real) {
        char text[40];
        std::snprintf(text, sizeof text, "%.17g", value.real);
        return text;
    }
    if (value.type == SqlValue::Type::Blob) return byteaText(value.text);
    return value.text;
}

static SqlStatus statusOf(const PGresult* result) {
    const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    if (state == nullptr) return SqlStatus::Failed;
    if (std::strcmp(state, "23505") == 0) return SqlStatus::Conflict;
    // Serialization failure and deadlock: the transaction may simply run again.
    if (std::strcmp(state, "40001") == 0 || std::strcmp(state, "40P01") == 0) {
        return SqlStatus::Retry;
    }
    return SqlStatus::Failed;
}

static void readRows(const PGresult* result, SqlRows& rows) {
    int count = PQntuples(result);
    int columns = PQnfields(result);
    for (int row = 0; row < count; ++row) {
        SqlRow values;
        for (int column = 0; column < columns; ++column) {
            values.emplace_back(PQgetvalue(result, row, column), PQgetlength(result, row, column));
        }
        rows.push_back(std::move(values));
    }
}

static bool isPreparable(const std::string& sql) {
    for (const char* verb : {"SELECT", "INSERT", "UPDATE", "DELETE"}) {
        if (sql.compare(0, std::strlen(verb), verb) == 0) return true;
    }
    return false;
}

// Statements are parsed and planned once per connection, not on every run; the
// name is its number in the cache. nullptr for statements run as plain text.
static const char* preparedName(DbConnection& connection, const std::string& sql, int paramCount) {
    if (!isPreparable(sql)) return nullptr;
    auto found = connection.statementCache.find(sql);
    if (found != connection.statementCache.end()) return static_cast<const char*>(found->second);
    std::string name = "z" + std::to_string(connection.statementCache.size());
    PGresult* result =
        PQprepare(asConn(connection), name.c_str(), sql.c_str(), paramCount, nullptr);
    bool ok = PQresultStatus(result) == PGRES_COMMAND_OK;
    PQclear(result);
    if (!ok) return nullptr;  // e.g. inside a failed transaction: run it as text, which reports why
    char* stored = new char[name.size() + 1];
    std::memcpy(stored, name.c_str(), name.size() + 1);
    connection.statementCache[sql] = stored;
    return stored;
}

static void forgetPrepared(DbConnection& connection) {
    for (auto& cached : connection.statementCache) delete[] static_cast<char*>(cached.second);
    connection.statementCache.clear();
}

// A connection the database dropped (a restart, a network cut) is opened again
// before its next statement; its prepared statements went with it.
static bool reconnectIfBroken(DbConnection& connection) {
    if (PQstatus(asConn(connection)) == CONNECTION_OK) return true;
    forgetPrepared(connection);
    PQreset(asConn(connection));
    if (PQstatus(asConn(connection)) != CONNECTION_OK) {
        connection.lastError = PQerrorMessage(asConn(connection));
        return false;
    }
    PQsetNoticeProcessor(asConn(connection), ignoreNotice, nullptr);
    return true;
}

// BEGIN waits to go out with its transaction's first batch, so it costs no round
// trip of its own; a transaction that ends before sending anything sends nothing.
// The writes queued for the COMMIT go out in front of it, or are dropped by a ROLLBACK.
static bool deferTransactionEdge(DbConnection& connection, const SqlBatch& batch) {
    if (batch.size() != 1) return false;
    const std::string& sql = batch[0].sql;
    if (sql == "BEGIN") {
        connection.beginPending = true;
        connection.beforeCommit.clear();
        return true;
    }
    bool ends = sql == "COMMIT" || sql == "ROLLBACK";
    if (ends && (sql == "ROLLBACK" || connection.beforeCommit.empty())) {
        connection.beforeCommit.clear();
    }
    if (ends && connection.beginPending && connection.beforeCommit.empty()) {
        connection.beginPending = false;
        return true;
    }
    return false;
}

static bool sendStatement(PGconn* conn, const char* name, const SqlStatement& statement) {
    std::vector<std::string> texts;
    std::vector<const char*> pointers;
    texts.reserve(statement.params.size());
    for (const SqlValue& value : statement.params) texts.push_back(valueText(value));
    for (size_t i = 0; i < texts.size(); ++i) {
        bool isNull = statement.params[i].type == SqlValue::Type::Null;
        pointers.push_back(isNull ? nullptr : texts[i].c_str());
    }
    int count = static_cast<int>(texts.size());
    if (name != nullptr) {
        return PQsendQueryPrepared(conn, name, count, pointers.data(), nullptr, nullptr, 0) == 1;
    }
    return PQsendQueryParams(conn, statement.sql.c_str(), count, nullptr, pointers.data(), nullptr,
                             nullptr, 0) == 1;
}

// Reads one sent statement's result, up to the end marker that follows it.
static SqlStatus readResult(DbConnection& connection, SqlRows* rows) {
    PGconn* conn = asConn(connection);
    if (rows != nullptr) rows->clear();
    PGresult* result = PQgetResult(conn);
    SqlStatus status = SqlStatus::Failed;
    ExecStatusType code = result != nullptr ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (code == PGRES_TUPLES_OK || code == PGRES_COMMAND_OK) {
        status = SqlStatus::Ok;
        if (rows != nullptr && code == PGRES_TUPLES_OK) readRows(result, *rows);
    } else if (code != PGRES_PIPELINE_ABORTED) {
        // An aborted statement follows a failed one, whose status is the batch's.
        status = result != nullptr ? statusOf(result) : SqlStatus::Failed;
        connection.lastError = PQerrorMessage(conn);
    }
    if (result != nullptr) PQclear(result);
    while (result != nullptr && (result = PQgetResult(conn)) != nullptr) PQclear(result);
    // Lost mid-transaction: the whole transaction runs again on a new connection.
    if (PQstatus(conn) != CONNECTION_OK) status = SqlStatus::Retry;
    return status;
}

// Reads what is left up to the batch's sync point, so the connection can leave
// pipeline mode. Two end markers in a row mean nothing more is on its way.
static void drainPipeline(PGconn* conn) {
    int nulls = 0;
    while (nulls < 2 && PQstatus(conn) == CONNECTION_OK) {
        PGresult* result = PQgetResult(conn);
        if (result == nullptr) {
            ++nulls;
            continue;
        }
        nulls = 0;
        bool synced = PQresultStatus(result) == PGRES_PIPELINE_SYNC;
        PQclear(result);
        if (synced) return;
    }
}

// Sends the batch (after a pending BEGIN) and one sync, then reads every result.
static SqlStatus pipeline(DbConnection& connection, const SqlBatch& batch,
                          const std::vector<const char*>& names, bool begin) {
    PGconn* conn = asConn(connection);
    bool sent =
        !begin || PQsendQueryParams(conn, "BEGIN", 0, nullptr, nullptr, nullptr, nullptr, 0) == 1;
    for (size_t i = 0; i < batch.size() && sent; ++i)
        sent = sendStatement(conn, names[i], batch[i]);
    sent = sent && PQpipelineSync(conn) == 1;
    SqlStatus status = SqlStatus::Ok;
    if (!sent) {
        connection.lastError = PQerrorMessage(conn);
        status = PQstatus(conn) != CONNECTION_OK ? SqlStatus::Retry : SqlStatus::Failed;
        PQpipelineSync(conn);
    } else {
        if (begin) status = readResult(connection, nullptr);
        for (const SqlStatement& statement : batch) {
            SqlStatus one = readResult(connection, statement.rows);
            if (status == SqlStatus::Ok) status = one;
        }
    }
    drainPipeline(conn);
    return status;
}

SqlStatus postgresRunBatch(DbConnection& connection, const SqlBatch& given) {
    if (given.empty() || deferTransactionEdge(connection, given)) return SqlStatus::Ok;
    SqlBatch batch = given;
    if (given.size() == 1 && given[0].sql == "COMMIT" && !connection.beforeCommit.empty()) {
        batch = std::move(connection.beforeCommit);
        connection.beforeCommit.clear();
        batch.push_back(given[0]);
    }
    bool begin = connection.beginPending;
    connection.beginPending = false;
    bool ends = batch.back().sql == "COMMIT" || batch.back().sql == "ROLLBACK";
    if (connection.transactionOpen && PQstatus(asConn(connection)) != CONNECTION_OK) {
        // The transaction died with the connection: it runs again from its BEGIN,
        // never half of it on a new connection.
        connection.transactionOpen = false;
        connection.lastError = "connection lost inside a transaction";
        return batch.back().sql == "ROLLBACK" ? SqlStatus::Ok : SqlStatus::Retry;
    }
    if (!reconnectIfBroken(connection)) return SqlStatus::Failed;
    connection.transactionOpen = (connection.transactionOpen || begin) && !ends;
    // Preparing waits for the server's answer, which pipeline mode does not allow.
    std::vector<const char*> names;
    for (const SqlStatement& statement : batch) {
        names.push_back(
            preparedName(connection, statement.sql, static_cast<int>(statement.params.size())));
    }
    if (PQenterPipelineMode(asConn(connection)) != 1) {
        connection.lastError = PQerrorMessage(asConn(connection));
        return SqlStatus::Failed;
    }
    SqlStatus status = pipeline(connection, batch, names, begin);
    PQexitPipelineMode(asConn(connection));
    return status;
}
