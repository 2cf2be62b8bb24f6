// The player's settings as every floor reads them. Each lives in a plain
// global named after its stored value; settings/ loads, checks and saves them,
// and the rules mark the tutorial cards they have shown.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

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
extern float MasterVol;        // 0..10, whole steps; scales everything the game plays
extern int32_t Muted;          // 0/1: the M key silences every sound until pressed again
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

// The window size as floats, for layout arithmetic.
inline float screenW() {
    return static_cast<float>(ScreenWidth);
}
inline float screenH() {
    return static_cast<float>(ScreenHeight);
}

// The tutorial seen flags in the order of the cards, TuteControl first.
constexpr int32_t tutorialFlagCount = 9;
extern int32_t* const tutorialFlags[tutorialFlagCount];
void clearTutorialFlags();

extern int32_t anisotropyWanted;  // derived from VisualQuality
extern int32_t resolutionIndex;   // index in displayModes of the chosen size, -1 when absent
extern std::vector<std::pair<float, float>> displayModes;  // the display's sizes, for the options

// Index of width x height in displayModes, -1 when the display lacks it.
int32_t findDisplayMode(float width, float height);

constexpr int32_t lowestVisualQuality = 1, highestVisualQuality = 4;  // "Low" .. "Ultra"
constexpr float lowestVolume = 0.0f, highestVolume = 10.0f;           // both volume sliders

extern bool settingsSavingOff;  // replays played back never touch the player's settings
extern bool settingsFileFound;  // the last loadSettings found a settings file
