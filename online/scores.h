// Score traffic: the highscore request at the start of a level, the death
// report and the score submission, and the values their replies fill. The
// play loop hands over a plain statistics record; nothing here knows the
// rules of play. A new request resets the values its reply fills.
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
extern std::string rankingReply;                  // reply buffer of world_ranking_staggered.php
extern bool highscorePending, highscoreAnswered;  // highscore request queued / answered
extern bool scorePending, scoreAnswered;          // score submission queued / answered
extern int32_t personalBest;   // best score of this mode and level; -1 until known
extern int32_t perfReference;  // centre of the rating bands; used only above 0
extern int32_t perfSpread;     // width of one band; used only above 0
extern int32_t rankBefore, rankAfter, skillBefore, skillAfter;  // -1 until known

// "gamemode=..." up to "kills=..." (and "&performance=..." for score.php).
std::string statisticsRecord(const LevelStatistics& stats, bool forScore);
void queueDeathReport(const LevelStatistics& stats);
void queueScoreReport(const LevelStatistics& stats);
void queueHighscoreRequest(int32_t gameMode, int32_t level);

// Kinds 2, 4 and 9. The rank, skillpoint and ranking rules arrive with the
// score screens; until then a reply is kept in its buffer and a non-empty
// one marks its request answered.
void handleHighscoreReply(int32_t result);
void handleScoreReply(int32_t result);
void handleRankingReply(int32_t result);
