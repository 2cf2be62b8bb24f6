#include "dev/simulation.h"

#include <cstdlib>

#include "engine/camera.h"
#include "game/level_file.h"
#include "game/meter.h"
#include "game/modes.h"
#include "game/play.h"
#include "game/tutorials.h"
#include "online/account.h"
#include "platform/input_state.h"
#include "settings/settings.h"
#include "shell/game_state.h"
#include "shell/input.h"
#include "shell/pointer.h"

static constexpr int32_t simulatedWidth = 1280;
static constexpr int32_t simulatedHeight = 720;

static std::vector<Vec3> inMemoryLevel;

static std::vector<Vec3> readInMemoryLevel(int32_t) {
    return inMemoryLevel;
}

void prepareSimulatedWorld(const SimulationSetup& setup) {
    ScreenWidth = simulatedWidth;
    ScreenHeight = simulatedHeight;
    controls = setup.controlScheme;
    connectionMode = ConnectionOffline;
    for (int32_t card = 0; card < tutorialCardCount; card++) tutorialSeenFlag(card) = 1;
    GameState = Game;
    paused = tutorialShowing = false;
    leftDown = rightDown = false;
    holdTime = rightHoldTime = 0;
    onMouseMove(simulatedWidth / 2, simulatedHeight / 2);
    cameraLoadsGL = false;
}

static void startSimulatedLevel(const SimulationSetup& setup) {
    srand(setup.seed);
    botSkill = setup.skill;
    resetBot(setup.seed);
    gameMode = setup.mode;
    bool classic = setup.mode >= ModeCasual && setup.mode <= ModeExpert;
    practiceMode = false;
    levelIndex = classic ? setup.level - 1 : 0;
    startLevel(classic ? 0 : 1);
}

// The outcome once the run has decided; false while it goes on. A loss is
// decided when the mass starts to blow apart; a clear or a run's end only
// when the game leaves the level for the score screen, after the wait.
static bool outcome(SimulationResult& result) {
    bool classicOrRush = isClassicMode() || gameMode == ModeRush;
    if (endSequence && levelOver && classicOrRush) {
        result.lost = true;
        return true;
    }
    if (GameState != GameToScoreScreen && GameState != GameToGrats) return false;
    result.cleared = classicOrRush || gameMode == ModeMeditation;
    result.lost = gameMode == ModeSurvival;
    return true;
}

SimulationResult runSimulation(const SimulationSetup& setup) {
    inMemoryLevel = setup.blocks;
    auto savedSource = levelSource;
    if (!setup.blocks.empty()) levelSource = readInMemoryLevel;
    prepareSimulatedWorld(setup);
    startSimulatedLevel(setup);
    SimulationResult result;
    float elapsed = 0.0f;
    while (!outcome(result)) {
        if (elapsed >= setup.maxMs) {
            result.timedOut = true;
            break;
        }
        botStep(setup.stepMs);
        updateHoldTimers(setup.stepMs);
        UpdateGame(setup.stepMs);
        runBlockPass();
        // As the main loop does: a key the bot pressed is up again next frame.
        platformReleaseInjectedKeys();
        elapsed += setup.stepMs;
        result.frames++;
    }
    levelSource = savedSource;
    result.timeMs = levelTimeMs;
    result.score = score;
    result.stagesCleared = stageNumber - 1;
    result.shots = botShots;
    return result;
}
