#include "online/replay_upload.h"

#include "base/console_log.h"
#include "online/account.h"
#include "online/requests.h"
#include "online/scores.h"
#include "protocol/encodings.h"

std::list<ReplayUpload> replayUploads;
bool replayOwed = false;
int32_t owedMode = 0, owedLevel = 0, owedScore = 0;

std::string replayUploadRequest(int32_t mode, int32_t level, int32_t score,
                                const std::string& bytes) {
    return "replay.php?gamemode=" + std::to_string(mode) + "&level=" + std::to_string(level) +
           "&score=" + std::to_string(score) + "&sha256=" + sha256Hex(bytes) + accountFields();
}

void oweReplay(int32_t mode, int32_t level, int32_t score) {
    replayOwed = true;
    owedMode = mode;
    owedLevel = level;
    owedScore = score;
}

static void startUpload(ReplayUpload& upload) {
    upload.reply.clear();
    queueUpload(upload.url, upload.body, &upload.reply, ReplayRequest, replayUploadSeconds);
}

void sendOwedReplay(const std::string& bytes, int32_t mode, int32_t score) {
    if (!replayOwed) return;
    replayOwed = false;
    if (mode != owedMode || score != owedScore) {
        logConsole("The replay of the submitted score was not recorded; none is sent");
        return;
    }
    if (bytes.size() > replayUploadLimitBytes) {
        logConsole("The replay is larger than the server takes; it is not sent");
        return;
    }
    replayUploads.push_back({replayUploadRequest(mode, owedLevel, score, bytes), bytes, ""});
    startUpload(replayUploads.back());
}

void handleReplayUploadReply(int32_t result, std::string* reply) {
    for (auto upload = replayUploads.begin(); upload != replayUploads.end(); ++upload) {
        if (&upload->reply != reply) continue;
        if (result != 0 && connectionMode == ConnectionOnline) {
            startUpload(*upload);
            return;
        }
        if (*reply == "fail") logConsole("The server refused the replay");
        replayUploads.erase(upload);
        return;
    }
}
