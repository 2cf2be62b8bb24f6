// Minimal versions of services the play loop calls before they are built:
// the request queue and the score values it fills, achievement unlocks and
// their popups, the session hash, the connection prompt, the music loops,
// the particle renderer and the font height. Each only records or holds what
// the play loop gives it, so tests can read the calls back. The real
// subsystems replace this file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// ---- request queue ----

enum RequestKindValue : int32_t { HighscoreRequest = 2, DeathRequest = 3, ScoreRequest = 4 };

struct QueuedRequest {
    std::string url;  // the plain relative request
    int32_t kind;
    int32_t timeoutSeconds;
};
extern std::vector<QueuedRequest> queuedRequests;  // every queued request, oldest first

void queueRequest(const std::string& url, std::string* reply, int32_t kind, int32_t timeoutSeconds);

extern std::string highscoreReply, deathReply, scoreReply;  // reply buffers
extern bool highscorePending, highscoreAnswered;            // highscore request queued / answered
extern bool scorePending, scoreAnswered;                    // score submission queued / answered
extern int32_t personalBest;   // best score of this mode and level; -1 until known
extern int32_t perfReference;  // centre of the rating bands; used only above 0
extern int32_t perfSpread;     // width of one band; used only above 0
extern int32_t rankBefore, rankAfter, skillBefore, skillAfter;  // -1 until known

// ---- achievements ----

extern std::vector<std::string> unlockRequests;  // keys passed to unlockAchievement, in order
extern std::vector<int32_t> unlockPopups;        // popups of newly earned achievements
void unlockAchievement(const std::string& key);
void trackCheeveWait(float dtMs);

// ---- menus, pause overlay and music ----

extern std::string sessionhash;  // id of the current run of games
extern bool connectionPrompt;    // the server-wait prompt is up
extern int32_t musicSilenced;    // times the music loops were set to volume 0
void silenceMusicLoops();

// ---- game view ----

// Height of bigFont in pixels, for placing the HUD's floating messages.
float hudFontHeight();
