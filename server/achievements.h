// The 27 achievements: which the client reports from the play loop, which the
// server judges itself, and the grants shared by both paths.
#pragma once

#include <string>
#include <vector>

#include "protocol/achievement_keys.h"
#include "server/context.h"
#include "server/query.h"

// Achievement numbers by meaning, for the server's own grants.
enum AchievementNumber {
    achievementEpic = 4,
    achievementLegendary = 5,
    achievementZentrix = 6,
    achievementMassAddict = 7,
    achievementLearnedToPlay = 8,
    achievementZentricPro = 9,
    achievementZentricMaster = 10,
    achievementZentricExpert = 11,
    achievementZentricallyInsane = 12,
    achievementHoldStill = 13,
    achievementAmbidextrous = 15,
    achievementElitist = 16,
    achievementBetaTester = 17,
    achievementClassicallyTrained = 18,
    achievementBrisko = 19,
    achievementButtonMasher = 21,
    achievementIntoTheVoid = 23,
    achievementEnlightenment = 24,
    achievementLastManStanding = 27,
};

// True for the achievements whose condition only the play loop can see.
bool isClientJudged(int number);

// The statement that reads the numbers `userId` holds, one a row.
SqlStatement heldAchievementsStatement(long long userId, SqlRows* rows);
// Of `candidates` and what follows from them ("betatester", "zentrix"), the
// numbers not among `heldRows` (as read by heldAchievementsStatement), ascending.
std::vector<int> freshGrants(const SqlRows& heldRows, const std::vector<int>& candidates);
// Appends the inserts that grant `fresh` to `userId`; a taken one is a Conflict.
void addGrantStatements(long long userId, const std::vector<int>& fresh, SqlBatch& batch);

// Grants `candidates` to `userId` inside the caller's transaction, then
// "betatester" and "zentrix" when their conditions now hold; `granted`
// receives the numbers that were not held before, in ascending order.
SqlStatus grantAchievements(DbConnection* connection, long long userId,
                            const std::vector<int>& candidates, std::vector<int>& granted);

std::string replyClientCheeve(ServerContext& context, const ParsedRequest& request,
                              const std::string& address);
std::string replySyncCheeves(ServerContext& context, const ParsedRequest& request,
                             const std::string& address);
