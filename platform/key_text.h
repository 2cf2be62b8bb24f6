// The character a virtual key types, as the game's text fields and the
// debug console take it.
#pragma once

#include <cstdint>
#include <string>

// Keypad and function keys share their codes with the lower-case letters.
constexpr int32_t firstLetterKey = 0x61, lastLetterKey = 0x7A;

// "" for a key that types nothing. In an e-mail field Shift+2 types "@" and
// the period key types "."; elsewhere the period types nothing.
std::string keyCharacter(int32_t virtualKey, bool upperCase, bool emailField);
