// The achievement table, its submission and synchronisation arrive with the
// scores and rankings; until then an unlock is remembered, not sent.
#include "online/achievements.h"

std::vector<std::string> unlockRequests;
std::vector<int32_t> unlockPopups;

void unlockAchievement(const std::string& key) {
    for (const std::string& done : unlockRequests)
        if (done == key) return;
    unlockRequests.push_back(key);
}

void trackCheeveWait(float) {}
