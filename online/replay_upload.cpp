#include "online/replay_upload.h"

#include "base/console_log.h"
#include "online/scores.h"
#include "online/unsent_results.h"
#include "protocol/encodings.h"

bool replayOwed = false;
int32_t owedMode = 0, owedLevel = 0, owedScore = 0;

std::string replayUploadRequest(const std::string& session, int32_t mode, int32_t level,
                                int32_t score, const std::string& bytes) {
    return "replay.php?gamemode=" + std::to_string(mode) + "&level=" + std::to_string(level) +
           "&score=" + std::to_string(score) + "&sha256=" + sha256Hex(bytes) +
           accountFieldsOf(session);
}

void oweReplay(int32_t mode, int32_t level, int32_t score) {
    replayOwed = true;
    owedMode = mode;
    owedLevel = level;
    owedScore = score;
}

void sendOwedReplay(const std::string& bytes, int32_t mode, int32_t score) {
    if (!replayOwed) return;
    replayOwed = false;
    if (mode != owedMode || score != owedScore) {
        logConsole("The replay of the submitted score was not recorded; none is sent");
        closePlayedResult("");
        return;
    }
    if (bytes.size() > replayUploadLimitBytes) {
        logConsole("The replay is larger than the server takes; it is not sent");
        closePlayedResult("");
        return;
    }
    closePlayedResult(bytes);
}
