// PostgreSQL only: the writing part of a score submission as one function
// inside the database, so it costs one round trip and holds its row locks only
// while the database itself works. It follows the rules of scores.cpp step for
// step (SQLite runs all of them in C++); the tests play the same submissions on
// both back ends and compare replies and stored rows.
#pragma once

#include <string>
#include <vector>

// The statements that create or replace the function and its helpers.
const std::vector<std::string>& scoreFunctionStatements();

// Its call: the parameters of the result insert (the points the score earned
// last), then the score's histogram bin and the account's stripe of it, the
// level's "centre spread" after it
// and the candidate grants that follow from the request alone ("{4,19}").
extern const char scoreFunctionCall[];

// The width of a skill band: skill_buckets counts the players of each band.
constexpr long long skillBandPoints = 100;

// How many players hold more than `points` skillpoints in `category` (both SQL
// expressions): whole 100-point bands above from their counts, the rest of the
// band `points` falls in from the skills index.
std::string playersAboveSql(const std::string& category, const std::string& points);
