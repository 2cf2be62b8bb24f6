// The character a virtual key types, as the game's text fields and the
// debug console take it.
#pragma once

#include <cstdint>
#include <string>

// "" for a key that types nothing. In an e-mail field Shift+2 types "@" and
// the period key types "."; elsewhere the period types nothing.
std::string keyCharacter(int32_t virtualKey, bool upperCase, bool emailField);
