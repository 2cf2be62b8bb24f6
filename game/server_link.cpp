#include "game/server_link.h"

#include "base/console_log.h"

ServerLinkState serverLink;

PlayRequests playRequests = {};

void earnAchievement(const std::string& key) {
    if (playRequests.achievement) playRequests.achievement(key);
}

void requestHighscore(int32_t gameMode, int32_t level) {
    if (playRequests.highscore) playRequests.highscore(gameMode, level);
}

void reportScore(const LevelStatistics& stats) {
    if (playRequests.score) playRequests.score(stats);
}

void reportDeath(const LevelStatistics& stats) {
    if (playRequests.death) playRequests.death(stats);
}

void advanceServerClocks(float dtMs) {
    if (playRequests.serverClocks) playRequests.serverClocks(dtMs);
}

bool takeIssuedSeed(uint32_t& seed) {
    return playRequests.issuedSeed && playRequests.issuedSeed(seed);
}

void noteServerReply() {
    if (!serverLink.connectionPrompt || serverLink.promptConnected) return;
    serverLink.promptConnected = true;
    logConsole("The server answers again: the connection prompt says Connected!");
}
