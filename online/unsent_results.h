// Results on their way to the server: every ranked score goes through here, is
// kept (with its replay, once the attempt closes) in memory and on disk until
// the server has answered both, and is sent one request at a time, oldest
// first: the score, then its replay, which the server matches to the score.
// A failed transfer waits before the next try, longer after each failure; any
// answer from the server ends the wait. A refusal the server gives for good
// ("fail": a stale session, a result it holds already) drops the result with
// one console line. Results of another account wait for that account.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "online/unsent_file.h"
#include "protocol/level_statistics.h"
#include "protocol/replay.h"

extern std::deque<UnsentResult> unsentResults;  // oldest first; loaded at start-up
extern std::string unsentReply;                 // reply buffer of the results sent from here
extern uint64_t playedResultId;  // the latest level's result: its score reply fills its own buffer
extern uint32_t unsentRetryMs;   // the wait after the last failed transfer; 0 after an answer
extern uint32_t unsentRetryAt;   // tick count of the next try; 0 when nothing waits
extern bool unsentSaveFailed;    // the last write of the file failed (said once in the log)

constexpr int32_t replayUploadSeconds = 30;                    // time-out of one upload
constexpr size_t replayUploadLimitBytes = replayMaxFileBytes;  // the server takes no larger body

// "replay.php?gamemode=..&level=..&score=..&sha256=.." and the account fields
// of the score it goes with, whose session it names.
std::string replayUploadRequest(const std::string& session, int32_t mode, int32_t level,
                                int32_t score, const std::string& bytes);

constexpr uint32_t firstUnsentRetryMs = 2000;
constexpr uint32_t longestUnsentRetryMs = 30000;

// Start-up: the results an earlier run left unsent (once per run).
void loadUnsentResultsOnce();
// A finished level's result: kept, and sent as soon as nothing goes before it.
// Its score reply fills the caller's buffer and clears the caller's pending
// flag, which each sending of that result sets again.
struct PlayedReply {
    std::string* buffer;
    bool* pending;
};
void keepPlayedResult(const LevelStatistics& stats, PlayedReply reply);
// The played result's attempt has closed: its replay file ("" for none).
void closePlayedResult(const std::string& replay);
// Forgets, in memory only, every result and the transfer on its way.
void forgetUnsentResults();
// Each frame: sends the next result when none is on its way and no wait runs.
void sendUnsentResults(uint32_t nowMs);
// Any transfer the server answered (reply: its buffer): the results need not
// wait any longer.
void noteServerAnswered(const std::string* reply);
// Kinds 4 and 10 of results sent from here; false for a reply that is not theirs.
bool handleUnsentReply(int32_t kind, int32_t result, const std::string* reply);
// A replay of the account waits to be uploaded. The server keeps only an
// account's newest unused seeds, so no more are asked for until it has gone.
bool unsentReplaysWaiting(const std::string& account);
// "score.php?..." of a result, for the account logged in now.
std::string unsentScoreRequest(const UnsentResult& result);
