// Loading and saving the player's settings (the values are in
// base/player_settings.h): loadSettings overwrites them, saveSettings writes them all.
#pragma once

#include <cstdint>
#include <string>

#include "base/player_settings.h"

void loadSettings();
// Sets anisotropy, multisampling and motion blur from VisualQuality (loadSettings does it too).
void applyQualityPresets();
void saveSettings();
void resetTutorials();

// Leading decimal digits (after an optional sign); anything else gives 0.
int32_t parseDecimalPrefix(const std::string& text);
// The general six-significant-digit float format: 10 -> "10", 7.5 -> "7.5".
std::string formatSettingFloat(double value);
