// Score traffic: the highscore request at the start of a level, the death
// report and the score submission, and the values their replies fill. The
// play loop hands over a plain statistics record; nothing here knows the
// rules of play. A new request resets the values its reply fills; they live
// until the next game's requests, and the score screen reads them.
#pragma once

#include <cstdint>
#include <string>

// One level's statistics as the server receives them.
struct LevelStatistics {
    int32_t gameMode;
    int32_t level;  // 1-based
    int32_t score;
    float timeMs;  // real time of play
    int32_t actionsPerMinute;
    int32_t controls;
    int32_t drops;
    int32_t rotates;
    int32_t powerupsEarned[3];
    int32_t powerupsUsed[3];
    int32_t kills;
    int32_t performance;  // sent with the score only
};

extern std::string highscoreReply, deathReply, scoreReply;  // reply buffers
extern bool highscorePending, highscoreAnswered;            // highscore request queued / answered
extern bool scorePending, scoreAnswered;                    // score submission queued / answered
extern int32_t personalBest;   // best score of this mode and level; -1 until known
extern int32_t perfReference;  // centre of the rating bands; used only above 0
extern int32_t perfSpread;     // width of one band; used only above 0
extern int32_t rankBefore, rankAfter, skillBefore, skillAfter;  // -1 until known
extern float highscoreWaitMs;  // ms the highscore request has waited unanswered

// Replies carry the rank and skillpoints from these tokens on.
constexpr size_t highscoreTokensNeeded = 5;
constexpr size_t scoreTokensNeeded = 8;

// "gamemode=..." up to "kills=..." (and "&performance=..." for score.php).
std::string statisticsRecord(const LevelStatistics& stats, bool forScore);
// "&sessionhash=...&userid=...&passwordHash=...": the account fields score.php ends with.
std::string accountFields();
void queueDeathReport(const LevelStatistics& stats);
void queueScoreReport(const LevelStatistics& stats);
void queueHighscoreRequest(int32_t gameMode, int32_t level);

// Every frame of play: the highscore request's waiting time while unanswered.
void trackHighscoreWait(float dtMs);
// Kinds 2 and 4: the values above; a score reply may grant achievements.
void handleHighscoreReply(int32_t result);
void handleScoreReply(int32_t result);
