// Sessions: opened at login, checked by every request that carries the
// account's digest, ended at logout or when they expire.
#include "server/sessions.h"

#include <sodium.h>

#include "protocol/encodings.h"
#include "server/log.h"

// A recorded login request is refused for this long (the padding of a real one is random).
static const long long loginReplaySeconds = 7 * 24 * 3600;
static const size_t sessionTokenBytes = 16;

std::string randomHex(size_t bytes) {
    if (sodium_init() < 0) logLine("libsodium failed to initialise");
    std::string raw(bytes, '\0');
    randombytes_buf(&raw[0], bytes);
    return hexString(reinterpret_cast<const unsigned char*>(raw.data()), bytes);
}

static std::string newSessionToken() {
    return randomHex(sessionTokenBytes);
}

static long long sessionCutoff(const ServerContext& context) {
    return nowSeconds() - context.sessionIdleSeconds;
}

// Each login also sweeps out the sessions that have expired and the replay
// records that have aged out.
static SqlStatus sweepExpired(DbConnection* connection, const ServerContext& context) {
    SqlStatus status = sqlExec(connection, "DELETE FROM sessions WHERE created < $1",
                               {sqlInt(sessionCutoff(context))});
    if (status != SqlStatus::Ok) return status;
    return sqlExec(connection, "DELETE FROM login_replays WHERE seen < $1",
                   {sqlInt(nowSeconds() - loginReplaySeconds)});
}

// A login holding a block already seen is a recording played back (or two
// recordings spliced): it gets nothing. Every block is remembered.
static SqlStatus recordLoginRequest(DbConnection* connection,
                                    const std::vector<std::string>& replayKeys, bool& replayed) {
    std::vector<SqlRows> fresh(replayKeys.size());
    SqlBatch batch;
    for (size_t i = 0; i < replayKeys.size(); ++i) {
        batch.push_back(
            SqlStatement{"INSERT INTO login_replays (digest, seen) VALUES ($1, $2)"
                         " ON CONFLICT (digest) DO NOTHING RETURNING digest",
                         {sqlText(replayKeys[i]), sqlInt(nowSeconds())},
                         &fresh[i]});
    }
    SqlStatus status = sqlRunBatch(connection, batch);
    replayed = replayKeys.empty();
    for (const SqlRows& rows : fresh) replayed = replayed || rows.empty();
    return status;
}

std::string startSession(ServerContext& context, long long userId,
                         const std::vector<std::string>& replayKeys) {
    std::string token = newSessionToken();
    bool replayed = false;
    SqlStatus status = inWriteTransaction(context.database, [&](DbConnection* connection) {
        SqlStatus step = recordLoginRequest(connection, replayKeys, replayed);
        if (step != SqlStatus::Ok || replayed) return step;
        step = sweepExpired(connection, context);
        if (step != SqlStatus::Ok) return step;
        return sqlExec(connection,
                       "INSERT INTO sessions (token, user_id, created) VALUES ($1, $2, $3)",
                       {sqlText(token), sqlInt(userId), sqlInt(nowSeconds())});
    });
    if (replayed) logBadInput("replayed login request for account " + std::to_string(userId));
    return status == SqlStatus::Ok && !replayed ? token : "";
}

bool hasLiveSession(ServerContext& context, long long userId) {
    ConnectionLease lease(context.database);
    SqlRows rows;
    sqlExec(lease.connection, "SELECT 1 FROM sessions WHERE user_id = $1 AND created >= $2 LIMIT 1",
            {sqlInt(userId), sqlInt(sessionCutoff(context))}, &rows);
    return !rows.empty();
}

bool endSession(ServerContext& context, long long userId, const std::string& token) {
    SqlRows rows;
    const std::string sql =
        "DELETE FROM sessions WHERE token = $1 AND user_id = $2 AND created >= $3 RETURNING token";
    SqlParams params = {sqlText(token), sqlInt(userId), sqlInt(sessionCutoff(context))};
    SqlStatus status = inWriteTransaction(context.database, [&](DbConnection* connection) {
        return sqlExec(connection, sql, params, &rows);
    });
    return status == SqlStatus::Ok && !rows.empty();
}
