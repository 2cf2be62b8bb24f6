// Ranks and the world ranking: a rank is 1 + the players with more
// skillpoints in the category, counting the results that count (by default
// those whose replay verified); pages come from the skill bands.
#pragma once

#include <string>
#include <vector>

#include "server/context.h"
#include "server/query.h"

extern const int rankingPageRows;  // rows per world ranking page

struct RankingRow {
    long long rank;  // 1 + players with more skillpoints
    std::string name;
    long long skillpoints;
    long long userId;
};

// The statement that reads how many players hold more skillpoints in
// `category` than `userId` does when it runs (all of them when it holds none):
// 1 less than the rank.
SqlStatement storedRankStatement(int category, long long userId, SqlRows* rows);
// The rank of `points` in `category`: as a statement read as 1 less, and at once.
SqlStatement rankOfPointsStatement(int category, long long points, SqlRows* rows);
SqlStatus rankOf(DbConnection* connection, int category, long long points, long long& rank);

// One page of a category's ranking, best first.
bool rankingPage(Database* database, int category, long long offset, int limit,
                 std::vector<RankingRow>& rows);
// The verified skillpoints of each of `rows`' players in `category` (0 when none).
std::vector<long long> verifiedPointsOf(Database* database, int category,
                                        const std::vector<RankingRow>& rows);
// The points each of `rows`' players gains in `category` once the replays
// now waiting for their check verify (0 when none).
std::vector<long long> pendingPointsOf(Database* database, int category,
                                       const std::vector<RankingRow>& rows);

// Ranking rows from (points, name, user id) rows in order, the first at
// place `offset` holding rank `firstRank`.
std::vector<RankingRow> rankedRows(const SqlRows& found, long long offset, long long firstRank);

// Header "C ROWS N" then rows "rank,name,category,skillpoints,userid,position", each ending CR LF.
std::string replyRanking(ServerContext& context, const ParsedRequest& request);
