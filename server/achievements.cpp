// Achievement grants.
#include "server/achievements.h"

#include <algorithm>
#include <cstdlib>
#include <set>

#include "server/credentials.h"

// The play loop judges these: spins, combos, personal best, quick save, red zone, survival time.
static const std::set<int> clientJudged = {1, 2, 3, 14, 20, 22, 25, 26};

bool isClientJudged(int number) {
    return clientJudged.count(number) != 0;
}

SqlStatement heldAchievementsStatement(long long userId, SqlRows* rows) {
    return SqlStatement{
        "SELECT number FROM achievements WHERE user_id = $1", {sqlInt(userId)}, rows};
}

static std::set<int> heldSet(const SqlRows& rows) {
    std::set<int> held;
    for (const SqlRow& row : rows) held.insert(std::atoi(row[0].c_str()));
    return held;
}

// The grants that follow from the others: all three classic completions, then all 26.
static std::vector<int> followingGrants(const std::set<int>& held) {
    std::vector<int> more;
    bool allClassic = held.count(achievementLearnedToPlay) && held.count(achievementZentricPro) &&
                      held.count(achievementZentricExpert);
    std::set<int> withBeta = held;
    if (allClassic && !held.count(achievementBetaTester)) {
        more.push_back(achievementBetaTester);
        withBeta.insert(achievementBetaTester);
    }
    int othersHeld =
        static_cast<int>(withBeta.size()) - (withBeta.count(achievementZentrix) ? 1 : 0);
    if (othersHeld == achievementCount - 1 && !withBeta.count(achievementZentrix)) {
        more.push_back(achievementZentrix);
    }
    return more;
}

std::vector<int> freshGrants(const SqlRows& heldRows, const std::vector<int>& candidates) {
    std::set<int> held = heldSet(heldRows);
    std::vector<int> fresh;
    for (int number : candidates) {
        if (number >= 1 && number <= achievementCount && held.insert(number).second) {
            fresh.push_back(number);
        }
    }
    for (int number : followingGrants(held)) fresh.push_back(number);
    std::sort(fresh.begin(), fresh.end());
    return fresh;
}

void addGrantStatements(long long userId, const std::vector<int>& fresh, SqlBatch& batch) {
    for (int number : fresh) {
        batch.push_back(
            SqlStatement{"INSERT INTO achievements (user_id, number, granted) VALUES ($1, $2, $3)",
                         {sqlInt(userId), sqlInt(number), sqlInt(nowSeconds())},
                         nullptr});
    }
}

SqlStatus grantAchievements(DbConnection* connection, long long userId,
                            const std::vector<int>& candidates, std::vector<int>& granted) {
    SqlRows held;
    SqlStatus status = sqlRunBatch(connection, {heldAchievementsStatement(userId, &held)});
    if (status != SqlStatus::Ok) return status;
    granted = freshGrants(held, candidates);
    SqlBatch inserts;
    addGrantStatements(userId, granted, inserts);
    status = sqlRunBatch(connection, inserts);
    // Another request granted the same one meanwhile: run the transaction again.
    return status == SqlStatus::Conflict ? SqlStatus::Retry : status;
}

static long long userIdOf(const ParsedRequest& request) {
    return std::strtoll(fieldValue(request, "userid").c_str(), nullptr, 10);
}

std::string replyClientCheeve(ServerContext& context, const ParsedRequest& request,
                              const std::string& address) {
    long long userId = userIdOf(request);
    int number = achievementNumber(fieldValue(request, "cheeve"));
    if (!isClientJudged(number)) return "fail";
    if (!checkPasswordHash(context, userId, fieldValue(request, "passwordHash"), address)) {
        return "fail";
    }
    std::vector<int> granted;
    SqlStatus status = inWriteTransaction(context.database, [&](DbConnection* connection) {
        return grantAchievements(connection, userId, {number}, granted);
    });
    if (status != SqlStatus::Ok) return "fail";
    // The submitted one is always listed, even when it was held already.
    std::string reply = std::to_string(number);
    for (int other : granted) {
        if (other != number) reply += " " + std::to_string(other);
    }
    return reply;
}

std::string replySyncCheeves(ServerContext& context, const ParsedRequest& request,
                             const std::string& address) {
    long long userId = userIdOf(request);
    if (!checkPasswordHash(context, userId, fieldValue(request, "passwordHash"), address)) {
        return "fail";
    }
    SqlRows rows;
    ConnectionLease lease(context.database);
    if (sqlRunBatch(lease.connection, {heldAchievementsStatement(userId, &rows)}) != SqlStatus::Ok)
        return "fail";
    std::set<int> held = heldSet(rows);
    std::string reply;
    for (int number = 1; number <= achievementCount; ++number) {
        if (number > 1) reply += ' ';
        reply += std::to_string(held.count(number) ? number : 0);
    }
    return reply;
}
