#include "dev/simulation.h"

#include <cmath>
#include <cstdlib>

#include "base/game_state.h"
#include "base/pointer.h"
#include "game/camera.h"
#include "game/level_file.h"
#include "game/meter.h"
#include "game/modes.h"
#include "game/play.h"
#include "game/replay_recorder.h"
#include "game/tutorials.h"
#include "online/account.h"
#include "platform/input_state.h"
#include "protocol/replay.h"
#include "screens/pause.h"
#include "settings/settings.h"
#include "shell/input.h"
#include "shell/play_keys.h"

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
    serverLink.connectionMode = ConnectionOffline;
    for (int32_t card = 0; card < tutorialCardCount; card++)
        tutorialSeenFlag(card) = setup.tutorials ? 0 : 1;
    GameState = Game;
    play.paused = play.tutorialShowing = false;
    leftDown = rightDown = false;
    holdTime = rightHoldTime = 0;
    onMouseMove(simulatedWidth / 2, simulatedHeight / 2);
}

static void startSimulatedLevel(const SimulationSetup& setup) {
    srand(setup.seed);
    botSkill = setup.skill;
    resetBot(setup.seed);
    modeState.gameMode = setup.mode;
    bool classic = setup.mode >= ModeCasual && setup.mode <= ModeExpert;
    modeState.practiceMode = false;
    modeState.levelIndex = classic ? setup.level - 1 : 0;
    startLevel(classic ? 0 : 1);
}

// The outcome once the run has decided; false while it goes on. A loss is
// decided when the mass starts to blow apart; a clear or a run's end only
// when the game leaves the level for the score screen, after the wait.
static bool outcome(SimulationResult& result) {
    bool classicOrRush = isClassicMode() || modeState.gameMode == ModeRush;
    if (meter.endSequence && meter.levelOver && classicOrRush) {
        result.lost = true;
        return true;
    }
    if (GameState != GameToScoreScreen && GameState != GameToGrats) return false;
    result.cleared = classicOrRush || modeState.gameMode == ModeMeditation;
    result.lost = modeState.gameMode == ModeSurvival;
    return true;
}

// The frame time: the step, moved by a jitter drawn from a generator of its
// own (the rules' and the bot's draws stay as they are).
static float frameStep(const SimulationSetup& setup, uint32_t& jitterState) {
    if (setup.stepJitterMs <= 0.0f) return setup.stepMs;
    jitterState = jitterState * 1103515245u + 12345u;
    float unit = static_cast<float>((jitterState >> 8) & 0xFFFF) / 65535.0f;
    // On the microsecond grid the game's own clock gives.
    float step = setup.stepMs + (unit * 2.0f - 1.0f) * setup.stepJitterMs;
    return frameMsFromMicros(std::llround(static_cast<double>(step) * 1000.0));
}

SimulationResult runSimulation(const SimulationSetup& setup) {
    inMemoryLevel = setup.blocks;
    auto savedSource = levelSource;
    if (!setup.blocks.empty()) levelSource = readInMemoryLevel;
    prepareSimulatedWorld(setup);
    // The cards the bot sees are not the player's: nothing is saved meanwhile.
    bool savedSavingOff = settingsSavingOff;
    settingsSavingOff = true;
    startSimulatedLevel(setup);
    SimulationResult result;
    float elapsed = 0.0f;
    uint32_t jitterState = setup.seed;
    while (!outcome(result)) {
        float step = frameStep(setup, jitterState);
        if (elapsed >= setup.maxMs) {
            result.timedOut = true;
            break;
        }
        botStep(step);
        updateHoldTimers(step);
        // As the game's screen does: the play loop, then the pause overlay.
        playKeysHeld = heldPlayKeys();
        UpdateGame(step);
        if (GameState == Game) updatePause(step);
        runBlockPass();
        // As the main loop does: a key the bot pressed is up again next frame.
        platformReleaseInjectedKeys();
        endReplayFrame();
        if (setup.afterFrame) setup.afterFrame();
        elapsed += step;
        result.frames++;
    }
    levelSource = savedSource;
    settingsSavingOff = savedSavingOff;
    // The attempt ends here whatever the game would show next.
    finishReplayRecording();
    result.timeMs = modeState.levelTimeMs;
    result.score = modeState.score;
    result.stagesCleared = modeState.stageNumber - 1;
    result.shots = botShots;
    return result;
}
