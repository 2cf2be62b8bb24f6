// Ranks and the world ranking: a rank is 1 + the players with more
// skillpoints in the category; pages come from the skill bands, or from the
// verified skillpoints when only verified results count.
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
// The rank of `points` in `category`.
SqlStatus rankOf(DbConnection* connection, int category, long long points, long long& rank);

// One page of a category's ranking, best first.
bool rankingPage(Database* database, int category, long long offset, int limit,
                 std::vector<RankingRow>& rows);
// One page of a category's ranking counting verified results only.
bool verifiedRankingPage(Database* database, int category, long long offset, int limit,
                         std::vector<RankingRow>& rows);
// The ranking the server shows: verified-only when the context says so.
bool servedRankingPage(ServerContext& context, int category, long long offset, int limit,
                       std::vector<RankingRow>& rows);
// The verified skillpoints of each of `rows`' players in `category` (0 when none).
std::vector<long long> verifiedPointsOf(Database* database, int category,
                                        const std::vector<RankingRow>& rows);

// Ranking rows from (points, name, user id) rows in order, the first at
// place `offset` holding rank `firstRank`.
std::vector<RankingRow> rankedRows(const SqlRows& found, long long offset, long long firstRank);

// Header "C ROWS N" then rows "rank,name,category,skillpoints,userid,position", each ending CR LF.
std::string replyRanking(ServerContext& context, const ParsedRequest& request);
