// Input: window events become the game-side button states, clicks go to the
// current screen, and key-down events type into the console or a text field.
#include "shell/input.h"

#include "base/console_log.h"
#include "base/game_state.h"
#include "base/pointer.h"
#include "game/play.h"
#include "game/play_input.h"
#include "game/replay_recorder.h"
#include "platform/input_state.h"
#include "platform/key_text.h"
#include "screens/account_fields.h"
#include "screens/button_focus.h"
#include "screens/ranking.h"
#include "settings/settings.h"
#include "shell/console.h"
#include "shell/state_table.h"

constexpr int32_t highestKeyCode = 255;

static void movePointer(int32_t x, int32_t y) {
    recordReplayEvent(ReplayMouseMove, x, y);
    moveMouse(x, y);
    hoverLagsPointer = true;
}

void onMouseMove(int32_t x, int32_t y) {
    focusShown = false;
    movePointer(x, y);
}

// A frame of a second or more skips the screens' update, so after a move
// the hover may still name the button the pointer has left: a press goes to
// the button under the pointer, or to none. A hover that has followed stays:
// where two buttons overlap, it names the one drawn lit.
static int32_t itemUnderPointer() {
    if (!hoverLagsPointer || focusTargetCount == 0) return hoverItem;
    int target = focusedTarget(mouseX, mouseY);
    return target >= 0 ? focusTargets[target].item : 0;
}

void onLeftButtonDown() {
    recordReplayEvent(ReplayLeftDown);
    hoverItem = itemUnderPointer();
    if (currentStateHas(PressesButtons)) {
        pressLeftButton();
        return;
    }
    const GameStateEntry* entry = findGameState(GameState);
    if (entry && entry->click) entry->click(hoverItem);
    hoverItem = 0;
}

void onLeftButtonUp() {
    recordReplayEvent(ReplayLeftUp);
    releaseLeftButton(currentStateHas(ReleasesButtons));
}

void onRightButtonDown() {
    recordReplayEvent(ReplayRightDown);
    if (currentStateHas(PressesButtons)) pressRightButton();
}

void onRightButtonUp() {
    recordReplayEvent(ReplayRightUp);
    releaseRightButton(currentStateHas(ReleasesButtons));
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

// ---- the focus: keys and pad buttons walk the buttons the screen offers ----

int32_t focusPressKey = 0;
bool backPressPending = false;

// The play keys belong to the game while a level runs unpaused.
static bool focusKeysActive() {
    return GameState != Game || play.paused;
}

static void placePointerOn(const FocusTarget& target) {
    int32_t x = 0, y = 0;
    targetCentre(target, x, y);
    movePointer(x, y);
    focusShown = true;
}

void moveFocus(FocusMove move) {
    if (!focusKeysActive()) return;
    int from = focusedTarget(mouseX, mouseY);
    int to = nextFocusTarget(focusTargets, focusTargetCount, from, move);
    if (to >= 0) placePointerOn(focusTargets[to]);
}

// A screen with buttons but none focused gets its first one focused; a
// screen without buttons (a card, the credits) takes a click where it is.
void pressFocus(int32_t key) {
    if (!focusKeysActive() || focusPressKey) return;
    int target = focusedTarget(mouseX, mouseY);
    if (focusTargetCount > 0 && target < 0) {
        moveFocus(FocusNext);
        return;
    }
    focusPressKey = key;
    onLeftButtonDown();
}

void releaseFocus(int32_t key) {
    if (key != focusPressKey) return;
    focusPressKey = 0;
    onLeftButtonUp();
}

void aimAtBack() {
    int back = backTarget();
    if (!focusKeysActive() || back < 0) return;
    placePointerOn(focusTargets[back]);
    backPressPending = true;
}

// The press waits a frame after the aim so the screen's hover has followed
// the pointer; a screen that has gone meanwhile is not clicked.
void pressBack() {
    if (!backPressPending) return;
    backPressPending = false;
    int target = focusedTarget(mouseX, mouseY);
    if (target < 0 || !focusTargets[target].back || !focusKeysActive()) return;
    onLeftButtonDown();
    onLeftButtonUp();
}

static FocusMove arrowMove(int32_t virtualKey) {
    if (virtualKey == vk::Up) return FocusUp;
    if (virtualKey == vk::Down) return FocusDown;
    if (virtualKey == vk::Left) return FocusLeft;
    return FocusRight;
}

// A screen typing into a text field keeps Enter and Space until the keys walk away from it.
static bool fieldTakesKey(int32_t virtualKey) {
    const GameStateEntry* entry = findGameState(GameState);
    bool typing = entry && entry->key && !focusShown;
    return typing && (virtualKey == vk::Return || virtualKey == vk::Space);
}

// True when the key moved or pressed the focus and nothing else may take it.
static bool focusKey(int32_t virtualKey) {
    if (!focusKeysActive() || fieldTakesKey(virtualKey)) return false;
    if (virtualKey == vk::Tab) {
        moveFocus(platformKeyHeld(vk::Shift) ? FocusPrevious : FocusNext);
    } else if (virtualKey >= vk::Left && virtualKey <= vk::Down) {
        moveFocus(arrowMove(virtualKey));
    } else if (virtualKey == vk::Return || virtualKey == vk::Space) {
        pressFocus(virtualKey);
    } else {
        // Escape still reaches the screens that answer it themselves.
        if (virtualKey == vk::Escape) aimAtBack();
        return false;
    }
    return true;
}

void onKeyUp(int32_t virtualKey) {
    releaseFocus(virtualKey);
    if (virtualKey == vk::Escape) pressBack();
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
    if (virtualKey == muteKey && !typingIntoAccountField()) {
        toggleMute();
        return;
    }
    if (focusKey(virtualKey)) return;
    const GameStateEntry* entry = findGameState(GameState);
    if (!entry || !entry->key) return;
    // Typing goes on where the keys left the focus.
    focusShown = false;
    entry->key(virtualKey, upperCase);
}

void toggleMute() {
    Muted = Muted ? 0 : 1;
    logConsole(Muted ? "Sound muted" : "Sound unmuted");
    // On the options screen, Save and Back decide what is written.
    if (GameState != Options) saveSettings();
}
