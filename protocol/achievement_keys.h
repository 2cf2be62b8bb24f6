// The achievement keys the game and the server exchange: numbers 1 to 27,
// 0 standing for none. Shared by the game and the server.
#pragma once

#include <cstdint>
#include <string>

constexpr int32_t achievementCount = 27;

// Key -> number; 0 for a key not in the table.
int32_t achievementNumber(const std::string& key);
// Number -> key; "" outside 1..27.
std::string achievementKey(int32_t number);
