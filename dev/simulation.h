// Headless runs of whole levels and runs: the bot plays at a fixed step and
// seed through the same input handlers, update and shot step as the game,
// with no window and no GL.
#pragma once

#include <cstdint>
#include <vector>

#include "base/vector_math.h"
#include "dev/bot.h"

struct SimulationSetup {
    int32_t mode = 1;           // GameModeValue
    int32_t level = 1;          // Classic level 1..10; ignored by the other modes
    uint32_t seed = 1;          // srand and the bot's own random numbers
    float stepMs = 16.0f;       // every frame's dt
    float stepJitterMs = 0.0f;  // each dt varies by up to this much either way, as measured ones do
    bool tutorials = false;     // the tutorial cards come up (the bot closes them)
    void (*afterFrame)() = nullptr;  // called after every frame (tests sample the rules' state)
    BotSkill skill = skilledBot;
    int32_t controlScheme = 0;
    float maxMs = 20 * 60 * 1000.0f;  // a run still going after this counts as never ending
    std::vector<Vec3> blocks;         // a level built in memory; empty = the level file
};

struct SimulationResult {
    bool cleared = false;   // Classic, Rush: the mass was cleared; Meditation: all 100 shots
    bool lost = false;      // the meter passed its limit
    bool timedOut = false;  // neither within maxMs
    float timeMs = 0.0f;    // levelTimeMs at the end
    int32_t score = 0;
    int32_t stagesCleared = 0;  // Survival
    int32_t shots = 0;
    int64_t frames = 0;
};

// A profile that has seen every card, playing offline at a fixed window
// size, in the Game screen with the buttons up and the mouse at the centre.
void prepareSimulatedWorld(const SimulationSetup& setup);
SimulationResult runSimulation(const SimulationSetup& setup);
