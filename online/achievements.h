// Achievements: the table of titles, descriptions and pictures, the flags of
// the logged-in account, the unlock and its submission to the server (sent
// again on every failed transfer), the synchronisation after login, and the
// popups the HUD shows for what the server granted.
//
// The unlocked flags are cleared at every successful login before the
// synchronisation; an unlock empties the popup list and restarts bannerClock.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "game/server_link.h"
#include "protocol/achievement_keys.h"

struct Achievement {
    std::string key;          // the identifier sent to the server
    std::string title;        // "Chain Reaction"
    std::string description;  // what earns it
    std::string icon;         // "achi-" + key + ".tga"
};

extern Achievement achievementTable[achievementCount + 1];  // filled at the intro; entry 0 none
extern bool unlockedAchievements[achievementCount + 1];     // the account holds it
extern std::string pendingCheeve;     // key of the last submission; "" once answered
extern bool cheeveAnswered;           // the last submission has its reply
extern float bannerClock;             // ms since the last unlock, advanced during play
extern std::string cheeveReply;       // reply buffer of client_cheeve.php
extern std::string syncCheevesReply;  // reply buffer of sync_cheeves.php

// Fills the titles, descriptions and picture names of the 27 achievements.
void fillAchievementTable();
// Unlocks the achievement of key for the account and tells the server; nothing
// happens offline, in practice, or for a key the account already holds.
void unlockAchievement(const std::string& key);
// Marks number (1..27) unlocked and queues its popup; other numbers are ignored.
void grantAchievement(int32_t number);
// Every frame of play: the submission's waiting time and the popups' clock.
void trackCheeveWait(float dtMs);
void advanceBannerClock(float dtMs);
// Queues sync_cheeves.php after a login into a cleared syncCheevesReply,
// with every unlocked flag cleared first.
void startCheeveSync(const std::string& userId, const std::string& passwordDigest);
// Kinds 6 and 7.
void handleCheeveReply(int32_t result);
void handleSyncCheevesReply(int32_t result);
