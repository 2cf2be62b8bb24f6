// What the rules ask of the floors above them: a sound to play, the music to
// fall silent, a burst of fragments where a block popped, the player's
// settings saved (a tutorial card seen). The screens install them at
// start-up; a headless run plays without them.
#pragma once

#include "game/blocks.h"

struct PlayEffects {
    void (*sound)(const char* file, float gain, float pitch);
    void (*silenceMusic)();                   // Meditation begins in silence
    void (*blockPopped)(const Block& block);  // the view's particle burst
    void (*saveSettings)();                   // the tutorial flags changed
};
extern PlayEffects playEffects;

void playSoundCue(const char* file, float gain, float pitch);
void saveChangedSettings();
