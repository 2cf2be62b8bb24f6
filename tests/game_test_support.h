// Shared set-up for the gameplay tests: a clean level state, a mass built
// from a short text picture of blocks, and frames run like the main loop.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "base/game_state.h"
#include "dev/simulation.h"
#include "game/blocks.h"
#include "game/camera.h"
#include "game/level_file.h"
#include "game/matching.h"
#include "game/meter.h"
#include "game/modes.h"
#include "game/play.h"
#include "game/powerups.h"
#include "game/server_link.h"
#include "game/tutorials.h"
#include "online/account.h"
#include "online/achievements.h"
#include "online/requests.h"
#include "online/scores.h"
#include "protocol/encodings.h"
#include "screens/game_view.h"
#include "settings/settings.h"
#include "shell/input.h"
#include "shell/play_keys.h"
#include "sound/sound.h"

namespace gametest {

inline std::vector<SoundRequest> recordedSounds;

inline void recordSound(const SoundRequest& request) {
    recordedSounds.push_back(request);
}

inline std::vector<Vec3> noLevelBlocks(int32_t) {
    return {};
}

// An empty Classic level, offline, with every tutorial card already seen.
inline void resetWorld(int32_t mode = ModeNormal) {
    prepareSimulatedWorld(SimulationSetup{});
    // The tests place the mouse themselves; at the corner it aims at nothing.
    mouseX = mouseY = 0;
    levelSource = noLevelBlocks;
    modeState.gameMode = mode;
    modeState.practiceMode = false;
    startLevel(1);
    requestLog.clear();
    // Requests are logged and sent to a port where nothing answers.
    if (!curlMulti) startHttp();
    secureBaseUrl = "http://127.0.0.1:1/secure.php?data=";
    std::fill(std::begin(unlockedAchievements), std::end(unlockedAchievements), false);
    serverLink.unlockPopups.clear();
    pendingCheeve.clear();
    serverLink.cheeveWaitMs = 0;
    soundRequestObserver = recordSound;
    recordedSounds.clear();
    serverLink.scoreAnswered = false;
}

// Online, so that play may unlock achievements (their requests go nowhere).
inline void goOnline() {
    serverLink.connectionMode = ConnectionOnline;
}

// The keys of every achievement unlocked since resetWorld, by number.
inline std::vector<std::string> unlockedKeys() {
    std::vector<std::string> keys;
    for (int32_t n = 1; n <= achievementCount; n++)
        if (unlockedAchievements[n]) keys.push_back(achievementKey(n));
    return keys;
}

// What resetWorld changed that other test files may rely on.
inline void restoreWorld() {
    soundRequestObserver = nullptr;
    levelSource = loadLevelFromArchive;
    serverLink.connectionMode = ConnectionOnline;
    GameState = Intro;
    settingsSavingOff = false;
}

inline int32_t colourOf(char c) {
    switch (c) {
        case 'y':
            return Yellow;
        case 'b':
            return Blue;
        case 'r':
            return Red;
        case 'o':
            return Orange;
        case 'p':
            return Pink;
        case 'w':
            return White;
        case 'g':
            return Green;
        default:
            return 0;
    }
}

// One block at rest in grid cell (x, y, z) of the settled mass; returns its slot.
inline int32_t placeBlock(int x, int y, int z, int32_t colour, bool settled = true) {
    int32_t slot = spawnBlock();
    Block& block = blockTable[slot];
    block.pos = block.prevPos = block.targetPos = {x * blockUnit, y * blockUnit, z * blockUnit};
    block.colour = colour;
    block.alive = block.landed = true;
    block.settled = settled;
    return slot;
}

// Rows of a picture run along +x, top row highest z; each picture is one
// layer of y (the first at y = 0). '.' leaves the cell empty.
inline void buildMass(const std::vector<std::vector<std::string>>& layers) {
    for (size_t y = 0; y < layers.size(); y++) {
        const std::vector<std::string>& rows = layers[y];
        for (size_t row = 0; row < rows.size(); row++) {
            int z = static_cast<int>(rows.size() - 1 - row);
            for (size_t x = 0; x < rows[row].size(); x++) {
                int32_t colour = colourOf(rows[row][x]);
                if (colour) placeBlock(static_cast<int>(x), static_cast<int>(y), z, colour);
            }
        }
    }
}

// One frame as the main loop runs it: hold timers, the update, the block pass.
inline void runFrames(int frames, float dtMs = 10.0f) {
    for (int i = 0; i < frames; i++) {
        updateHoldTimers(dtMs);
        playKeysHeld = heldPlayKeys();
        UpdateGame(dtMs);
        runBlockPass();
    }
}

inline int countSounds(const std::string& name) {
    int n = 0;
    for (const SoundRequest& request : recordedSounds) n += request.name == name ? 1 : 0;
    return n;
}

}  // namespace gametest
