#include "protocol/level_statistics.h"

#include <sstream>

// The score carries whole seconds, the death report the exact time.
static std::string playTimeField(float timeMs, bool forScore) {
    if (forScore) return std::to_string(static_cast<int32_t>(timeMs) / 1000);
    std::ostringstream text;
    text << timeMs / 1000;
    return text.str();
}

std::string statisticsRecord(const LevelStatistics& stats, bool forScore) {
    std::ostringstream record;
    record << "gamemode=" << stats.gameMode << "&level=" << stats.level << "&score=" << stats.score
           << "&time=" << playTimeField(stats.timeMs, forScore) << "&apm=" << stats.actionsPerMinute
           << "&controls=" << stats.controls << "&drops=" << stats.drops
           << "&rotates=" << stats.rotates;
    for (int32_t i = 0; i < 3; i++)
        record << "&pup" << i + 1 << "earned=" << stats.powerupsEarned[i];
    for (int32_t i = 0; i < 3; i++) record << "&pup" << i + 1 << "used=" << stats.powerupsUsed[i];
    record << "&kills=" << stats.kills;
    if (forScore) record << "&performance=" << stats.performance;
    return record.str();
}
