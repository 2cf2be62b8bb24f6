// Replay uploads: a ranked score submission leaves the game owing the server
// that run's replay; when the recorder closes the attempt, the replay file goes
// to replay.php as the body of a POST (request kind 10), its SHA-256 and the
// submitted result in the query. A failed transfer is sent again at once while
// online, as an achievement submission is; any reply ends the upload.
// Nothing is owed offline or in practice, where no score is submitted.
#pragma once

#include <cstdint>
#include <list>
#include <string>

#include "protocol/replay.h"

// One upload on its way; its reply buffer is the transfer's.
struct ReplayUpload {
    std::string url;    // the plain request
    std::string body;   // the replay file's bytes
    std::string reply;  // reply buffer
};

extern std::list<ReplayUpload> replayUploads;   // sent and not yet answered, oldest first
extern bool replayOwed;                         // a ranked score went out; its replay follows
extern int32_t owedMode, owedLevel, owedScore;  // the result that score.php submitted

constexpr int32_t replayUploadSeconds = 30;                    // time-out of one upload
constexpr size_t replayUploadLimitBytes = replayMaxFileBytes;  // the server takes no larger body

// "replay.php?gamemode=..&level=..&score=..&sha256=.." and the account fields of score.php.
std::string replayUploadRequest(int32_t mode, int32_t level, int32_t score,
                                const std::string& bytes);
// Called with each score submission: its replay is owed.
void oweReplay(int32_t mode, int32_t level, int32_t score);
// A closed attempt's replay file: sent when it is the owed one (same mode and
// score), else dropped; either way nothing is owed afterwards.
void sendOwedReplay(const std::string& bytes, int32_t mode, int32_t score);
// Kind 10.
void handleReplayUploadReply(int32_t result, std::string* reply);
