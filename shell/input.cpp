// Input: window events become the game-side button states, clicks go to the
// current screen, and key-down events type into the console or a text field.
#include "shell/input.h"

#include "base/console_log.h"
#include "base/game_state.h"
#include "base/pointer.h"
#include "game/play_input.h"
#include "game/replay_recorder.h"
#include "platform/input_state.h"
#include "platform/key_text.h"
#include "screens/account_fields.h"
#include "screens/ranking.h"
#include "settings/settings.h"
#include "shell/console.h"
#include "shell/state_table.h"

bool replayDrivesInput = false;

constexpr int32_t highestKeyCode = 255;

void onMouseMove(int32_t x, int32_t y) {
    recordReplayEvent(ReplayMouseMove, x, y);
    moveMouse(x, y);
}

void onLeftButtonDown() {
    recordReplayEvent(ReplayLeftDown);
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

int32_t heldPlayKeys() {
    int32_t keys = 0;
    if (platformKeyHeld(vk::Escape)) keys |= PlayKeyEscape;
    if (platformKeyHeld('1')) keys |= PlayKeyPowerup1;
    if (platformKeyHeld('2')) keys |= PlayKeyPowerup2;
    if (platformKeyHeld('3')) keys |= PlayKeyPowerup3;
    return keys;
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
    if (virtualKey == muteKey && !typingIntoAccountField()) {
        toggleMute();
        return;
    }
    const GameStateEntry* entry = findGameState(GameState);
    if (entry && entry->key) entry->key(virtualKey, upperCase);
}

void toggleMute() {
    Muted = Muted ? 0 : 1;
    logConsole(Muted ? "Sound muted" : "Sound unmuted");
    // On the options screen, Save and Back decide what is written.
    if (GameState != Options) saveSettings();
}
