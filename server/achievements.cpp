// Achievement grants.
#include "server/achievements.h"

#include <algorithm>
#include <cstdlib>
#include <set>

#include "server/accounts.h"

// The play loop judges these: spins, combos, personal best, quick save, red zone, survival time.
static const std::set<int> clientJudged = {1, 2, 3, 14, 20, 22, 25, 26};

bool isClientJudged(int number) {
    return clientJudged.count(number) != 0;
}

static SqlStatus heldAchievements(DbConnection* connection, long long userId, std::set<int>& held) {
    SqlRows rows;
    SqlStatus status = sqlExec(connection, "SELECT number FROM achievements WHERE user_id = $1",
                               {sqlInt(userId)}, &rows);
    for (const SqlRow& row : rows) held.insert(std::atoi(row[0].c_str()));
    return status;
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

SqlStatus grantAchievements(DbConnection* connection, long long userId,
                            const std::vector<int>& candidates, std::vector<int>& granted) {
    std::set<int> held;
    SqlStatus status = heldAchievements(connection, userId, held);
    std::vector<int> fresh;
    for (int number : candidates) {
        if (number >= 1 && number <= achievementCount && held.insert(number).second) {
            fresh.push_back(number);
        }
    }
    for (int number : followingGrants(held)) fresh.push_back(number);
    const std::string sql =
        "INSERT INTO achievements (user_id, number, granted) VALUES ($1, $2, $3)";
    for (size_t i = 0; i < fresh.size() && status == SqlStatus::Ok; ++i) {
        status = sqlExec(connection, sql, {sqlInt(userId), sqlInt(fresh[i]), sqlInt(nowSeconds())});
    }
    std::sort(fresh.begin(), fresh.end());
    granted = fresh;
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
    std::set<int> held;
    ConnectionLease lease(context.database);
    if (heldAchievements(lease.connection, userId, held) != SqlStatus::Ok) return "fail";
    std::string reply;
    for (int number = 1; number <= achievementCount; ++number) {
        if (number > 1) reply += ' ';
        reply += std::to_string(held.count(number) ? number : 0);
    }
    return reply;
}
