#include "online/scores.h"

#include <sstream>

#include "online/account.h"
#include "online/achievements.h"
#include "online/encodings.h"
#include "online/requests.h"
#include "settings/settings.h"

std::string highscoreReply, deathReply, scoreReply;
std::string rankingReply;
bool highscorePending = false, highscoreAnswered = false;
bool scorePending = false, scoreAnswered = false;
int32_t personalBest = -1, perfReference = -1, perfSpread = -1;
int32_t rankBefore = -1, rankAfter = -1, skillBefore = -1, skillAfter = -1;

// The score carries whole seconds, the death report the exact time.
static std::string playTimeField(float timeMs, bool forScore) {
    if (forScore) return std::to_string(static_cast<int32_t>(timeMs) / 1000);
    std::ostringstream text;
    text << timeMs / 1000;
    return text.str();
}

std::string statisticsRecord(const LevelStatistics& stats, bool forScore) {
    std::ostringstream record;
    record << "gamemode=" << stats.gameMode << "&level=" << stats.level << "&score=" << stats.score
           << "&time=" << playTimeField(stats.timeMs, forScore) << "&apm=" << stats.actionsPerMinute
           << "&controls=" << stats.controls << "&drops=" << stats.drops
           << "&rotates=" << stats.rotates;
    for (int32_t i = 0; i < 3; i++)
        record << "&pup" << i + 1 << "earned=" << stats.powerupsEarned[i];
    for (int32_t i = 0; i < 3; i++) record << "&pup" << i + 1 << "used=" << stats.powerupsUsed[i];
    record << "&kills=" << stats.kills;
    if (forScore) record << "&performance=" << stats.performance;
    return record.str();
}

static std::string accountFields() {
    return "&sessionhash=" + sessionhash + "&userid=" + userId +
           "&passwordHash=" + md5Hex(loginPassword);
}

void queueDeathReport(const LevelStatistics& stats) {
    queueRequest("death.php?" + statisticsRecord(stats, false) + accountFields(), &deathReply,
                 DeathRequest, shortRequestSeconds);
}

void queueScoreReport(const LevelStatistics& stats) {
    queueRequest("score.php?" + statisticsRecord(stats, true) + accountFields(), &scoreReply,
                 ScoreRequest, shortRequestSeconds);
    scorePending = true;
    scoreAnswered = false;
    unlockPopups.clear();
    rankAfter = skillBefore = skillAfter = -1;
}

void queueHighscoreRequest(int32_t gameMode, int32_t level) {
    std::string url = "highscore.php?gamemode=" + std::to_string(gameMode) +
                      "&level=" + std::to_string(level) + "&username=" + Username +
                      "&userid=" + userId;
    queueRequest(url, &highscoreReply, HighscoreRequest, shortRequestSeconds);
    highscorePending = true;
    highscoreAnswered = false;
    personalBest = perfReference = perfSpread = rankBefore = -1;
}

void handleHighscoreReply(int32_t result) {
    if (result == 0 && !highscoreReply.empty()) highscoreAnswered = true;
}

void handleScoreReply(int32_t result) {
    if (result == 0 && !scoreReply.empty()) scoreAnswered = true;
}

void handleRankingReply(int32_t) {}
