// Loading and saving the player's settings (the values are in
// base/player_settings.h): loadSettings overwrites them, saveSettings writes them all.
#pragma once

#include <cstdint>
#include <string>

#include "base/player_settings.h"

constexpr float defaultVolume = 10.0f;  // a stored volume out of range reads as this
// A stored window size smaller than this, or larger than the largest display
// mode, reads as the desktop size.
constexpr int32_t smallestScreenWidth = 640, smallestScreenHeight = 480;
constexpr int32_t largestScreenSide = 16384;  // the bound while no display modes are listed

// Values out of their range fall back to their defaults, one console line each.
void loadSettings();
// Sets anisotropy, multisampling and motion blur from VisualQuality (loadSettings does it too).
void applyQualityPresets();
void saveSettings();
void resetTutorials();

// Leading decimal digits (after an optional sign); anything else gives 0.
int32_t parseDecimalPrefix(const std::string& text);
// The general six-significant-digit float format: 10 -> "10", 7.5 -> "7.5".
std::string formatSettingFloat(double value);
