#include "game/replay_recorder.h"

#include "base/game_state.h"
#include "base/player_settings.h"
#include "base/pointer.h"
#include "game/camera.h"
#include "game/level_end.h"
#include "game/modes.h"
#include "game/play_random.h"
#include "game/play_state.h"
#include "game/tutorials.h"

RecorderState recorder;
void (*replayFinishedHook)(const Replay& replay) = nullptr;
const char* replayGameVersion = "";

static_assert(int32_t{KeyBitEscape} == int32_t{PlayKeyEscape} &&
                  int32_t{KeyBitPowerup1} == int32_t{PlayKeyPowerup1} &&
                  int32_t{KeyBitPowerup2} == int32_t{PlayKeyPowerup2} &&
                  int32_t{KeyBitPowerup3} == int32_t{PlayKeyPowerup3},
              "a replay stores the play keys as the play loop reads them");

static uint32_t seenTutorials() {
    uint32_t bits = 0;
    for (int32_t card = 0; card < tutorialCardCount; card++)
        if (tutorialSeenFlag(card) != 0) bits |= 1u << card;
    return bits;
}

static int32_t cardUp() {
    for (int32_t card = 0; card < tutorialCardCount; card++)
        if (tutorialCards.showing[card]) return card;
    return -1;
}

static void captureSettings(ReplayHeader& h) {
    h.gameVersion = replayGameVersion;
    h.mode = modeState.gameMode;
    h.levelIndex = modeState.levelIndex;
    h.practice = modeState.practiceMode;
    h.seed = playStream.seed;
    h.controls = controls;
    h.screenWidth = ScreenWidth;
    h.screenHeight = ScreenHeight;
    h.viewWidth = camera.viewWidth;
    h.viewHeight = camera.viewHeight;
    h.tutorialsSeen = seenTutorials();
}

static void captureInput(ReplayHeader& h) {
    h.mouseX = mouseX;
    h.mouseY = mouseY;
    h.leftDown = leftDown;
    h.rightDown = rightDown;
    h.paused = play.paused;
    h.tutorialShowing = play.tutorialShowing;
    h.holdTime = holdTime;
    h.rightHoldTime = rightHoldTime;
    h.dragTime = dragTime;
    h.dragOrigin[0] = dragOrigin[0];
    h.dragOrigin[1] = dragOrigin[1];
    h.keyEdges = (play.escapeWasDown ? KeyBitEscape : 0) |
                 (powerups.powerupKeyWasDown[0] ? KeyBitPowerup1 : 0) |
                 (powerups.powerupKeyWasDown[1] ? KeyBitPowerup2 : 0) |
                 (powerups.powerupKeyWasDown[2] ? KeyBitPowerup3 : 0);
    h.cardUp = cardUp();
    h.gameState = GameState;
    h.tutorialClock = tutorialCards.clock;
}

void beginReplayRecording() {
    if (recorder.attemptOpen) finishReplayRecording();
    if (!recorder.enabled) return;
    recorder.replay = Replay{};
    captureSettings(recorder.replay.header);
    captureInput(recorder.replay.header);
    recorder.openFrame = ReplayFrame{};
    recorder.lastKeys = 0;  // the first game step records any key already held
    recorder.lastControls = controls;
    recorder.pausedAfterFrame = play.paused;
    recorder.attemptPlayed = false;
    recorder.attemptOpen = true;
}

void recordReplayEvent(ReplayEventKind kind, int32_t a, int32_t b) {
    if (!recorder.attemptOpen) return;
    // A flood of events in one frame cannot come from a player; the cap keeps files bounded.
    if (recorder.openFrame.events.size() >= replayMaxEventsPerFrame) return;
    recorder.openFrame.events.push_back({kind, a, b});
}

void noteReplayStep(ReplayStep step, float dtMs) {
    if (!recorder.attemptOpen) return;
    recorder.openFrame.steps |= step;
    recorder.openFrame.dtMs = dtMs;
}

void noteReplayBlockPass() {
    if (recorder.attemptOpen) recorder.openFrame.steps |= StepBlockPass;
}

void noteReplayGameStep(float dtMs) {
    if (!recorder.attemptOpen) return;
    if (play.paused != recorder.pausedAfterFrame)
        recordReplayEvent(ReplayPaused, play.paused ? 1 : 0);
    if (controls != recorder.lastControls) recordReplayEvent(ReplayControls, controls);
    int32_t keys = playKeysHeld;
    if (keys != recorder.lastKeys) recordReplayEvent(ReplayKeysHeld, keys);
    recorder.lastKeys = keys;
    recorder.lastControls = controls;
    recorder.attemptPlayed = true;
    noteReplayStep(StepGame, dtMs);
}

// The level is still on while the game shows it or the options opened from its pause menu.
static bool levelStillOn() {
    return GameState == Game || GameState == GameToOptions || GameState == Options ||
           GameState == OptionsToGame;
}

// Events of a frame without steps wait for the next frame that has some.
static void closeOpenFrame() {
    if (recorder.openFrame.steps == 0) return;
    recorder.replay.frames.push_back(std::move(recorder.openFrame));
    recorder.openFrame = ReplayFrame{};
}

void endReplayFrame() {
    if (!recorder.attemptOpen) return;
    closeOpenFrame();
    recorder.pausedAfterFrame = play.paused;
    // The attempt ends in the frame its result is settled (the checker stops
    // there too) or when the game leaves the level. A level begun during a
    // fade opens before the game shows it.
    bool over = settledLevelEnd() != LevelEnd::Open || !levelStillOn();
    if (recorder.attemptPlayed && over) finishReplayRecording();
}

ReplayResult currentLevelResult() {
    ReplayResult result;
    result.score = modeState.score;
    LevelEnd end = settledLevelEnd();
    result.cleared = end == LevelEnd::Cleared;
    result.lost = end == LevelEnd::Lost || end == LevelEnd::RunEnded || end == LevelEnd::Abandoned;
    result.statistics = statisticsRecord(currentLevelStatistics(), false);
    return result;
}

void finishReplayRecording() {
    if (!recorder.attemptOpen) return;
    recorder.attemptOpen = false;
    closeOpenFrame();
    recorder.replay.result = currentLevelResult();
    // A level that never ran a frame (the menu's backdrop mass) is no attempt.
    if (recorder.attemptPlayed && replayFinishedHook) replayFinishedHook(recorder.replay);
}
