#include "game/play_effects.h"

PlayEffects playEffects = {};

void saveChangedSettings() {
    if (playEffects.saveSettings) playEffects.saveSettings();
}

void playSoundCue(const char* file, float gain, float pitch) {
    if (playEffects.sound) playEffects.sound(file, gain, pitch);
}
