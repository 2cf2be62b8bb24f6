// The achievement table, its submission and synchronisation arrive with the
// scores and rankings; until then an unlock is remembered, not sent.
#include "online/achievements.h"

#include "online/requests.h"

std::vector<std::string> unlockRequests;
std::vector<int32_t> unlockPopups;
std::string cheeveReply;
std::string syncCheevesReply;

void unlockAchievement(const std::string& key) {
    for (const std::string& done : unlockRequests)
        if (done == key) return;
    unlockRequests.push_back(key);
}

void trackCheeveWait(float) {}

void startCheeveSync(const std::string& userId, const std::string& passwordDigest) {
    syncCheevesReply.clear();
    queueRequest("sync_cheeves.php?userid=" + userId + "&passwordHash=" + passwordDigest,
                 &syncCheevesReply, SyncCheevesRequest, shortRequestSeconds);
}

void handleCheeveReply(int32_t) {}
void handleSyncCheevesReply(int32_t) {}
