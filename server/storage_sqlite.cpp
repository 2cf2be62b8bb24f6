// SQLite back end: WAL journal with full synchronous commits, so an answered
// write survives a crash; writers take the database with BEGIN IMMEDIATE.
#include <sqlite3.h>

#include <string>

#include "protocol/encodings.h"
#include "server/storage_backends.h"

static const int busyTimeoutMs = 10000;

static sqlite3* asDb(DbConnection& connection) {
    return static_cast<sqlite3*>(connection.handle);
}

// zentrix_unbase64(TEXT): the bytes Base64 text spells, as a BLOB, for the step that
// turned stored replays from Base64 text into bytes. Text that does not decode is
// kept as its own bytes (the checker then rejects it as damaged): nothing is lost.
static void unbase64(sqlite3_context* context, int, sqlite3_value** arguments) {
    const unsigned char* text = sqlite3_value_text(arguments[0]);
    std::string original(text ? reinterpret_cast<const char*>(text) : "",
                         static_cast<size_t>(sqlite3_value_bytes(arguments[0])));
    std::string bytes = base64Decode(original);
    if (bytes.empty()) bytes = original;
    sqlite3_result_blob(context, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
}

bool sqliteConnect(const std::string& path, DbConnection& connection) {
    sqlite3* db = nullptr;
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        connection.lastError = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close(db);
        return false;
    }
    connection.handle = db;
    sqlite3_busy_timeout(db, busyTimeoutMs);
    sqlite3_create_function(db, "zentrix_unbase64", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                            unbase64, nullptr, nullptr);
    // secure_delete: overwritten and deleted rows (old password material) leave no trace in the
    // file.
    const char* pragmas =
        "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA secure_delete=ON;";
    char* message = nullptr;
    if (sqlite3_exec(db, pragmas, nullptr, nullptr, &message) != SQLITE_OK) {
        connection.lastError = message ? message : "cannot set the journal mode";
        sqlite3_free(message);
        sqliteDisconnect(connection);
        return false;
    }
    return true;
}

void sqliteDisconnect(DbConnection& connection) {
    for (auto& cached : connection.statementCache) {
        sqlite3_finalize(static_cast<sqlite3_stmt*>(cached.second));
    }
    connection.statementCache.clear();
    sqlite3_close(asDb(connection));
    connection.handle = nullptr;
}

static sqlite3_stmt* preparedStatement(DbConnection& connection, const std::string& sql) {
    auto found = connection.statementCache.find(sql);
    if (found != connection.statementCache.end()) {
        return static_cast<sqlite3_stmt*>(found->second);
    }
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(asDb(connection), sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        connection.lastError = sqlite3_errmsg(asDb(connection));
        return nullptr;
    }
    connection.statementCache[sql] = statement;
    return statement;
}

// Parameters are written "$1", "$2" ... so both back ends read the same text.
static bool bindParameters(sqlite3_stmt* statement, const SqlParams& params) {
    for (size_t i = 0; i < params.size(); ++i) {
        std::string name = "$" + std::to_string(i + 1);
        int index = sqlite3_bind_parameter_index(statement, name.c_str());
        if (index == 0) continue;
        const SqlValue& value = params[i];
        int result = SQLITE_OK;
        switch (value.type) {
            case SqlValue::Type::Null:
                result = sqlite3_bind_null(statement, index);
                break;
            case SqlValue::Type::Integer:
                result = sqlite3_bind_int64(statement, index, value.integer);
                break;
            case SqlValue::Type::Real:
                result = sqlite3_bind_double(statement, index, value.real);
                break;
            case SqlValue::Type::Text:
                result = sqlite3_bind_text(statement, index, value.text.data(),
                                           static_cast<int>(value.text.size()), SQLITE_TRANSIENT);
                break;
            case SqlValue::Type::Blob:
                result = sqlite3_bind_blob(statement, index, value.text.data(),
                                           static_cast<int>(value.text.size()), SQLITE_TRANSIENT);
                break;
        }
        if (result != SQLITE_OK) return false;
    }
    return true;
}

static SqlRow readRow(sqlite3_stmt* statement) {
    SqlRow row;
    int columns = sqlite3_column_count(statement);
    for (int column = 0; column < columns; ++column) {
        const unsigned char* text = sqlite3_column_text(statement, column);
        int length = sqlite3_column_bytes(statement, column);
        row.emplace_back(text ? std::string(reinterpret_cast<const char*>(text), length) : "");
    }
    return row;
}

static SqlStatus statusOf(int code) {
    switch (code & 0xff) {
        case SQLITE_CONSTRAINT:
            return SqlStatus::Conflict;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return SqlStatus::Retry;
        default:
            return SqlStatus::Failed;
    }
}

SqlStatus sqliteExec(DbConnection& connection, const std::string& sql, const SqlParams& params,
                     SqlRows* rows) {
    sqlite3_stmt* statement = preparedStatement(connection, sql);
    if (statement == nullptr) return SqlStatus::Failed;
    if (rows != nullptr) rows->clear();
    SqlStatus status = SqlStatus::Ok;
    if (!bindParameters(statement, params)) {
        status = SqlStatus::Failed;
    } else {
        int code;
        while ((code = sqlite3_step(statement)) == SQLITE_ROW) {
            if (rows != nullptr) rows->push_back(readRow(statement));
        }
        if (code != SQLITE_DONE) {
            status = statusOf(code);
            connection.lastError = sqlite3_errmsg(asDb(connection));
        }
    }
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    return status;
}

bool sqliteInTransaction(DbConnection& connection) {
    return sqlite3_get_autocommit(asDb(connection)) == 0;
}
