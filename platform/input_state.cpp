// Keyboard state and clipboard on SDL2, translated to Windows virtual-key codes
// so the game's key handling reads like its Windows counterpart.
#include "platform/input_state.h"

#include <SDL.h>

#include <algorithm>
#include <iterator>
#include <vector>

namespace {

constexpr int32_t vkCapital = 0x14;
constexpr int32_t vkDigit0 = 0x30;
constexpr int32_t vkLetterA = 0x41;
constexpr int32_t vkNumpad1 = 0x61;
constexpr int32_t vkMultiply = 0x6A, vkAdd = 0x6B, vkSubtract = 0x6D, vkDecimal = 0x6E,
                  vkDivide = 0x6F;
constexpr int32_t vkF1 = 0x70;
constexpr int32_t vkLeftShift = 0xA0, vkRightShift = 0xA1, vkRightControl = 0xA3;

// Keys held by a test script for the current frame.
std::vector<int32_t> injectedKeys;
// Keys down as of the last key event taken, by virtual key.
bool heldKeys[256] = {};
// PlatformModifier bits of the last key event taken.
uint32_t heldModifiers = 0;

struct ScancodeRange {
    int first, last;  // SDL scancodes, inclusive
    int32_t firstKey;
};

// Runs of scancodes whose virtual keys are consecutive too.
const ScancodeRange scancodeRanges[] = {
    {SDL_SCANCODE_A, SDL_SCANCODE_Z, vkLetterA},
    {SDL_SCANCODE_1, SDL_SCANCODE_9, vkDigit0 + 1},
    {SDL_SCANCODE_F1, SDL_SCANCODE_F12, vkF1},
    {SDL_SCANCODE_KP_1, SDL_SCANCODE_KP_9, vkNumpad1},
};

struct ScancodeKey {
    int scancode;
    int32_t key;
};

const ScancodeKey scancodeKeys[] = {
    {SDL_SCANCODE_0, vkDigit0},
    {SDL_SCANCODE_KP_0, vk::Numpad0},
    {SDL_SCANCODE_RETURN, vk::Return},
    {SDL_SCANCODE_KP_ENTER, vk::Return},
    {SDL_SCANCODE_ESCAPE, vk::Escape},
    {SDL_SCANCODE_BACKSPACE, vk::Back},
    {SDL_SCANCODE_TAB, vk::Tab},
    {SDL_SCANCODE_SPACE, vk::Space},
    {SDL_SCANCODE_GRAVE, vk::Oem3},
    {SDL_SCANCODE_MINUS, vk::OemMinus},
    {SDL_SCANCODE_PERIOD, vk::OemPeriod},
    {SDL_SCANCODE_KP_MULTIPLY, vkMultiply},
    {SDL_SCANCODE_KP_PLUS, vkAdd},
    {SDL_SCANCODE_KP_MINUS, vkSubtract},
    {SDL_SCANCODE_KP_PERIOD, vkDecimal},
    {SDL_SCANCODE_KP_DIVIDE, vkDivide},
    {SDL_SCANCODE_CAPSLOCK, vkCapital},
    {SDL_SCANCODE_LSHIFT, vkLeftShift},
    {SDL_SCANCODE_RSHIFT, vkRightShift},
    {SDL_SCANCODE_LCTRL, vk::LeftControl},
    {SDL_SCANCODE_RCTRL, vkRightControl},
    {SDL_SCANCODE_INSERT, vk::Insert},
    {SDL_SCANCODE_LEFT, vk::Left},
    {SDL_SCANCODE_RIGHT, vk::Right},
    {SDL_SCANCODE_UP, vk::Up},
    {SDL_SCANCODE_DOWN, vk::Down},
    {SDL_SCANCODE_LALT, vk::Alt},
    {SDL_SCANCODE_RALT, vk::Alt},
};

struct NamedKey {
    const char* name;
    int32_t key;
};

const NamedKey namedKeys[] = {
    {"escape", vk::Escape},  {"enter", vk::Return},      {"backspace", vk::Back},
    {"tab", vk::Tab},        {"space", vk::Space},       {"shift", vk::Shift},
    {"ctrl", vk::Control},   {"lctrl", vk::LeftControl}, {"oem3", vk::Oem3},
    {"minus", vk::OemMinus}, {"period", vk::OemPeriod},  {"capslock", vkCapital},
    {"insert", vk::Insert},  {"left", vk::Left},         {"right", vk::Right},
    {"up", vk::Up},          {"down", vk::Down},         {"alt", vk::Alt},
};

// A held query for Shift or Control is answered by either side's key.
bool keyAnswers(int32_t asked, int32_t key) {
    if (asked == key) return true;
    if (asked == vk::Shift) return key == vkLeftShift || key == vkRightShift;
    if (asked == vk::Control) return key == vk::LeftControl || key == vkRightControl;
    return false;
}

bool injectedKeyHeld(int32_t virtualKey) {
    return std::any_of(injectedKeys.begin(), injectedKeys.end(),
                       [virtualKey](int32_t key) { return keyAnswers(virtualKey, key); });
}

// The number after a prefix ("f12" -> 12), -1 when the rest is not 1 or 2 digits.
int numberAfter(const std::string& name, size_t prefixLength) {
    size_t length = name.size() - prefixLength;
    if (length < 1 || length > 2) return -1;
    int number = 0;
    for (size_t i = prefixLength; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return -1;
        number = number * 10 + (name[i] - '0');
    }
    return number;
}

}  // namespace

