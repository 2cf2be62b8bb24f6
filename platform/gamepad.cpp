#include "platform/gamepad.h"

#include <SDL.h>

#include <cstring>
#include <string>
#include <vector>

static std::vector<SDL_GameController*> openPads;  // in the order they arrived
static SDL_Joystick* virtualPad = nullptr;         // the test controller, null when none

static constexpr float axisRange = 32767.0f;
static constexpr int32_t axisLowest = -32768, axisHighest = 32767;

bool platformInitGamepads() {
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) return false;
    // Sticks are read once a frame; their motion events would only queue.
    SDL_EventState(SDL_CONTROLLERAXISMOTION, SDL_IGNORE);
    SDL_EventState(SDL_JOYAXISMOTION, SDL_IGNORE);
    return true;
}

static float axis(SDL_GameController* pad, SDL_GameControllerAxis which) {
    float value = static_cast<float>(SDL_GameControllerGetAxis(pad, which)) / axisRange;
    return value < -1.0f ? -1.0f : value;
}

PadSticks platformPadSticks() {
    if (openPads.empty()) return {0, 0, 0, 0};
    SDL_GameController* pad = openPads.front();
    return {axis(pad, SDL_CONTROLLER_AXIS_LEFTX), axis(pad, SDL_CONTROLLER_AXIS_LEFTY),
            axis(pad, SDL_CONTROLLER_AXIS_RIGHTX), axis(pad, SDL_CONTROLLER_AXIS_RIGHTY)};
}

int platformPadCount() {
    return static_cast<int>(openPads.size());
}

static SDL_JoystickID instanceOf(SDL_GameController* pad) {
    return SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad));
}

static bool padOpen(SDL_JoystickID instance) {
    for (SDL_GameController* pad : openPads)
        if (instanceOf(pad) == instance) return true;
    return false;
}

// SDL names the device by its index when it arrives and by its instance later.
static bool openPad(int deviceIndex) {
    if (padOpen(SDL_JoystickGetDeviceInstanceID(deviceIndex))) return false;
    SDL_GameController* pad = SDL_GameControllerOpen(deviceIndex);
    if (!pad) return false;
    openPads.push_back(pad);
    return true;
}

static bool closePad(SDL_JoystickID instance) {
    for (size_t i = 0; i < openPads.size(); i++) {
        if (instanceOf(openPads[i]) != instance) continue;
        SDL_GameControllerClose(openPads[i]);
        openPads.erase(openPads.begin() + static_cast<long>(i));
        return true;
    }
    return false;
}

static bool padButtonEvent(const SDL_ControllerButtonEvent& button, PlatformEvent& event) {
    if (button.button >= padButtonCount || !padOpen(button.which)) return false;
    event.kind = button.type == SDL_CONTROLLERBUTTONDOWN ? PlatformEventKind::PadDown
                                                         : PlatformEventKind::PadUp;
    event.padButton = button.button;
    return true;
}

bool translatePadEvent(const SDL_Event& sdl, PlatformEvent& event) {
    switch (sdl.type) {
        case SDL_CONTROLLERDEVICEADDED:
            event = {PlatformEventKind::PadAdded, sdl.cdevice.which, 0, 0, 0};
            return true;
        case SDL_CONTROLLERDEVICEREMOVED:
            event = {PlatformEventKind::PadRemoved, sdl.cdevice.which, 0, 0, 0};
            return true;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
            return padButtonEvent(sdl.cbutton, event);
        default:
            return false;
    }
}

bool settlePadEvent(const PlatformEvent& event) {
    if (event.kind == PlatformEventKind::PadAdded) return openPad(event.x);
    if (event.kind == PlatformEventKind::PadRemoved) return closePad(event.x);
    return true;
}

// ---- the virtual controller ----

static int virtualPadIndex() {
    if (!virtualPad) return -1;
    SDL_JoystickID instance = SDL_JoystickInstanceID(virtualPad);
    for (int i = 0; i < SDL_NumJoysticks(); i++)
        if (SDL_JoystickGetDeviceInstanceID(i) == instance) return i;
    return -1;
}

// Buttons b0.. and axes a0.. in SDL's own order, so names map one to one.
static bool mapVirtualPad(int index) {
    char guid[33] = {};
    SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(index), guid, sizeof guid);
    std::string mapping = std::string(guid) +
                          ",Zentrix test pad,a:b0,b:b1,x:b2,y:b3,back:b4,guide:b5,start:b6,"
                          "leftstick:b7,rightstick:b8,leftshoulder:b9,rightshoulder:b10,"
                          "dpup:b11,dpdown:b12,dpleft:b13,dpright:b14,leftx:a0,lefty:a1,"
                          "rightx:a2,righty:a3,lefttrigger:a4,righttrigger:a5,";
    return SDL_GameControllerAddMapping(mapping.c_str()) >= 0;
}

bool platformAttachVirtualPad() {
    if (virtualPad) return true;
    int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, padButtonCount, 0);
    if (index < 0) return false;
    if (!mapVirtualPad(index) || !(virtualPad = SDL_JoystickOpen(index))) {
        SDL_JoystickDetachVirtual(index);
        return false;
    }
    return true;
}

void platformDetachVirtualPad() {
    int index = virtualPadIndex();
    if (!virtualPad) return;
    SDL_JoystickClose(virtualPad);
    virtualPad = nullptr;
    if (index >= 0) SDL_JoystickDetachVirtual(index);
}

void platformSetVirtualPadButton(int32_t button, bool down) {
    if (virtualPad && button >= 0 && button < padButtonCount)
        SDL_JoystickSetVirtualButton(virtualPad, button, down ? 1 : 0);
}

void platformSetVirtualPadAxis(int32_t axis, int32_t value) {
    if (!virtualPad || axis < 0 || axis > SDL_CONTROLLER_AXIS_TRIGGERRIGHT) return;
    if (value < axisLowest) value = axisLowest;
    if (value > axisHighest) value = axisHighest;
    SDL_JoystickSetVirtualAxis(virtualPad, axis, static_cast<Sint16>(value));
}

static const char* const buttonNames[padButtonCount] = {"a",
                                                        "b",
                                                        "x",
                                                        "y",
                                                        "back",
                                                        "guide",
                                                        "start",
                                                        "leftstick",
                                                        "rightstick",
                                                        "leftshoulder",
                                                        "rightshoulder",
                                                        "up",
                                                        "down",
                                                        "left",
                                                        "right"};
static const char* const axisNames[] = {"leftx", "lefty", "rightx", "righty"};

int32_t padButtonFromName(const char* name) {
    for (int32_t i = 0; i < padButtonCount; i++)
        if (std::strcmp(name, buttonNames[i]) == 0) return i;
    return -1;
}

int32_t padAxisFromName(const char* name) {
    for (int32_t i = 0; i < 4; i++)
        if (std::strcmp(name, axisNames[i]) == 0) return i;
    return -1;
}
