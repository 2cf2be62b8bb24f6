#include "game/server_link.h"

#include "base/console_log.h"

int32_t connectionMode = ConnectionOnline;
std::string sessionhash;
bool scoreAnswered = false;
int32_t personalBest = -1;
int32_t perfReference = -1;
int32_t perfSpread = -1;
float highscoreWaitMs = 0.0f;
float cheeveWaitMs = 0.0f;
std::vector<UnlockPopup> unlockPopups;

bool connectionPrompt = false;
bool promptConnected = false;
bool offlineWarning = false;
float promptClock = 0.0f;

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
    if (!connectionPrompt || promptConnected) return;
    promptConnected = true;
    logConsole("The server answers again: the connection prompt says Connected!");
}