int32_t virtualKeyFromScancode(int scancode) {
    for (const ScancodeRange& range : scancodeRanges) {
        if (scancode >= range.first && scancode <= range.last) {
            return range.firstKey + (scancode - range.first);
        }
    }
    for (const ScancodeKey& entry : scancodeKeys) {
        if (entry.scancode == scancode) return entry.key;
    }
    return 0;
}

static bool isNumberRow(int scancode) {
    return scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_0;
}

int32_t virtualKeyFromKey(int keycode, int scancode) {
    // The console switch is the key left of 1 wherever the layout puts its symbol.
    if (scancode == SDL_SCANCODE_GRAVE) return vk::Oem3;
    if (keycode >= 'a' && keycode <= 'z') return vkLetterA + (keycode - 'a');
    if (keycode >= '0' && keycode <= '9') return vkDigit0 + (keycode - '0');
    // Layouts whose number row types symbols unshifted (AZERTY) still give digits.
    if (isNumberRow(scancode)) return virtualKeyFromScancode(scancode);
    bool printable = keycode >= ' ' && keycode < 0x7F;
    if (!printable) return virtualKeyFromScancode(scancode);
    if (keycode == ' ') return vk::Space;
    if (keycode == '-') return vk::OemMinus;
    if (keycode == '.') return vk::OemPeriod;
    // A symbol the game has no key for (',' where QWERTY has M).
    return 0;
}

// Shift and Control are answered by the event's modifiers, so a letter typed
// with Shift keeps its capital however late the frame takes it.
static bool modifierHeld(int32_t virtualKey, bool& answered) {
    answered = true;
    if (virtualKey == vk::Shift || virtualKey == vkLeftShift || virtualKey == vkRightShift)
        return (heldModifiers & ModShift) != 0;
    if (virtualKey == vk::Control) return (heldModifiers & (ModLeftControl | ModRightControl)) != 0;
    if (virtualKey == vk::LeftControl) return (heldModifiers & ModLeftControl) != 0;
    if (virtualKey == vkRightControl) return (heldModifiers & ModRightControl) != 0;
    if (virtualKey == vk::Alt) return (heldModifiers & ModAlt) != 0;
    answered = false;
    return false;
}

bool platformKeyHeld(int32_t virtualKey) {
    if (injectedKeyHeld(virtualKey)) return true;
    bool answered = false;
    bool held = modifierHeld(virtualKey, answered);
    if (answered) return held;
    return virtualKey >= 0 && virtualKey < 256 && heldKeys[virtualKey];
}

// An injected Caps Lock key reads as Caps Lock on for that frame.
bool platformCapsLockOn() {
    return (heldModifiers & ModCapsLock) != 0 || injectedKeyHeld(vkCapital);
}

void platformNoteKeyEvent(int32_t virtualKey, bool down, uint32_t modifiers) {
    heldModifiers = modifiers;
    if (virtualKey > 0 && virtualKey < 256) heldKeys[virtualKey] = down;
}

void platformReleaseHeldKeys() {
    std::fill(std::begin(heldKeys), std::end(heldKeys), false);
    heldModifiers &= ModCapsLock;
}

std::string platformClipboardText() {
    char* text = SDL_GetClipboardText();
    if (!text) return "";
    std::string result = text;
    SDL_free(text);
    return result;
}

int32_t virtualKeyFromName(const std::string& name) {
    if (name.size() == 1 && name[0] >= 'a' && name[0] <= 'z') return vkLetterA + (name[0] - 'a');
    if (name.size() == 1 && name[0] >= '0' && name[0] <= '9') return vkDigit0 + (name[0] - '0');
    for (const NamedKey& entry : namedKeys) {
        if (name == entry.name) return entry.key;
    }
    if (name.rfind("kp", 0) == 0) {
        int digit = numberAfter(name, 2);
        if (name.size() == 3 && digit >= 0) return vk::Numpad0 + digit;
    }
    if (name.rfind("f", 0) == 0) {
        int number = numberAfter(name, 1);
        if (number >= 1 && number <= 12) return vkF1 + number - 1;
    }
    return 0;
}

void platformHoldKeyForFrame(int32_t virtualKey) {
    injectedKeys.push_back(virtualKey);
}

void platformReleaseInjectedKeys() {
    injectedKeys.clear();
}
