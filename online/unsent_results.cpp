#include "online/unsent_results.h"

#include <curl/curl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/console_log.h"
#include "game/server_link.h"
#include "online/identity.h"
#include "online/requests.h"
#include "platform/settings_store.h"
#include "platform/system.h"
#include "protocol/encodings.h"

std::deque<UnsentResult> unsentResults;
std::string unsentReply;
uint64_t playedResultId = 0;
static PlayedReply playedReply = {&unsentReply, nullptr};  // where the played result's reply goes
uint32_t unsentRetryMs = 0;
uint32_t unsentRetryAt = 0;
bool unsentSaveFailed = false;

static uint64_t lastResultId = 0;
// The transfer on its way: which result, which request, into which buffer.
static uint64_t sendingId = 0;
static int32_t sendingKind = 0;
static std::string* sendingReply = nullptr;
static uint32_t sendingSince = 0;
// A transfer whose end never came back (its record left the log) is given up after this.
static const uint32_t lostTransferMs = (replayUploadSeconds + connectTimeoutSeconds + 30) * 1000;

static void saveUnsentResults() {
    if (storeUnsentResults(unsentResults)) {
        if (unsentSaveFailed) logConsole("Unsent results saved again");
        unsentSaveFailed = false;
        return;
    }
    // Said once: the results stay in memory and the next change tries the disk again.
    if (!unsentSaveFailed)
        logConsole("Could not save the unsent results in " + settingsFolderFile(unsentFileName) +
                   " (" + strerror(errno) + "); they stay in memory and are sent when the " +
                   "server answers");
    unsentSaveFailed = true;
}

void loadUnsentResultsOnce() {
    static bool loaded = false;
    if (loaded) return;
    loaded = true;
    for (UnsentResult& result : loadUnsentResults()) {
        result.id = ++lastResultId;
        // An attempt that was still open when the game ended has no replay to come.
        result.replayClosed = true;
        unsentResults.push_back(result);
    }
    if (!unsentResults.empty())
        logConsole(std::to_string(unsentResults.size()) + " unsent results from an earlier run");
}

static UnsentResult* findResult(uint64_t id) {
    for (UnsentResult& result : unsentResults)
        if (result.id == id) return &result;
    return nullptr;
}

static void dropResult(uint64_t id) {
    unsentResults.erase(std::remove_if(unsentResults.begin(), unsentResults.end(),
                                       [id](const UnsentResult& r) { return r.id == id; }),
                        unsentResults.end());
}

static std::string describe(const UnsentResult& r) {
    return "the result of mode " + std::to_string(r.mode) + " level " + std::to_string(r.level) +
           " score " + std::to_string(r.score);
}

void keepPlayedResult(const LevelStatistics& stats, PlayedReply reply) {
    playedReply = reply;
    if (unsentResults.size() >= unsentResultsLimit) {
        logConsole("Unsent results: " + describe(unsentResults.front()) +
                   " is the oldest of too many and is dropped");
        unsentResults.pop_front();
    }
    UnsentResult result;
    result.userId = userId;
    result.session = serverLink.sessionhash.substr(0, unsentSessionLimit);
    result.mode = stats.gameMode;
    result.level = stats.level;
    result.score = stats.score;
    result.record = statisticsRecord(stats, true);
    result.id = playedResultId = ++lastResultId;
    unsentResults.push_back(result);
    saveUnsentResults();
    // A new result is worth a try at once, whatever failed before.
    unsentRetryAt = 0;
    sendUnsentResults(platformTicksMs());
}

void closePlayedResult(const std::string& replay) {
    UnsentResult* result = findResult(playedResultId);
    if (!result || result->replayClosed) return;
    result->replayClosed = true;
    result->replay = replay;
    if (result->scoreTaken && replay.empty()) dropResult(result->id);
    saveUnsentResults();
}

void forgetUnsentResults() {
    unsentResults.clear();
    sendingId = 0;
    playedResultId = 0;
    unsentRetryMs = unsentRetryAt = 0;
    unsentSaveFailed = false;
}

// ---- sending ----

std::string replayUploadRequest(const std::string& session, int32_t mode, int32_t level,
                                int32_t score, const std::string& bytes) {
    return "replay.php?gamemode=" + std::to_string(mode) + "&level=" + std::to_string(level) +
           "&score=" + std::to_string(score) + "&sha256=" + sha256Hex(bytes) +
           accountFieldsOf(session);
}

