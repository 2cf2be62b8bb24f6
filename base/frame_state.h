// Facts about the running frame that every layer may read: whether the
// window has focus, the frame count, and the particle budget the frame
// statistics adjust. The main loop owns them.
#pragma once

#include <cstdint>
#include <string>

extern float windowActive;       // 1.0 while the game window has focus, else 0.0
extern int64_t frameNumber;      // frames run since the main loop started
extern float frameDtMs;          // the dt the last Update was given (fixed in scripted runs)
extern float particleDeg;        // particle thinning factor, raised by slow frames
extern int32_t particlesDrawn;   // particles drawn in the last frame; cleared by the statistics
extern bool blinkOn;             // flips every 500 ms; carets and blinking labels
extern std::string versionText;  // "Version 1.0.0.0"; written once at entry, shown by the menus
extern int32_t startupStage;     // 0 before start-up, startupFinished once it has run

constexpr int32_t startupFinished = 2;
