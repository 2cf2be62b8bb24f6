// Issued seeds: the seeds.php reply and the check of a replay's seed.
#include "server/seeds.h"

#include <sodium.h>

#include <cstdlib>
#include <vector>

#include "protocol/replay.h"
#include "server/accounts.h"
#include "server/credentials.h"
#include "server/log.h"

const int seedsPerReply = static_cast<int>(issuedSeedsPerReply);
const int seedStockLimit = 8;

// Draws past seedsPerReply before a reply settles for fewer seeds: a draw that
// another account holds already is drawn again.
static const int spareDraws = 4;

static long long userIdOf(const ParsedRequest& request) {
    return std::strtoll(fieldValue(request, "userid").c_str(), nullptr, 10);
}

// Seeds are unique across accounts, so a taken draw is skipped.
static SqlStatus issueOne(DbConnection* connection, long long userId,
                          std::vector<long long>& issued) {
    long long seed = randombytes_random();
    SqlRows stored;
    SqlStatus status = sqlExec(connection,
                               "INSERT INTO seeds (seed, user_id, issued) VALUES ($1, $2, $3)"
                               " ON CONFLICT (seed) DO NOTHING RETURNING seed",
                               {sqlInt(seed), sqlInt(userId), sqlInt(nowSeconds())}, &stored);
    if (status == SqlStatus::Ok && !stored.empty()) issued.push_back(seed);
    return status;
}

// The account keeps its newest unused seeds up to the limit; used ones stay,
// so no seed is ever issued again once a result has used it.
static SqlStatus retireOldest(DbConnection* connection, long long userId) {
    return sqlExec(connection,
                   "DELETE FROM seeds WHERE user_id = $1 AND used = 0 AND id NOT IN (SELECT id"
                   " FROM seeds WHERE user_id = $1 AND used = 0 ORDER BY id DESC LIMIT $2)",
                   {sqlInt(userId), sqlInt(seedStockLimit)});
}

static SqlStatus issueSeeds(DbConnection* connection, long long userId,
                            std::vector<long long>& issued) {
    issued.clear();
    for (int draw = 0;
         draw < seedsPerReply + spareDraws && issued.size() < static_cast<size_t>(seedsPerReply);
         ++draw) {
        SqlStatus status = issueOne(connection, userId, issued);
        if (status != SqlStatus::Ok) return status;
    }
    return retireOldest(connection, userId);
}

static std::string describeRequest(long long userId, const std::string& address) {
    return "seeds request from " + address + " (user " + std::to_string(userId) + ")";
}

std::string replySeeds(ServerContext& context, const ParsedRequest& request,
                       const std::string& address) {
    long long userId = userIdOf(request);
    // Before the player's first game the client has no session hash yet.
    const std::string& session = fieldValue(request, "sessionhash");
    if (!session.empty() && !isTokenText(session)) {
        logBadInput(describeRequest(userId, address) + " refused: the session hash is malformed");
        return "fail";
    }
    if (!checkPasswordHash(context, userId, fieldValue(request, "passwordHash"), address)) {
        logBadInput(describeRequest(userId, address) + " refused: the account does not check out");
        return "fail";
    }
    std::vector<long long> issued;
    SqlStatus status = inWriteTransaction(context.database, [&](DbConnection* connection) {
        return issueSeeds(connection, userId, issued);
    });
    if (status != SqlStatus::Ok) return "fail";
    std::string reply = "success";
    for (long long seed : issued) reply += " " + std::to_string(seed);
    return reply;
}

bool readReplaySeed(const std::string& body, long long& seed, std::string& problem) {
    Replay replay;
    std::string error;
    if (!decodeReplay(body, replay, error)) {
        problem = "the replay cannot be read (" + error + ")";
        return false;
    }
    seed = replay.header.seed;
    return true;
}

// Why `seed` cannot serve `userId`'s result.
static std::string seedRefusal(DbConnection* connection, long long userId, long long seed) {
    SqlRows rows;
    sqlExec(connection, "SELECT user_id, used FROM seeds WHERE seed = $1", {sqlInt(seed)}, &rows);
    std::string named = "seed " + std::to_string(seed);
    if (rows.empty()) return named + " was not issued by this server, or was retired";
    if (std::strtoll(rows[0][0].c_str(), nullptr, 10) != userId)
        return named + " was issued to another account";
    return named + " was used by another result";
}

SqlStatus useIssuedSeed(DbConnection* connection, long long userId, long long seed,
                        std::string& problem) {
    SqlRows marked;
    // Only an unused seed of this account is marked; a twin upload racing this
    // one waits on the row and then finds it used.
    SqlStatus status = sqlExec(connection,
                               "UPDATE seeds SET used = $1 WHERE seed = $2 AND user_id = $3 AND"
                               " used = 0 RETURNING seed",
                               {sqlInt(nowSeconds()), sqlInt(seed), sqlInt(userId)}, &marked);
    if (status == SqlStatus::Ok && marked.empty()) problem = seedRefusal(connection, userId, seed);
    return status;
}
