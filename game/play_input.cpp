#include "game/play_input.h"

#include "base/game_state.h"
#include "base/player_settings.h"
#include "base/pointer.h"
#include "game/modes.h"
#include "game/play.h"
#include "game/replay_recorder.h"

static bool countingInput() {
    return !play.paused && !play.tutorialShowing;
}

// A press during play that dragged longer than a click.
static bool playDrag() {
    return dragTime > dragClickMs && GameState == Game && play.playStarted;
}

static void startDrag() {
    dragOrigin[0] = listDragOrigin[0] = static_cast<float>(mouseX);
    dragOrigin[1] = listDragOrigin[1] = static_cast<float>(mouseY);
    dragTime = 0.0f;
}

void moveMouse(int32_t x, int32_t y) {
    mouseX = x;
    mouseY = y;
}

void pressLeftButton() {
    leftDown = true;
    if (controls == 0 || controls == 2) {
        // Started high while paused so the release never reads as a short click.
        holdTime = play.paused ? pausedHoldStartMs : 0;
        startDrag();
    }
}

void releaseLeftButton(bool releasesButtons) {
    if (countingInput()) {
        if (controls == 0 && playDrag()) modeState.actionCount += 1.0f;
        if ((controls == 1 || controls == 2) && play.playStarted) modeState.actionCount += 1.0f;
    }
    if (releasesButtons) {
        leftDown = false;
        if (controls == 0 && playDrag()) ++modeState.rotateCount;
    }
    // Single button: a short left click acts as a brief right press.
    if (controls == 2 && holdTime < shortClickMs && !play.tutorialShowing) {
        rightDown = true;
        rightHoldTime = 0;
        startDrag();
    }
}

void pressRightButton() {
    rightDown = true;
    if (controls == 1) startDrag();
}

void releaseRightButton(bool releasesButtons) {
    rightHoldTime = 0;
    if (countingInput()) {
        if (controls == 0 && play.playStarted) {
            modeState.actionCount += 1.0f;
        } else if (playDrag()) {
            modeState.actionCount += 1.0f;
        }
    }
    if (releasesButtons) {
        rightDown = false;
        if (controls != 0 && playDrag()) ++modeState.rotateCount;
    }
}

void updateHoldTimers(float dtMs) {
    noteReplayStep(StepHoldTimers, dtMs);
    // Whole milliseconds, as the timers are integers.
    int32_t wholeMs = static_cast<int32_t>(dtMs);
    if (leftDown) holdTime += wholeMs;
    if (rightDown) rightHoldTime += wholeMs;
    if (rightHoldTime > syntheticPressMs && controls == 2) rightDown = false;
}
