// Replay uploads: a ranked score submission leaves the game owing the server
// that run's replay; when the recorder closes the attempt, the replay file is
// handed to the result it belongs to (online/unsent_results), which posts it
// to replay.php (request kind 10) once the server has taken the score, with
// its SHA-256 and the submitted result in the query. Nothing is owed offline
// or in practice, where no score is submitted.
#pragma once

#include <cstdint>
#include <string>

extern bool replayOwed;                         // a ranked score went out; its replay follows
extern int32_t owedMode, owedLevel, owedScore;  // the result that score.php submitted

// Called with each score submission: its replay is owed.
void oweReplay(int32_t mode, int32_t level, int32_t score);
// A closed attempt's replay file: kept with its result when it is the owed one
// (same mode and score), else the result goes without; either way nothing is
// owed afterwards.
void sendOwedReplay(const std::string& bytes, int32_t mode, int32_t score);
