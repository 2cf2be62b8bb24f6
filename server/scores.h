// Results, personal bests, the performance reference, skillpoints and ranks,
// and the world ranking pages.
#pragma once

#include <string>
#include <vector>

#include "server/context.h"
#include "server/query.h"

extern const int rankingPageRows;  // rows per world ranking page

// The mean and spread (population standard deviation) of a level's results, rounded.
struct LevelReference {
    long long count = 0;
    long long mean = 0;
    long long spread = 0;
};
LevelReference levelReference(long long count, double sum, double squareSum);
// What highscore.php reports: both 0 until the level has enough results to mean something.
LevelReference publishedReference(const LevelReference& reference);

// Points a result earns against the level's mean: 0..999, more for a higher
// score, half the scale for a score equal to the mean (or for the first result).
long long resultPoints(long long score, const LevelReference& reference);

struct RankingRow {
    long long rank;  // 1 + players with more skillpoints
    std::string name;
    long long skillpoints;
    long long userId;
};
// One page of a category's ranking, best first.
bool rankingPage(Database* database, int category, long long offset, int limit,
                 std::vector<RankingRow>& rows);

std::string replyHighscore(ServerContext& context, const ParsedRequest& request);
std::string replyScore(ServerContext& context, const ParsedRequest& request,
                       const std::string& plainRequest, const std::string& address);
std::string replyDeath(ServerContext& context, const ParsedRequest& request,
                       const std::string& plainRequest, const std::string& address);
std::string replyRanking(ServerContext& context, const ParsedRequest& request);
