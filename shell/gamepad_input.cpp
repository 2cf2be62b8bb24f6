#include "shell/gamepad_input.h"

#include <cmath>

#include "base/game_state.h"
#include "base/player_settings.h"
#include "base/pointer.h"
#include "engine/textures.h"
#include "game/play.h"
#include "platform/gamepad.h"
#include "platform/input_state.h"
#include "screens/button_focus.h"
#include "screens/tutorial_cards.h"
#include "shell/input.h"
#include "shell/play_keys.h"

float padPointer[2] = {0.0f, 0.0f};
bool padTurning = false;
float padTurnOrigin[2] = {0.0f, 0.0f};
bool padFireHeld = false;
bool padRightHeld = false;
int32_t padHeldDirection = -1;
float padRepeatMs = 0.0f;

static constexpr float deadZone = 0.2f;
static constexpr float menuThreshold = 0.5f;
static constexpr float firstRepeatMs = 400.0f, nextRepeatMs = 150.0f;
// Full deflection crosses the screen's height in about a second, as a
// relaxed mouse hand does; turning runs faster, as a quick drag does.
static constexpr float aimHeightsPerSecond = 1.0f, turnHeightsPerSecond = 1.5f;
// Focus presses by a pad button are told apart from keys by this offset.
static constexpr int32_t padKeyBase = 0x100;

float shapeStick(float value) {
    float size = std::fabs(value);
    if (size <= deadZone) return 0.0f;
    float share = std::fmin((size - deadZone) / (1.0f - deadZone), 1.0f);
    return std::copysign(share * share, value);
}

int32_t stickDirection(float x, float y) {
    if (std::fabs(x) < menuThreshold && std::fabs(y) < menuThreshold) return -1;
    if (std::fabs(x) > std::fabs(y)) return x > 0 ? FocusRight : FocusLeft;
    return y > 0 ? FocusDown : FocusUp;
}

static bool playing() {
    return GameState == Game && !play.paused;
}

// The pause comes as an Escape press for this frame, the play loop's own key.
static void pressEscapeForFrame() {
    if (GameState == Game) platformHoldKeyForFrame(vk::Escape);
}

// ---- buttons ----

// Scheme 0 fires with the right button; reversed and single-button fire with the left.
static void fireButton(bool down) {
    padFireHeld = down;
    if (controls == 0)
        down ? onRightButtonDown() : onRightButtonUp();
    else
        down ? onLeftButtonDown() : onLeftButtonUp();
}

static void playButtonDown(int32_t button) {
    if (button == PadA) fireButton(true);
    if (button == PadX) {
        padRightHeld = true;
        onRightButtonDown();
    }
    if (button == PadStart) pressEscapeForFrame();
}

static void menuButtonDown(int32_t button) {
    static const FocusMove dpad[] = {FocusUp, FocusDown, FocusLeft, FocusRight};
    if (button >= PadUp && button <= PadRight) moveFocus(dpad[button - PadUp]);
    // Over the pause overlay, Start and B resume as Escape does.
    bool overPlay = GameState == Game;
    if (button == PadA || (button == PadStart && !overPlay)) pressFocus(padKeyBase + button);
    if ((button == PadB || button == PadStart) && overPlay) pressEscapeForFrame();
    if (button == PadB && !overPlay) aimAtBack();
}

static void padButtonUp(int32_t button) {
    if (button == PadA && padFireHeld) fireButton(false);
    if (button == PadX && padRightHeld) {
        padRightHeld = false;
        onRightButtonUp();
    }
    releaseFocus(padKeyBase + button);
    if (button == PadB) pressBack();
}

