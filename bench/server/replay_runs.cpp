#include "bench/server/replay_runs.h"

#include <map>
#include <vector>

#include "archive/asset_archive.h"
#include "base/console_log.h"
#include "dev/simulation.h"
#include "game/level_file.h"
#include "game/modes.h"
#include "game/replay_playback.h"
#include "game/replay_recorder.h"

namespace {

Replay lastReplay;

void keepReplay(const Replay& replay) {
    lastReplay = replay;
}

std::vector<Vec3> cachedLevel(int32_t fileNumber) {
    static std::map<int32_t, std::vector<Vec3>> levels;
    auto found = levels.find(fileNumber);
    if (found != levels.end()) return found->second;
    return levels[fileNumber] = loadLevelFromArchive(fileNumber);
}

// The level a result of the mode names: Rush and Survival play one level file each.
int32_t claimedLevel(int32_t mode, int32_t classicLevel) {
    if (mode == ModeRush) return rushLevelIndex + 1;
    if (mode == ModeSurvival) return survivalLevelIndex + 1;
    return mode <= ModeExpert ? classicLevel : 1;
}

}  // namespace

void prepareRecording(const std::string& archive) {
    logDirectory = "/tmp";
    assetArchivePath = archive;
    openAssetArchive();
    levelSource = cachedLevel;
    recorder.enabled = true;
    replayFinishedHook = keepReplay;
}

RecordedReplay recordRun(int n, int64_t levelSeed) {
    static const int32_t modes[] = {ModeCasual, ModeNormal,   ModeExpert,
                                    ModeRush,   ModeSurvival, ModeMeditation};
    SimulationSetup setup;
    setup.mode = modes[n % 6];
    setup.level = 1 + (n / 6) % 10;
    setup.seed = static_cast<uint32_t>(500 + n);
    setup.stepMs = 16.6667f;
    setup.stepJitterMs = 2.0f;
    setup.maxMs = 3 * 60 * 1000.0f;
    modeState.forcedLevelSeed = levelSeed;
    lastReplay = Replay();
    runSimulation(setup);
    modeState.forcedLevelSeed = -1;
    return {encodeReplay(lastReplay), setup.mode, claimedLevel(setup.mode, setup.level),
            lastReplay.result.score, replayPlayedMs(lastReplay)};
}
