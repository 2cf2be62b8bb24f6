// The congratulations after the last Classic level: rockets climb from below,
// burst into coloured particles, and the picture and texts stand over them
// until a click leads on to the score screen.
#pragma once

#include <cstdint>
#include <vector>

#include "base/vector_math.h"
#include "engine/particles.h"

// One rocket of the fireworks; z points up in this scene.
struct Rocket {
    Vec3 position, velocity, acceleration;  // velocity and acceleration apply once a frame
    Vec3 sway;                              // three random values the flight does not use
    float ageMs, lifetimeMs;
    int32_t colour;  // 0 and 1 yellow, 2 blue, 3 red, 4 orange, 5 pink, 6 white
    int32_t frames;  // frames flown
};

constexpr int32_t gratsBurstSlots = 100;
constexpr float rocketLaunchGapMs = 500.0f;  // plus a random delay below this
constexpr float rocketLifetimeMs = 1000.0f;

extern std::vector<Rocket> rockets;                     // in flight
extern PolyparticleBurst gratsBursts[gratsBurstSlots];  // the bursts of spent rockets
extern float launchTimer;                               // ms since the last launch
extern float launchDelayMs;                             // the next launch's extra delay

// The particle picture of a rocket's colour.
const char* rocketParticleTexture(int32_t colour);
// Advances the bursts, flies and bursts the rockets, and launches new ones.
void updateFireworks(float dtMs);

void UpdateGrats(float dtMs);
void renderGrats();
