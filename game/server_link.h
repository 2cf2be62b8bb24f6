// What the rules share with the online client, which lies above them: the
// connection and the replies they read, the waits that raise the server
// prompt, the achievement popups that hold the player on a result, and the
// requests they make. online/ writes the values and installs the requests at
// start-up; a headless run (the server's checker, the balance bench) installs
// nothing and plays offline.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/level_statistics.h"

enum ConnectionModeValue : int32_t { ConnectionOnline = 0, ConnectionOffline = 99 };

struct UnlockPopup {
    int32_t number;  // 1..27
    bool sounded;    // "cheeve6.ogg" has played for it
};

extern int32_t connectionMode;   // 0 online, 99 offline
extern std::string sessionhash;  // id of the current run of games, made when a game type is chosen
extern bool scoreAnswered;       // the score submission has its reply
extern int32_t personalBest;     // best score of this mode and level; -1 until known
extern int32_t perfReference;    // centre of the rating bands; used only above 0
extern int32_t perfSpread;       // width of one band; used only above 0
extern float highscoreWaitMs;    // ms the highscore request has waited unanswered
extern float cheeveWaitMs;       // ms the achievement submission has waited, while unanswered
extern std::vector<UnlockPopup> unlockPopups;  // achievement popups to show, in order

extern bool connectionPrompt;  // the server-wait prompt is up
extern bool promptConnected;   // a reply arrived while the prompt was up
extern bool offlineWarning;    // the prompt shows the offline warning
extern float promptClock;      // ms, wraps from above 4000 back by 4000 while paused

// A request unanswered this long raises the prompt.
constexpr float serverWaitLimitMs = 10000.0f;

// The requests of the play loop; each may be null (nothing is sent).
struct PlayRequests {
    void (*highscore)(int32_t gameMode, int32_t level);  // highscore.php at a level's start
    void (*score)(const LevelStatistics& stats);         // score.php of a finished level
    void (*death)(const LevelStatistics& stats);         // death.php of a lost one
    void (*achievement)(const std::string& key);         // an achievement earned in play
    void (*serverClocks)(float dtMs);                    // the waits advance with play
    bool (*issuedSeed)(uint32_t& seed);  // a ranked level's seed; false: none at hand
};
extern PlayRequests playRequests;

// The requests as the play loop makes them: nothing happens where none is installed.
void earnAchievement(const std::string& key);
void requestHighscore(int32_t gameMode, int32_t level);
void reportScore(const LevelStatistics& stats);
void reportDeath(const LevelStatistics& stats);
void advanceServerClocks(float dtMs);
// A seed the server issued for a ranked level; false when none is at hand.
bool takeIssuedSeed(uint32_t& seed);

// A highscore, score or achievement reply has come: a prompt that is up
// offers to resume.
void noteServerReply();
