// Score traffic: the highscore request at the start of a level, the death
// report and the score submission, and the values their replies fill. The
// play loop hands over a plain statistics record; nothing here knows the
// rules of play. A new request resets the values its reply fills; they live
// until the next game's requests, and the score screen reads them.
#pragma once

#include <cstdint>
#include <string>

#include "game/server_link.h"
#include "protocol/level_statistics.h"

extern std::string highscoreReply, deathReply, scoreReply;  // reply buffers
extern bool highscorePending, highscoreAnswered;            // highscore request queued / answered
extern bool scorePending;                                   // score submission queued
extern int32_t rankBefore, rankAfter, skillBefore, skillAfter;  // -1 until known

// Replies carry the rank and skillpoints from these tokens on.
constexpr size_t highscoreTokensNeeded = 5;
constexpr size_t scoreTokensNeeded = 8;

void queueDeathReport(const LevelStatistics& stats);
void queueScoreReport(const LevelStatistics& stats);
void queueHighscoreRequest(int32_t gameMode, int32_t level);

// Hands the play loop's requests to the client (start-up does it once).
void connectPlayRequests();
// Every frame of play: the highscore request's waiting time while unanswered.
void trackHighscoreWait(float dtMs);
// Kinds 2 and 4: the values above; a score reply may grant achievements.
void handleHighscoreReply(int32_t result);
void handleScoreReply(int32_t result);
