// Input: window events become the game-side button states, clicks go to the
// current screen, and key-down events type into the console or a text field.
#include "shell/input.h"

#include "game/modes.h"
#include "game/play.h"
#include "game/replay_recorder.h"
#include "platform/input_state.h"
#include "platform/key_text.h"
#include "screens/ranking.h"
#include "settings/settings.h"
#include "shell/console.h"
#include "shell/game_state.h"
#include "shell/pointer.h"
#include "shell/state_table.h"

constexpr int32_t highestKeyCode = 255;

static bool countingInput() {
    return !paused && !tutorialShowing;
}

// A press during play that dragged longer than a click.
static bool playDrag() {
    return dragTime > dragClickMs && GameState == Game && playStarted;
}

static void startDrag() {
    dragOrigin[0] = listDragOrigin[0] = static_cast<float>(mouseX);
    dragOrigin[1] = listDragOrigin[1] = static_cast<float>(mouseY);
    dragTime = 0.0f;
}

void onMouseMove(int32_t x, int32_t y) {
    recordReplayEvent(ReplayMouseMove, x, y);
    mouseX = x;
    mouseY = y;
}

void onLeftButtonDown() {
    recordReplayEvent(ReplayLeftDown);
    if (currentStateHas(PressesButtons)) {
        leftDown = true;
        if (controls == 0 || controls == 2) {
            // Started high while paused so the release never reads as a short click.
            holdTime = paused ? pausedHoldStartMs : 0;
            startDrag();
        }
        return;
    }
    const GameStateEntry* entry = findGameState(GameState);
    if (entry && entry->click) entry->click(hoverItem);
    hoverItem = 0;
}

void onLeftButtonUp() {
    recordReplayEvent(ReplayLeftUp);
    if (countingInput()) {
        if (controls == 0 && playDrag()) actionCount += 1.0f;
        if ((controls == 1 || controls == 2) && playStarted) actionCount += 1.0f;
    }
    if (currentStateHas(ReleasesButtons)) {
        leftDown = false;
        if (controls == 0 && playDrag()) ++rotateCount;
    }
    // Single button: a short left click acts as a brief right press.
    if (controls == 2 && holdTime < shortClickMs && !tutorialShowing) {
        rightDown = true;
        rightHoldTime = 0;
        startDrag();
    }
}

void onRightButtonDown() {
    recordReplayEvent(ReplayRightDown);
    if (!currentStateHas(PressesButtons)) return;
    rightDown = true;
    if (controls == 1) startDrag();
}

void onRightButtonUp() {
    recordReplayEvent(ReplayRightUp);
    rightHoldTime = 0;
    if (countingInput()) {
        if (controls == 0 && playStarted) {
            actionCount += 1.0f;
        } else if (playDrag()) {
            actionCount += 1.0f;
        }
    }
    if (currentStateHas(ReleasesButtons)) {
        rightDown = false;
        if (controls != 0 && playDrag()) ++rotateCount;
    }
}

void onMouseWheel(int32_t steps) {
    if (steps == 0) return;
    const GameStateEntry* entry = findGameState(GameState);
    if (entry && entry->wheel) entry->wheel(steps);
}

// The open console takes every key.
static void consoleKey(int32_t virtualKey, const std::string& character) {
    if (virtualKey == vk::Space) {
        consoleLine += ' ';
    } else if (virtualKey == vk::Back) {
        if (!consoleLine.empty()) consoleLine.pop_back();
    } else if (virtualKey == vk::Tab) {
        consoleLine = lastConsoleLine;
    } else if (virtualKey == vk::Return) {
        lastConsoleLine = consoleLine;
        consoleLine.clear();
        consoleOpen = false;
        runConsoleCommand(lastConsoleLine);
    } else {
        consoleLine += character;
    }
}

void onKeyDown(int32_t virtualKey) {
    if (virtualKey < 0 || virtualKey > highestKeyCode) return;
    bool upperCase = platformCapsLockOn() != platformKeyHeld(vk::Shift);
    if (virtualKey == vk::Oem3 && platformKeyHeld(vk::LeftControl)) {
        consoleOpen = !consoleOpen;
        consoleLine.clear();
        return;
    }
    if (consoleOpen) {
        consoleKey(virtualKey,
                   keyCharacter(virtualKey, upperCase, platformKeyHeld(vk::Shift), false));
        return;
    }
    const GameStateEntry* entry = findGameState(GameState);
    if (entry && entry->key) entry->key(virtualKey, upperCase);
}

void updateHoldTimers(float dtMs) {
    noteReplayStep(StepHoldTimers, dtMs);
    // Whole milliseconds, as the timers are integers.
    int32_t wholeMs = static_cast<int32_t>(dtMs);
    if (leftDown) holdTime += wholeMs;
    if (rightDown) rightHoldTime += wholeMs;
    if (rightHoldTime > syntheticPressMs && controls == 2) rightDown = false;
}
