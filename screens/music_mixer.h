// The music mixer: four loops that run from the first menu frame to the end
// and are steered every frame, never stopped. Silence is volume 0. The
// steering itself is a pure function of the screen and game state, so it can
// be checked without a sound device; UpdateMusic feeds it and applies it.
#pragma once

#include <cstdint>

extern float musicStartTimer;   // ms, counts to 300 and stays; the melody waits for it
extern bool musicLoopsStarted;  // startMusicLoops has run

// What the mixer reads from the rest of the game each frame.
struct MixerInput {
    int32_t state;         // GameState
    int32_t mode;          // gameMode
    bool optionsFromGame;  // the options were opened from the pause menu
    bool paused;           // the pause overlay is up
    bool playHasStarted;   // the game's start delay has run out
    bool timewarpActive;
    bool multiplierActive;
    float massFill;      // mass / massLimit × 100
    float fadeFraction;  // fadeTimer / fadeDuration
    float musicVol;      // MusicVol, 0..10
    float soundVol;      // SoundVol, 0..10
};

// Volume (plain gain) and pitch of one loop.
struct MixerVoice {
    float volume;
    float pitch;
};

struct MixerVoices {
    MixerVoice melody;
    MixerVoice drums;
    MixerVoice massHum;
    MixerVoice timewarpPad;
};

constexpr float musicStartWaitMs = 300.0f;
constexpr float normalPitch = 1.0f;
constexpr float slowPitch = 0.6f;

// The melody and drums ceiling: MusicVol × 0.45 / 10, a quarter of it while paused.
float musicLevel(const MixerInput& in);
// The Timewarp pad's ceiling: SoundVol × 0.15 / 10.
float padLevel(const MixerInput& in);
// The hum's volume for a fill of the mass meter (percent of the limit).
float massHumVolume(float massFill, float soundVol);
// One frame of every rule, in order; startTimer is musicStartTimer.
void mixMusic(MixerVoices& voices, float& startTimer, const MixerInput& in, float dtMs);

// Starts the four loops at volume 0, once: on the first menu frame, or on
// the first game frame when a game is entered without the menus.
void startMusicLoops();
// The mixer's state read from the game's globals.
MixerInput currentMixerInput();
// One frame: steer the loops and apply them through UpdateSound.
void UpdateMusic(float dtMs);
