// The player's persisted settings. Each lives in a plain global named after
// its stored value; loadSettings overwrites them, saveSettings writes them all.
#pragma once

#include <cstdint>
#include <string>

extern int32_t ScreenWidth;    // window width in pixels; 0 when stored means the desktop width
extern int32_t ScreenHeight;   // window height in pixels
extern int32_t AAlevel;        // multisample count asked for; derived from VisualQuality
extern int32_t VSync;          // 0 asks for a swap interval of 0 at start
extern int32_t VisualQuality;  // 1..4, sets the presets at every load
extern int32_t MotionBlur;     // 0/1; also switched off at run time by slow frames
extern int32_t controls;       // stored as MouseFlip: 0 normal, 1 reversed, 2 single button
extern int32_t Fullscreen;     // 0 windowed, 1 full screen
extern int32_t Buffer;         // always 0 while the game runs
extern float MusicVol;         // 0..10, whole steps
extern float SoundVol;         // 0..10, whole steps
extern int32_t TuteControl;    // tutorial seen flags, 0/1 each
extern int32_t TutePup;
extern int32_t TuteCombo;
extern int32_t TuteComboNow;
extern int32_t TuteColor;
extern int32_t TuteZent;
extern int32_t TuteRush;
extern int32_t TuteSurvival;
extern int32_t TuteMeditation;
extern int32_t Colorblind;              // 0/1, colour-blind block textures
extern std::string Username;            // account name; empty when none
extern std::string storedPasswordBlob;  // the Password value: server-made blob, Base64
extern std::string loginPassword;       // the password decoded from the blob at load

extern int32_t anisotropyWanted;  // derived from VisualQuality
extern int32_t resolutionIndex;   // index in displayModes of the chosen size, -1 when absent

constexpr int32_t lowestVisualQuality = 1, highestVisualQuality = 4;  // "Low" .. "Ultra"
constexpr float lowestVolume = 0.0f, highestVolume = 10.0f;           // both volume sliders
constexpr float defaultVolume = 10.0f;  // a stored volume out of range reads as this
// A stored window size smaller than this, or larger than the largest display
// mode, reads as the desktop size.
constexpr int32_t smallestScreenWidth = 640, smallestScreenHeight = 480;
constexpr int32_t largestScreenSide = 16384;  // the bound while no display modes are listed

extern bool settingsSavingOff;  // replays played back never touch the player's settings
extern bool settingsFileFound;  // the last loadSettings found a settings file

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
