// The game view: the mass of blocks in 3D with the aiming preview and the
// particle bursts, then the 2D layer of floating texts, motion blur, the
// end-of-game flash and the HUD. It only reads the game's state, except for
// the shot, which is taken in the block pass right after the preview.
#pragma once

#include <cstdint>
#include <string>

#include "engine/particles.h"
#include "game/blocks.h"
#include "game/matching.h"

// The game view: blocks, particles and the HUD; its block pass takes the shot.
void renderGame();
void renderBlocks();
// The opaque plain cubes alone, drawn before the backdrop so that the depth
// test keeps the backdrop off the pixels they cover; renderBlocks then draws
// only what is blended over them.
void renderOpaqueMass();
// The share of the window (0 to 1) that the box around the living blocks
// covers on screen, under the camera of the last frame drawn.
float massBoxWindowShare();
void renderParticleSystems();
// A popped block's burst, drawn as the particle renderer keeps it.
using ParticleBurst = PolyparticleBurst;
constexpr int32_t particleBurstSlots = 100;
extern ParticleBurst particleBursts[particleBurstSlots];  // one per popped block
// Starts a burst where a block popped (installed as the rules' effect).
void startParticleBurst(const Block& block);
// Ages the bursts by the frame's game time and frees the finished ones.
void advanceParticleBursts(float dtMs);
// Gives the rules their sounds and bursts (start-up does it once).
void connectPlayEffects();
void renderFloatys();
void renderDeathFlash();
void renderHUD();
void renderMassWarning();
void renderCombo();
void renderLevel();
void renderScore();
void renderPowerups();
void renderNextBlockPreview();
void renderAchievementBanners();
void renderLevelComplete();

// ---- the rules of what is drawn, free of GL ----

// Block image of a colour code, plain or highlighted, following Colorblind.
std::string blockTextureName(int32_t colour, int32_t highlight);
// Decimal digits with "," between groups of three from the right.
std::string thousandsString(int64_t n);
// Whole minutes, ":", two-digit seconds (65 gives "1:05").
std::string clockString(int64_t seconds);

// Overlay alpha of a dying block: 0 until 200 ms before it pops, then up to 255.
float dyingOverlayAlpha(float popDelay);
// Alpha of the mass warning for the meter at percent p of its limit.
float massWarningAlpha(float percent);
// Aiming preview alpha from the preview fade.
float previewAlpha(float aimAlpha);
// Next-block preview alphas: the fired colour fading out, the new one in.
float previousPreviewAlpha(float aimAlpha);
float currentPreviewAlpha(float aimAlpha);

struct FloatyStyle {
    float alpha, shadowAlpha, scale;
    unsigned char r, g, b;
};
FloatyStyle floatyStyle(const FloatingText& text, bool multiplier, bool rush);
// How a floating text lines up on its x: texts placed on the HUD's left
// margin (0.05 H: Rush's drain, Survival's stage bonus and "Stage N Clear!")
// start there like the HUD lines above them; the others keep their own.
int32_t floatyAlignment(const FloatingText& text, float screenHeight);

// Death flash: alphas of the wide streak and of the square burst.
float deathStreakAlpha(const float timers[5]);
float deathBurstAlpha(const float timers[5]);

// Fill fraction 0..1 of powerup slot i at a charge.
float powerupFill(int32_t slot, float charge);
// Alpha of an activation banner at its timer (ms).
float powerupBannerAlpha(float timerMs);

// "Level 3", "Survival", "Rush" or "Meditation".
std::string levelLabel(int32_t mode, int32_t levelIndex);
// The bottom-left text: Survival clock, Rush clock, Meditation blocks, or "".
std::string modeStatusText(int32_t mode, float stageTimerMs, float runTimeMs, int32_t arrivals);
std::string personalBestText(int32_t best, bool offline);

// Achievement banner k (from 1): its alpha at bannerClock ms; 0 before it shows.
float achievementBannerAlpha(int32_t k, float clockMs);
// Every one of n banners has faded out.
bool achievementBannersDone(int32_t n, float clockMs);

// Level-complete panel: the veil and the text alpha at t ms.
float levelCompleteVeilAlpha(float t);
float levelCompleteTextAlpha(float t);
// The status line under the panel: "Submitting score...", "Connecting to
// server...", "Click to Continue" or "".
std::string levelCompleteStatus(float t, bool answered, bool offline, bool practice,
                                bool achievementsLeft);
