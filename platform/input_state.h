// Keyboard state and clipboard, with Windows virtual-key codes.
#pragma once

#include <cstdint>
#include <string>

namespace vk {
constexpr int32_t Back = 0x08, Tab = 0x09, Return = 0x0D, Shift = 0x10, Control = 0x11,
                  Escape = 0x1B, Space = 0x20, Insert = 0x2D, LeftControl = 0xA2, Oem3 = 0xC0,
                  OemMinus = 0xBD, OemPeriod = 0xBE, Numpad0 = 0x60, F11 = 0x7A, F12 = 0x7B,
                  Alt = 0x12, Left = 0x25, Up = 0x26, Right = 0x27, Down = 0x28;
}

// Modifier keys as they stood when a key event happened.
enum PlatformModifier : uint32_t {
    ModShift = 1,
    ModCapsLock = 2,
    ModLeftControl = 4,
    ModRightControl = 8,
    ModAlt = 16,
};

// The Windows virtual-key code of an SDL scancode, 0 when unmapped.
int32_t virtualKeyFromScancode(int scancode);
// The virtual key of a key press: letters, digits, minus and period follow
// the keyboard layout (SDL keycode), as Windows virtual keys do; the console
// key left of 1 and keys that type no ASCII character go by position.
int32_t virtualKeyFromKey(int keycode, int scancode);
// The key is held as of the last key event the game has taken, as Windows'
// GetKeyState answers for the message being handled: a tap shorter than a
// frame still reads as held for the frame that takes its press. Shift,
// Control and Caps Lock come from that event's own modifiers. Injected keys
// count as held for one frame.
bool platformKeyHeld(int32_t virtualKey);
bool platformCapsLockOn();
// The game has taken a key event: the key is down or up from now on, and the
// modifiers are those the event carried.
void platformNoteKeyEvent(int32_t virtualKey, bool down, uint32_t modifiers);
// Focus went elsewhere: no key counts as held any more.
void platformReleaseHeldKeys();
std::string platformClipboardText();
// Virtual-key code from a script key name ("escape", "a", "f1", "oem3"), 0 if unknown.
int32_t virtualKeyFromName(const std::string& name);
// Marks a key as held until the next frame (test scripts).
void platformHoldKeyForFrame(int32_t virtualKey);
void platformReleaseInjectedKeys();
