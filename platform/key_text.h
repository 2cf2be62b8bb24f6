// The character a virtual key types, as the game's text fields and the
// debug console take it, and the key stroke that types a given character.
#pragma once

#include <cstdint>
#include <string>

// Keypad and function keys share their codes with the lower-case letters.
constexpr int32_t firstLetterKey = 0x61, lastLetterKey = 0x7A;

// A key pressed with the case and Shift state it was pressed with.
struct KeyStroke {
    int32_t virtualKey;  // 0 when no key types the character
    bool upperCase;      // Caps Lock or Shift, not both
    bool shift;
};

// "" for a key that types nothing. In an e-mail field Shift+2 types "@" and
// the period key types "."; elsewhere the period types nothing.
std::string keyCharacter(int32_t virtualKey, bool upperCase, bool shift, bool emailField);
// The stroke that types c in an e-mail field (pasted text is typed with it).
KeyStroke keyStrokeFor(char c);
