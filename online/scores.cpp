#include "online/scores.h"

#include <cstdlib>
#include <sstream>

#include "game/server_link.h"
#include "online/account.h"
#include "online/achievements.h"
#include "online/replay_upload.h"
#include "online/requests.h"
#include "online/seeds.h"
#include "online/unsent_results.h"
#include "protocol/encodings.h"
#include "settings/settings.h"

std::string highscoreReply, deathReply, scoreReply;
bool highscorePending = false, highscoreAnswered = false;
bool scorePending = false;
int32_t rankBefore = -1, rankAfter = -1, skillBefore = -1, skillAfter = -1;

// Tokens from this one on of a score reply are granted achievements.
static constexpr size_t firstGrantToken = 8;

void queueDeathReport(const LevelStatistics& stats) {
    deathReply.clear();
    queueRequest("death.php?" + statisticsRecord(stats, false) + accountFields(), &deathReply,
                 DeathRequest, shortRequestSeconds);
}

void queueScoreReport(const LevelStatistics& stats) {
    scoreReply.clear();
    oweReplay(stats.gameMode, stats.level, stats.score);
    scorePending = true;
    serverLink.scoreAnswered = false;
    scoreAwaitingReply = true;
    serverLink.unlockPopups.clear();
    rankAfter = skillBefore = skillAfter = -1;
    // Kept until the server has it, and sent from there.
    keepPlayedResult(stats, {&scoreReply, &scorePending});
}

void queueHighscoreRequest(int32_t gameMode, int32_t level) {
    std::string url = "highscore.php?gamemode=" + std::to_string(gameMode) +
                      "&level=" + std::to_string(level) + "&username=" + Username +
                      "&userid=" + userId;
    highscoreReply.clear();
    queueRequest(url, &highscoreReply, HighscoreRequest, shortRequestSeconds);
    highscorePending = true;
    highscoreAnswered = false;
    serverLink.highscoreWaitMs = 0;
    serverLink.personalBest = serverLink.perfReference = serverLink.perfSpread = rankBefore = -1;
}

void trackHighscoreWait(float dtMs) {
    if (highscorePending && !highscoreAnswered) serverLink.highscoreWaitMs += dtMs;
}

static int32_t tokenValue(const std::vector<std::string>& tokens, size_t index) {
    return atoi(tokens[index].c_str());
}

// The opening both replies share: a failed transfer clears both flags and
// "fail" only answers; true for a real reply, which answers too.
static bool realReply(int32_t result, const std::string& reply, bool& pending, bool& answered) {
    if (result != 0) {
        pending = answered = false;
        return false;
    }
    if (reply == "fail") {
        answered = true;
        return false;
    }
    if (reply.empty()) return false;
    answered = true;
    noteServerReply();
    return true;
}

void handleHighscoreReply(int32_t result) {
    if (!realReply(result, highscoreReply, highscorePending, highscoreAnswered)) return;
    serverLink.highscoreWaitMs = 0;
    std::vector<std::string> tokens = splitTokens(highscoreReply, ' ');
    if (tokens.size() < highscoreTokensNeeded) return;
    serverLink.personalBest = tokenValue(tokens, 1);
    serverLink.perfReference = tokenValue(tokens, 2);
    serverLink.perfSpread = tokenValue(tokens, 3);
    rankBefore = tokenValue(tokens, 4);
}

void handleScoreReply(int32_t result) {
    if (!realReply(result, scoreReply, scorePending, serverLink.scoreAnswered)) return;
    std::vector<std::string> tokens = splitTokens(scoreReply, ' ');
    if (tokens.size() < scoreTokensNeeded) return;
    rankAfter = tokenValue(tokens, 5);
    skillBefore = tokenValue(tokens, 6);
    skillAfter = tokenValue(tokens, 7);
    for (size_t i = firstGrantToken; i < tokens.size(); i++)
        grantAchievement(tokenValue(tokens, i));
}

static void advanceServerWaits(float dtMs) {
    trackHighscoreWait(dtMs);
    trackCheeveWait(dtMs);
    advanceBannerClock(dtMs);
}

void connectPlayRequests() {
    playRequests.highscore = queueHighscoreRequest;
    playRequests.score = queueScoreReport;
    playRequests.death = queueDeathReport;
    playRequests.achievement = unlockAchievement;
    playRequests.serverClocks = advanceServerWaits;
    playRequests.issuedSeed = takeSeed;
}
