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

// What the online client tells the rules and the waits they keep for it.
struct ServerLinkState {
    int32_t connectionMode = ConnectionOnline;  // 0 online, 99 offline
    std::string sessionhash;     // id of the current run of games, made when a game type is chosen
    bool scoreAnswered = false;  // the score submission has its reply
    int32_t personalBest = -1;   // best score of this mode and level; -1 until known
    int32_t perfReference = -1;  // centre of the rating bands; used only above 0
    int32_t perfSpread = -1;     // width of one band; used only above 0
    float highscoreWaitMs = 0.0f;  // ms the highscore request has waited unanswered
    float cheeveWaitMs = 0.0f;     // ms the achievement submission has waited, while unanswered
    std::vector<UnlockPopup> unlockPopups;  // achievement popups to show, in order
    bool connectionPrompt = false;          // the server-wait prompt is up
    bool promptConnected = false;           // a reply arrived while the prompt was up
    bool offlineWarning = false;            // the prompt shows the offline warning
    float promptClock = 0.0f;               // ms, wraps from above 4000 back by 4000 while paused
};
extern ServerLinkState serverLink;

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
