// The two implementations behind storage.h; only storage.cpp calls these.
#pragma once

#include <map>
#include <mutex>
#include <string>

#include "server/storage.h"

struct DbConnection {
    Backend backend;
    void* handle = nullptr;                       // sqlite3* or PGconn*
    std::map<std::string, void*> statementCache;  // SQLite prepared statements by text
    std::string lastError;                        // the back end's text for the last failure
    std::mutex* writeLock = nullptr;              // SQLite: the pool's one-writer-at-a-time lock
};

bool sqliteConnect(const std::string& path, DbConnection& connection);
void sqliteDisconnect(DbConnection& connection);
SqlStatus sqliteExec(DbConnection& connection, const std::string& sql, const SqlParams& params,
                     SqlRows* rows);

bool postgresConnect(const std::string& url, DbConnection& connection);
void postgresDisconnect(DbConnection& connection);
SqlStatus postgresExec(DbConnection& connection, const std::string& sql, const SqlParams& params,
                       SqlRows* rows);
