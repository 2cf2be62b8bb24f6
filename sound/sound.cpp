#include "sound/sound.h"

std::vector<SoundRequest> soundRequests;

// No sound engine yet: the game runs silent, as it does without a device.
int PlaySound(const char* name, float gain, float pitch) {
    soundRequests.push_back({name, gain, pitch});
    return -1;
}

void UpdateSound(float) {}