std::string unsentScoreRequest(const UnsentResult& result) {
    return "score.php?" + result.record + accountFieldsOf(result.session);
}

bool unsentReplaysWaiting(const std::string& account) {
    for (const UnsentResult& result : unsentResults)
        if (result.userId == account && result.replayClosed && !result.replay.empty()) return true;
    return false;
}

static bool mayBeSent(const UnsentResult& result) {
    if (result.userId != userId) return false;
    return !result.scoreTaken || (result.replayClosed && !result.replay.empty());
}

static void startSending(const UnsentResult& result, int32_t kind, std::string* reply) {
    sendingId = result.id;
    sendingKind = kind;
    sendingReply = reply;
    sendingSince = platformTicksMs();
    reply->clear();
    if (kind == ScoreRequest) {
        queueRequest(unsentScoreRequest(result), reply, kind, shortRequestSeconds);
        return;
    }
    queueUpload(
        replayUploadRequest(result.session, result.mode, result.level, result.score, result.replay),
        result.replay, reply, kind, replayUploadSeconds);
}

static void sendResult(const UnsentResult& result) {
    if (result.scoreTaken) {
        startSending(result, ReplayRequest, &unsentReply);
        return;
    }
    bool played = result.id == playedResultId;
    // The level still on its result screen waits for this reply: it fills its values.
    if (played && playedReply.pending) *playedReply.pending = true;
    startSending(result, ScoreRequest, played ? playedReply.buffer : &unsentReply);
}

static bool dueNow(uint32_t nowMs) {
    return unsentRetryAt == 0 || static_cast<int32_t>(nowMs - unsentRetryAt) >= 0;
}

void sendUnsentResults(uint32_t nowMs) {
    if (sendingId != 0 && nowMs - sendingSince > lostTransferMs) sendingId = 0;
    if (sendingId != 0 || !curlMulti || serverLink.connectionMode != ConnectionOnline) return;
    if (!dueNow(nowMs)) return;
    for (const UnsentResult& result : unsentResults) {
        if (!mayBeSent(result)) continue;
        sendResult(result);
        return;
    }
}

void noteServerAnswered(const std::string* reply) {
    // Our own transfer's answer is judged by its handler, which may have to wait on.
    if (sendingId != 0 && reply == sendingReply) return;
    unsentRetryMs = unsentRetryAt = 0;
}

// ---- answers ----

static void scheduleRetry(const std::string& why) {
    unsentRetryMs = nextRetryWaitMs(unsentRetryMs, firstUnsentRetryMs, longestUnsentRetryMs);
    unsentRetryAt = retryTickAfter(platformTicksMs(), unsentRetryMs);
    logConsole("Result not sent (" + why + "); trying again in " +
               std::to_string(unsentRetryMs / 1000) + " s");
}

// The server took the score or the replay: what is left of the result.
static void takeAnswer(UnsentResult& result, int32_t kind) {
    bool finished = kind == ReplayRequest || (result.replayClosed && result.replay.empty());
    result.scoreTaken = true;
    if (!finished) {
        logConsole("The server took the score of " + describe(result) + "; its replay follows");
        return;
    }
    logConsole("The server has " + describe(result) +
               (kind == ReplayRequest ? " and its replay" : ""));
    dropResult(result.id);
}

static void settleAnswer(UnsentResult& result, int32_t kind, const std::string& reply) {
    if (reply == "fail") {
        logConsole("The server refused " + describe(result) + " for good; it is dropped");
        dropResult(result.id);
    } else {
        takeAnswer(result, kind);
    }
    saveUnsentResults();
}

bool handleUnsentReply(int32_t kind, int32_t result, const std::string* reply) {
    if (sendingId == 0 || kind != sendingKind || reply != sendingReply) return false;
    uint64_t id = sendingId;
    sendingId = 0;
    UnsentResult* sent = findResult(id);
    if (!sent) return true;
    if (result != 0) {
        scheduleRetry(curl_easy_strerror(static_cast<CURLcode>(result)));
        return true;
    }
    // A busy or failing server answers for now, not for good.
    bool answered = replyHttpStatus < firstServerErrorStatus &&
                    (*reply == "fail" || reply->compare(0, 7, "success") == 0);
    if (!answered) {
        scheduleRetry("HTTP " + std::to_string(replyHttpStatus) + ", no usable answer");
        return true;
    }
    unsentRetryMs = unsentRetryAt = 0;
    // A reply while the connection prompt is up lets the player resume.
    noteServerReply();
    settleAnswer(*sent, kind, *reply);
    return true;
}
