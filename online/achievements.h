// Achievements earned in play: the unlock requests and the popups of newly
// earned ones that the level-complete panel shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

extern std::vector<std::string> unlockRequests;  // keys unlocked this run, in order
extern std::vector<int32_t> unlockPopups;        // popups of newly earned achievements

// Unlocks the achievement of key; a key already unlocked is not sent again.
void unlockAchievement(const std::string& key);
// Advances the wait for the achievement synchronisation.
void trackCheeveWait(float dtMs);
