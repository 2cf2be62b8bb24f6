#include "game/unbuilt_services.h"

#include "settings/settings.h"

std::vector<QueuedRequest> queuedRequests;
std::string highscoreReply, deathReply, scoreReply;
bool highscorePending = false, highscoreAnswered = false;
bool scorePending = false, scoreAnswered = false;
int32_t personalBest = -1, perfReference = -1, perfSpread = -1;
int32_t rankBefore = -1, rankAfter = -1, skillBefore = -1, skillAfter = -1;
std::vector<std::string> unlockRequests;
std::vector<int32_t> unlockPopups;
std::string sessionhash;
bool connectionPrompt = false;
int32_t musicSilenced = 0;

static constexpr float hudFontShareOfHeight = 0.05f;

// No transfer is made: the request is only remembered.
void queueRequest(const std::string& url, std::string* reply, int32_t kind,
                  int32_t timeoutSeconds) {
    if (reply) reply->clear();
    queuedRequests.push_back({url, kind, timeoutSeconds});
}

// Like the real service, a key already unlocked is not sent again.
void unlockAchievement(const std::string& key) {
    for (const std::string& done : unlockRequests)
        if (done == key) return;
    unlockRequests.push_back(key);
}

void trackCheeveWait(float) {}

void silenceMusicLoops() {
    musicSilenced++;
}

float hudFontHeight() {
    return static_cast<float>(ScreenHeight) * hudFontShareOfHeight;
}


