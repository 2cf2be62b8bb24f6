// Public lists and files of verified replays.
#include "server/replay_files.h"

#include <ctime>
#include <vector>

#include "server/replays.h"

static const char playersPrefix[] = "/players/";
static const char playerRunsSuffix[] = "/replays";
static const char replaysPrefix[] = "/replays/";
static const char replayFileSuffix[] = ".zxr";
static const int lastCategory = 6;
// A list shows a player's best runs; the web pages list 50 rows too.
static const int listedRuns = 50;
// Ids are database keys: more digits than these cannot name a row.
static const size_t maxIdDigits = 18;

static bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

static bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The id between `prefix` and `suffix` of `path`, when that is all digits.
static bool idBetween(const std::string& path, const std::string& prefix, const std::string& suffix,
                      long long& id) {
    if (!startsWith(path, prefix) || !endsWith(path, suffix)) return false;
    if (path.size() < prefix.size() + suffix.size()) return false;
    std::string digits = path.substr(prefix.size(), path.size() - prefix.size() - suffix.size());
    if (digits.empty() || digits.size() > maxIdDigits) return false;
    if (digits.find_first_not_of("0123456789") != std::string::npos) return false;
    id = std::stoll(digits);
    return true;
}

static void answerMissing(PublicReply& reply, const char* what) {
    reply.status = 404;
    reply.text = std::string(what) + "\n";
}

static std::string dateText(long long seconds) {
    std::time_t time = static_cast<std::time_t>(seconds);
    std::tm parts{};
    char text[16] = "";
    if (gmtime_r(&time, &parts) != nullptr) std::strftime(text, sizeof text, "%Y-%m-%d", &parts);
    return text;
}

static std::string runLine(const StoredReplay& run) {
    return std::to_string(run.id) + "," + std::to_string(run.mode) + "," +
           std::to_string(run.level) + "," + std::to_string(run.score) + "," +
           dateText(run.created) + "\r\n";
}

static void answerPlayerRuns(ServerContext& context, long long userId, long long category,
                             PublicReply& reply) {
    if (category < 0 || category > lastCategory) {
        reply.status = 400;
        reply.text = "no such category\n";
        return;
    }
    std::vector<StoredReplay> runs;
    bool known = false;
    if (!verifiedRunsOfPlayer(context.database, userId, static_cast<int>(category), listedRuns,
                              known, runs)) {
        reply.status = 503;
        reply.text = "the runs cannot be read right now\n";
        return;
    }
    if (!known) return answerMissing(reply, "no such player");
    for (const StoredReplay& run : runs) reply.text += runLine(run);
}

static void answerReplayFile(ServerContext& context, long long id, PublicReply& reply) {
    StoredReplay replay;
    if (!verifiedReplayFile(context.database, id, replay))
        return answerMissing(reply, "no verified replay by this id");
    reply.binary = true;
    reply.text = replay.body;
}

bool answerReplayFileRoute(ServerContext& context, const std::string& path, long long category,
                           PublicReply& reply) {
    long long id = 0;
    if (idBetween(path, playersPrefix, playerRunsSuffix, id)) {
        answerPlayerRuns(context, id, category, reply);
    } else if (idBetween(path, replaysPrefix, replayFileSuffix, id)) {
        answerReplayFile(context, id, reply);
    } else if (startsWith(path, playersPrefix) || startsWith(path, replaysPrefix)) {
        answerMissing(reply, "no such replay route");
    } else {
        return false;
    }
    return true;
}
