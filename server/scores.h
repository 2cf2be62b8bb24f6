// Results, personal bests, the performance reference and skillpoints.
#pragma once

#include <string>
#include <vector>

#include "server/context.h"
#include "server/query.h"

// results.kind: what stored the row.
extern const int resultKindScore;  // score.php
extern const int resultKindDeath;  // death.php

// A level's reference: the median of its results and a spread from their
// quartiles, (Q3 - Q1) / 1.349 (the standard deviation for normal scores).
// Both come from a histogram of the results in bins 2 % wide, so one result,
// however far off, moves them by at most one place in the order.
struct LevelReference {
    long long count = 0;
    long long centre = 0;
    long long spread = 0;
};
// The histogram bin of a score (all scores of 0 or below share bin 0) and the
// value that stands for a bin.
int scoreBin(long long score);
long long binValue(int bin);
struct BinCount {
    int bin;
    long long results;
};
// Each bin's count is kept in stripes, one per group of accounts: concurrent
// submissions of one level and bin then rarely change the same row, which on
// PostgreSQL each would hold locked until its commit is flushed. Readers add
// a bin's stripes up.
int binStripe(long long userId);
// The reference of a level from its histogram, bins in ascending order.
LevelReference referenceFromBins(const std::vector<BinCount>& bins);
// What highscore.php reports: both 0 until the level has enough results to mean something.
LevelReference publishedReference(const LevelReference& reference);

// Points a result earns against the level's centre: 0..999, more for a higher
// score, half the scale for a score equal to the centre (or for the first result).
long long resultPoints(long long score, const LevelReference& reference);

// The one level a mode plays (1-based: Rush 5, Survival 2, Meditation 1), or
// 0 for the classic modes, which play levels 1 to 10.
int onlyLevelOf(int mode);
// Whether `mode` (1 to 6) plays `level`: results of other levels are refused.
bool isPlayedLevel(int mode, int level);

// Whether a reported result can have been played: mode, level, score and time
// within the limits of its mode, counts not negative.
struct ResultLimits {
    long long minScore, maxScore;
    double maxSeconds;
};
const ResultLimits& resultLimits(int mode);

// Counts a stored score whose replay verified: its points, best and place in
// the level's histogram, the skillpoints and the rank grants that follow.
// Nothing happens to a result counted already. Runs inside the caller's
// write transaction.
SqlStatus countVerifiedResult(DbConnection* connection, long long resultId);

std::string replyHighscore(ServerContext& context, const ParsedRequest& request);
std::string replyScore(ServerContext& context, const ParsedRequest& request,
                       const std::string& plainRequest, const std::string& address);
std::string replyDeath(ServerContext& context, const ParsedRequest& request,
                       const std::string& plainRequest, const std::string& address);
