// The values, rows and statements that pass between the storage pool and
// its two back ends.
#pragma once

#include <string>
#include <vector>

enum class Backend { Sqlite, Postgres };

struct SqlValue {
    enum class Type { Null, Integer, Real, Text, Blob } type = Type::Null;
    long long integer = 0;
    double real = 0;
    std::string text;  // the bytes of Text and Blob values
};

using SqlParams = std::vector<SqlValue>;
using SqlRow = std::vector<std::string>;  // every column as text; NULL reads as ""
using SqlRows = std::vector<SqlRow>;

enum class SqlStatus {
    Ok,
    Conflict,  // a unique key is taken
    Retry,     // the database asks to run the transaction again (busy, serialization)
    Failed,
};

// One statement of a batch; `rows` (may be null) receives its result rows.
struct SqlStatement {
    std::string sql;
    SqlParams params;
    SqlRows* rows = nullptr;
};
using SqlBatch = std::vector<SqlStatement>;
