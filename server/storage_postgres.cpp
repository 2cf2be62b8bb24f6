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
    connection.handle = conn;
    return true;
}

static void forgetPrepared(DbConnection& connection);

void postgresDisconnect(DbConnection& connection) {
    forgetPrepared(connection);
    PQfinish(asConn(connection));
    connection.handle = nullptr;
}

static std::string valueText(const SqlValue& value) {
    if (value.type == SqlValue::Type::Integer) return std::to_string(value.integer);
    if (value.type == SqlValue::Type::Real) {
        char text[40];
        std::snprintf(text, sizeof text, "%.17g", value.real);
        return text;
    }
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

SqlStatus postgresExec(DbConnection& connection, const std::string& sql, const SqlParams& params,
                       SqlRows* rows) {
    if (!reconnectIfBroken(connection)) return SqlStatus::Failed;
    std::vector<std::string> texts;
    std::vector<const char*> pointers;
    texts.reserve(params.size());
    for (const SqlValue& value : params) texts.push_back(valueText(value));
    for (size_t i = 0; i < params.size(); ++i) {
        bool isNull = params[i].type == SqlValue::Type::Null;
        pointers.push_back(isNull ? nullptr : texts[i].c_str());
    }
    const char* name = preparedName(connection, sql, static_cast<int>(params.size()));
    PGresult* result =
        name != nullptr
            ? PQexecPrepared(asConn(connection), name, static_cast<int>(params.size()),
                             pointers.data(), nullptr, nullptr, 0)
            : PQexecParams(asConn(connection), sql.c_str(), static_cast<int>(params.size()),
                           nullptr, pointers.data(), nullptr, nullptr, 0);
    if (rows != nullptr) rows->clear();
    ExecStatusType code = PQresultStatus(result);
    SqlStatus status = SqlStatus::Ok;
    if (code == PGRES_TUPLES_OK) {
        if (rows != nullptr) readRows(result, *rows);
    } else if (code != PGRES_COMMAND_OK) {
        status = result ? statusOf(result) : SqlStatus::Failed;
        connection.lastError = PQerrorMessage(asConn(connection));
        // Lost mid-transaction: the whole transaction runs again on a new connection.
        if (PQstatus(asConn(connection)) != CONNECTION_OK) status = SqlStatus::Retry;
    }
    PQclear(result);
    return status;
}
