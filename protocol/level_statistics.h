// One level's statistics as the game reports them and the server reads them.
#pragma once

#include <cstdint>
#include <string>

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

// "gamemode=..." up to "kills=..." (and "&performance=..." for score.php).
std::string statisticsRecord(const LevelStatistics& stats, bool forScore);
