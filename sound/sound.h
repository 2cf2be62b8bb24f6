// Sound engine entry points used across the game.
#pragma once

#include <string>
#include <vector>

// Plays a sound once; -1 when nothing plays (no device, missing sound).
int PlaySound(const char* name, float gain, float pitch);
void UpdateSound(float dtMs);

// Until the sound engine exists every request is silent and recorded here.
struct SoundRequest {
    std::string name;
    float gain;
    float pitch;
};
extern std::vector<SoundRequest> soundRequests;  // requests made, oldest first