void onPadEvent(const PlatformEvent& event) {
    switch (event.kind) {
        case PlatformEventKind::PadAdded:
            padInUse = true;
            // Streamed now, so the controls card is ready when a level starts.
            getTexture(padControlsCard);
            break;
        case PlatformEventKind::PadRemoved:
            padInUse = platformPadCount() > 0;
            // A controller pulled out mid-level leaves the player at the pause menu.
            if (playing() && !replayDrivesInput) pressEscapeForFrame();
            break;
        case PlatformEventKind::PadDown:
            playing() ? playButtonDown(event.padButton) : menuButtonDown(event.padButton);
            break;
        case PlatformEventKind::PadUp:
            padButtonUp(event.padButton);
            break;
        default:
            break;
    }
}

// ---- sticks ----

// Moves the pointer by a stick's share of a speed; a mouse move in between
// is taken as the new start. Aiming stays on the screen, a turn may not.
static void nudgePointer(float dx, float dy, bool keepOnScreen) {
    if (static_cast<int32_t>(padPointer[0]) != mouseX ||
        static_cast<int32_t>(padPointer[1]) != mouseY) {
        padPointer[0] = static_cast<float>(mouseX);
        padPointer[1] = static_cast<float>(mouseY);
    }
    padPointer[0] += dx;
    padPointer[1] += dy;
    if (keepOnScreen) {
        padPointer[0] = std::fmin(std::fmax(padPointer[0], 0.0f), ScreenWidth - 1.0f);
        padPointer[1] = std::fmin(std::fmax(padPointer[1], 0.0f), ScreenHeight - 1.0f);
    }
    int32_t x = static_cast<int32_t>(padPointer[0]), y = static_cast<int32_t>(padPointer[1]);
    if (x != mouseX || y != mouseY) onMouseMove(x, y);
}

// The drag button of the scheme: right when reversed, left otherwise.
static void turnButton(bool down) {
    if (controls == 1)
        down ? onRightButtonDown() : onRightButtonUp();
    else
        down ? onLeftButtonDown() : onLeftButtonUp();
}

static void endTurn() {
    if (!padTurning) return;
    padTurning = false;
    turnButton(false);
    onMouseMove(static_cast<int32_t>(padTurnOrigin[0]), static_cast<int32_t>(padTurnOrigin[1]));
}

static void steerPlay(const PadSticks& sticks, float dtMs) {
    float pixels = static_cast<float>(ScreenHeight) * dtMs / 1000.0f;
    float turnX = shapeStick(sticks.rightX), turnY = shapeStick(sticks.rightY);
    if (turnX != 0.0f || turnY != 0.0f) {
        if (!padTurning) {
            padTurning = true;
            padTurnOrigin[0] = static_cast<float>(mouseX);
            padTurnOrigin[1] = static_cast<float>(mouseY);
            turnButton(true);
        }
        float step = pixels * turnHeightsPerSecond;
        nudgePointer(turnX * step, turnY * step, false);
        return;
    }
    endTurn();
    float step = pixels * aimHeightsPerSecond;
    float aimX = shapeStick(sticks.leftX), aimY = shapeStick(sticks.leftY);
    if (aimX != 0.0f || aimY != 0.0f) nudgePointer(aimX * step, aimY * step, true);
}

// A held stick moves the focus once, then again after a pause, then steadily.
static void steerFocus(const PadSticks& sticks, float dtMs) {
    int32_t direction = stickDirection(sticks.leftX, sticks.leftY);
    if (direction < 0) {
        padHeldDirection = -1;
        return;
    }
    if (direction == padHeldDirection) {
        padRepeatMs -= dtMs;
        if (padRepeatMs > 0) return;
    }
    padRepeatMs = direction == padHeldDirection ? nextRepeatMs : firstRepeatMs;
    padHeldDirection = direction;
    moveFocus(static_cast<FocusMove>(direction));
}

void steerWithPad(float dtMs) {
    if (replayDrivesInput || platformPadCount() == 0) return;
    PadSticks sticks = platformPadSticks();
    if (playing()) {
        steerPlay(sticks, dtMs);
        return;
    }
    endTurn();
    steerFocus(sticks, dtMs);
}
