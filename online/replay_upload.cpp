#include "online/replay_upload.h"

#include "base/console_log.h"
#include "online/unsent_results.h"

bool replayOwed = false;
int32_t owedMode = 0, owedLevel = 0, owedScore = 0;

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
