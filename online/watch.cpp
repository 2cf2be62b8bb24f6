#include "online/watch.h"

#include <curl/curl.h>

#include <cstdlib>

#include "base/console_log.h"
#include "game/server_link.h"
#include "online/ranking.h"
#include "online/requests.h"

int32_t watchStep = WatchClosed;
std::string watchUserId;
std::string watchPlayerName;
int32_t watchCategory = 0;
std::vector<WatchRun> watchRuns;
int32_t watchChosen = -1;
std::string watchMessage;
bool watchRequestOut = false;
Replay watchedReplay;
std::string watchListReply;
std::string watchFileReply;

static constexpr size_t maxIdDigits = 18;
static constexpr size_t dateLength = 10;
static constexpr int32_t lastMode = 6, lastLevel = 10;
static constexpr int64_t scoreLimit = 10000000000LL;  // beyond every mode's scores

static bool allDigits(const std::string& text, size_t most) {
    return !text.empty() && text.size() <= most &&
           text.find_first_not_of("0123456789") == std::string::npos;
}

static bool readNumber(const std::string& text, int64_t low, int64_t high, int64_t& value) {
    bool negative = !text.empty() && text[0] == '-';
    if (!allDigits(negative ? text.substr(1) : text, maxIdDigits)) return false;
    value = std::strtoll(text.c_str(), nullptr, 10);
    return value >= low && value <= high;
}

static bool isDate(const std::string& text) {
    if (text.size() != dateLength || text[4] != '-' || text[7] != '-') return false;
    return allDigits(text.substr(0, 4), 4) && allDigits(text.substr(5, 2), 2) &&
           allDigits(text.substr(8, 2), 2);
}

// One line without its CR LF; false when it is not "id,mode,level,score,date".
static bool parseRunLine(const std::string& line, WatchRun& run) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t comma; (comma = line.find(',', start)) != std::string::npos; start = comma + 1)
        fields.push_back(line.substr(start, comma - start));
    fields.push_back(line.substr(start));
    int64_t mode = 0, level = 0;
    if (fields.size() != 5 || !allDigits(fields[0], maxIdDigits) || !isDate(fields[4]))
        return false;
    if (!readNumber(fields[1], 1, lastMode, mode) || !readNumber(fields[2], 1, lastLevel, level) ||
        !readNumber(fields[3], -scoreLimit, scoreLimit, run.score))
        return false;
    run.replayId = fields[0];
    run.mode = static_cast<int32_t>(mode);
    run.level = static_cast<int32_t>(level);
    run.date = fields[4];
    return true;
}

// Why line `number` (1-based) of a list cannot be read; "" when it reads as `run`.
static std::string lineProblem(const std::string& text, size_t start, size_t number,
                               WatchRun& run) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) return "line " + std::to_string(number) + " does not end";
    if (number > watchRunsLimit) return "more than " + std::to_string(watchRunsLimit) + " lines";
    if (!parseRunLine(text.substr(start, end - start), run))
        return "line " + std::to_string(number) + " is not a run";
    return "";
}

bool parseWatchRuns(const std::string& text, std::vector<WatchRun>& runs, std::string& error) {
    runs.clear();
    for (size_t start = 0; start < text.size(); start = text.find("\r\n", start) + 2) {
        WatchRun run;
        error = lineProblem(text, start, runs.size() + 1, run);
        if (!error.empty()) {
            runs.clear();
            return false;
        }
        runs.push_back(run);
    }
    return true;
}

void openWatchList(const std::string& userId, const std::string& name, int32_t category) {
    if (watchRequestOut) return;
    watchUserId = userId;
    watchPlayerName = name;
    watchCategory = category;
    watchRuns.clear();
    watchChosen = -1;
    watchMessage.clear();
    watchStep = WatchListLoading;
    if (serverLink.connectionMode == ConnectionOffline || !allDigits(userId, maxIdDigits)) {
        watchMessage = "Watching runs needs a connection to the server.";
        watchStep = WatchListShown;
        return;
    }
    watchListReply.clear();
    watchRequestOut = true;
    logConsole("Listing the verified runs of " + name + " in " + rankingCategoryName(category));
    queuePublicRequest("players/" + userId + "/replays?category=" + std::to_string(category),
                       &watchListReply, WatchListRequest, watchListSeconds);
}

void closeWatchList() {
    watchStep = WatchClosed;
    watchRuns.clear();
    watchMessage.clear();
}

void downloadWatchRun(int32_t index) {
    if (watchRequestOut || index < 0 || index >= static_cast<int32_t>(watchRuns.size())) return;
    watchChosen = index;
    watchMessage.clear();
    watchFileReply.clear();
    watchStep = WatchFileLoading;
    watchRequestOut = true;
    queuePublicRequest("replays/" + watchRuns[index].replayId + ".zxr", &watchFileReply,
                       WatchFileRequest, watchFileSeconds);
}

void finishWatching() {
    watchedReplay = Replay{};
    watchStep = WatchListShown;
}

static std::string failureText(int32_t result) {
    return curl_easy_strerror(static_cast<CURLcode>(result));
}

void handleWatchListReply(int32_t result) {
    watchRequestOut = false;
    if (watchStep != WatchListLoading) return;
    watchStep = WatchListShown;
    std::string error;
    if (result != CURLE_OK) {
        watchMessage = "The runs could not be loaded from the server.";
        logConsole("Watch list of player " + watchUserId + " failed: " + failureText(result));
    } else if (!parseWatchRuns(watchListReply, watchRuns, error)) {
        watchMessage = "The server's list of runs could not be read.";
        logConsole("Watch list of player " + watchUserId + " refused: " + error);
    }
}

// Why the downloaded file cannot be the chosen run; "" when it can.
static std::string fileProblem(const WatchRun& run) {
    std::string error;
    if (watchFileReply.size() > replayMaxFileBytes) return "the file is over the replay limit";
    if (!decodeReplay(watchFileReply, watchedReplay, error)) return error;
    const ReplayHeader& header = watchedReplay.header;
    if (header.mode != run.mode || header.levelIndex + 1 != run.level)
        return "the file is of another mode or level than the list says";
    return "";
}

void handleWatchFileReply(int32_t result) {
    watchRequestOut = false;
    if (watchStep != WatchFileLoading) return;
    const WatchRun& run = watchRuns[watchChosen];
    std::string problem = result != CURLE_OK ? failureText(result) : fileProblem(run);
    watchFileReply.clear();
    if (problem.empty()) {
        watchStep = WatchFileReady;
        logConsole("Downloaded replay " + run.replayId + " of " + watchPlayerName + ", score " +
                   std::to_string(run.score));
        return;
    }
    watchedReplay = Replay{};
    watchStep = WatchListShown;
    watchMessage = "The replay could not be downloaded.";
    logConsole("Replay " + run.replayId + " not downloaded: " + problem);
}

std::string watchCaption() {
    if (watchChosen < 0 || watchChosen >= static_cast<int32_t>(watchRuns.size())) return "";
    const WatchRun& run = watchRuns[watchChosen];
    return watchPlayerName + "'s run: " + rankingCategoryName(run.mode) + " level " +
           std::to_string(run.level) + ", score " + std::to_string(run.score);
}
