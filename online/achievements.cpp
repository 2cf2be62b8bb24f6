#include "online/achievements.h"

#include <algorithm>
#include <cstdlib>

#include "game/modes.h"
#include "game/server_link.h"
#include "online/identity.h"
#include "online/requests.h"
#include "protocol/encodings.h"
#include "settings/settings.h"

Achievement achievementTable[achievementCount + 1];
bool unlockedAchievements[achievementCount + 1] = {};
std::string pendingCheeve;
bool cheeveAnswered = false;
float bannerClock = 0.0f;
std::string cheeveReply;
std::string syncCheevesReply;

struct AchievementText {
    const char* title;
    const char* description;
};

static const AchievementText achievementTexts[achievementCount + 1] = {
    {"", ""},
    {"Lightheaded", "Spin the mass 300 times in 10 seconds"},
    {"Chain Reaction", "Create a 13x combo in any game mode"},
    {"Personal Growth", "Beat your personal best score in classic mode"},
    {"Epic", "Get an epic performance rating in any game mode"},
    {"Legendary", "Reach rank 1 in the overall leaderboard"},
    {"Zentrix", "Unlock all achievements"},
    {"Mass Addict", "Play for 100 hours"},
    {"Learned To Play", "Complete classic mode on casual difficulty"},
    {"Zentric Pro", "Complete classic mode on normal difficulty"},
    {"Zentric Master", "Complete classic mode on normal difficulty in under 20 minutes"},
    {"Zentric Expert", "Complete classic mode on expert difficulty"},
    {"Zentrically Insane", "Complete classic mode on expert difficulty in under 20 minutes"},
    {"Hold Still", "Complete classic mode on normal difficulty or higher without using rotation"},
    {"Quick Save", "Use a fusion pulse above 90% zentrix on normal difficulty or higher"},
    {"Ambidextrous",
     "Complete classic mode on normal difficulty using both normal & reversed controls"},
    {"Elitist",
     "Complete classic mode on normal difficulty or higher without using timewarp & fusion "
     "pulse"},
    {"Beta Tester", "Complete classic mode on casual, normal & expert"},
    {"Classically Trained", "Reach rank 1 in classic mode on normal difficulty or higher"},
    {"Brisko", "Average actions per minute 80+ in rush mode"},
    {"Killstreak", "5 combos within 10 seconds in rush mode"},
    {"Button Masher", "Reach rank 1 in rush mode"},
    {"Zen Master", "Build a 16x combo in meditation mode"},
    {"Into The Void", "Finish meditation mode with a score of zero"},
    {"Enlightenment", "Reach rank 1 in meditation mode"},
    {"Survivalist", "Survive for 5 minutes in survival mode"},
    {"You've Got Red On You", "Survive at 80% zentrix for 10 seconds in survival mode"},
    {"Last Man Standing", "Reach rank 1 in survival mode"},
};

void fillAchievementTable() {
    for (int32_t n = 1; n <= achievementCount; n++) {
        Achievement& entry = achievementTable[n];
        entry.key = achievementKey(n);
        entry.title = achievementTexts[n].title;
        entry.description = achievementTexts[n].description;
        entry.icon = "achi-" + entry.key + ".tga";
    }
}

static std::string accountQuery() {
    return "userid=" + userId + "&passwordHash=" + md5Hex(loginPassword);
}

static bool unlocksWithheld() {
    return serverLink.connectionMode == ConnectionOffline || modeState.practiceMode;
}

void unlockAchievement(const std::string& key) {
    if (unlocksWithheld()) return;
    int32_t n = achievementNumber(key);
    if (n == 0 || unlockedAchievements[n]) return;
    pendingCheeve = key;
    cheeveReply.clear();
    cheeveAnswered = false;
    queueRequest("client_cheeve.php?" + accountQuery() + "&cheeve=" + key, &cheeveReply,
                 CheeveRequest, shortRequestSeconds);
    unlockedAchievements[n] = true;
    // The popup comes with the server's reply, which lists what it granted.
    serverLink.unlockPopups.clear();
    bannerClock = 0;
}

void grantAchievement(int32_t number) {
    if (number < 1 || number > achievementCount) return;
    unlockedAchievements[number] = true;
    serverLink.unlockPopups.push_back({number, false});
}

// The record of the submission still waiting, if the log holds it.
static const HttpRequest* pendingSubmission() {
    std::string url = "client_cheeve.php?" + accountQuery() + "&cheeve=" + pendingCheeve;
    for (const HttpRequest& request : requestLog)
        if (request.url == url) return &request;
    return nullptr;
}

void trackCheeveWait(float dtMs) {
    if (cheeveAnswered || pendingCheeve.empty()) return;
    const HttpRequest* request = pendingSubmission();
    if (request && !request->done) serverLink.cheeveWaitMs += dtMs;
}

void advanceBannerClock(float dtMs) {
    bannerClock += dtMs;
}

void startCheeveSync(const std::string& userId, const std::string& passwordDigest) {
    syncCheevesReply.clear();
    std::fill(std::begin(unlockedAchievements), std::end(unlockedAchievements), false);
    queueRequest("sync_cheeves.php?userid=" + userId + "&passwordHash=" + passwordDigest,
                 &syncCheevesReply, SyncCheevesRequest, shortRequestSeconds);
}

// A failed transfer: the achievement is unlocked and submitted again at once.
static void resubmitPending() {
    std::string key = pendingCheeve;
    unlockedAchievements[achievementNumber(key)] = false;
    unlockAchievement(key);
}

void handleCheeveReply(int32_t result) {
    if (result != 0) {
        resubmitPending();
        return;
    }
    if (cheeveReply == "fail") {
        cheeveAnswered = true;
        return;
    }
    if (cheeveReply.empty()) return;
    serverLink.cheeveWaitMs = 0;
    cheeveAnswered = true;
    pendingCheeve.clear();
    noteServerReply();
    for (const std::string& token : splitTokens(cheeveReply, ' ')) {
        int32_t number = atoi(token.c_str());
        if (number > 0) grantAchievement(number);
    }
}

void handleSyncCheevesReply(int32_t result) {
    if (result != 0 || syncCheevesReply.empty() || syncCheevesReply == "fail") return;
    for (const std::string& token : splitTokens(syncCheevesReply, ' ')) {
        int32_t number = atoi(token.c_str());
        if (number >= 1 && number <= achievementCount) unlockedAchievements[number] = true;
    }
}
