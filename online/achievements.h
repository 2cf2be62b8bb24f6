// Achievements earned in play: the unlock requests and the popups of newly
// earned ones that the level-complete panel shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

extern std::vector<std::string> unlockRequests;  // keys unlocked this run, in order
extern std::vector<int32_t> unlockPopups;        // popups of newly earned achievements
extern std::string cheeveReply;                  // reply buffer of client_cheeve.php
extern std::string syncCheevesReply;             // reply buffer of sync_cheeves.php

// Unlocks the achievement of key; a key already unlocked is not sent again.
void unlockAchievement(const std::string& key);
// Advances the wait for the achievement synchronisation.
void trackCheeveWait(float dtMs);
// Queues sync_cheeves.php after a login into a cleared syncCheevesReply.
void startCheeveSync(const std::string& userId, const std::string& passwordDigest);
// Kinds 6 and 7. The submission and the unlocked table arrive with the
// achievements; until then a reply is only kept in its buffer.
void handleCheeveReply(int32_t result);
void handleSyncCheevesReply(int32_t result);
