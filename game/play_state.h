// The records of play: one per rule module, each written by its module and
// reset by it (startLevel calls the resets), so that nothing of one level or
// replay leaks into the next. They live below every rule module so that the
// modules read each other's state without calling each other.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "game/blocks.h"

enum GameModeValue : int32_t {
    ModeCasual = 1,
    ModeNormal = 2,
    ModeExpert = 3,
    ModeRush = 4,
    ModeSurvival = 5,
    ModeMeditation = 6,
};

enum PowerupIndex : int32_t { Multiplier = 0, Timewarp = 1, FusionPulse = 2 };

constexpr int32_t powerupCount = 3;
constexpr float readyFlashIdleMs = 5000.0f;  // at level start: no flash
constexpr float startMassLimit = 54.0f;
constexpr int32_t meditationShots = 100;
constexpr float flyInDistance = 20 * blockUnit;  // a new block starts 20 block lengths out

struct FloatingText {
    float x, y;  // screen pixels
    std::string text;
    float age;    // ms
    float value;  // the points, or the message's number
    float start;  // style: start field, 0 for score texts
    bool big;     // style flags read by the game view
    bool message;
    int32_t alignment;
    int32_t hudLines;  // big-font lines the view lifts a HUD message above y
};

// The mode, the level and the score: modes.cpp; startLevel resets the level's
// values, beginGame the run's.
struct ModeState {
    int32_t gameMode = ModeNormal;  // GameModeValue
    bool practiceMode = false;      // Classic practice: nothing is sent
    int32_t levelIndex = 0;         // 0-based
    int64_t forcedLevelSeed =
        -1;                    // the seed the next startLevel uses (a replay's), -1 = a fresh one
    int32_t score = 0;         // points; shown and sent
    int32_t displayScore = 0;  // rolling display value
    float difficultyFactor = 1.5f;         // scales what a cleared group takes off the meter
    float levelTimeMs = 0.0f;              // real time of play
    float playSeconds = 0.0f;              // game time of play
    int32_t drops = 0;                     // shots fired
    float actionCount = 0.0f;              // actions for the actions-per-minute statistic
    int32_t rotateCount = 0;               // rotations for the statistics
    int32_t arrivals = 0;                  // blocks that came to rest after a shot
    float rushClock = 0.0f;                // Rush: game ms towards the next drain
    int32_t stageNumber = 1;               // Survival stage, from 1
    float stageTimer = 0.0f;               // Survival: real ms into the stage
    float beepClock = 0.0f;                // Survival: real ms towards the next clock beep
    float clockPulse = 1.0f;               // scale of the Survival clock, 1.0 at rest
    int32_t refillCredit = 0;              // Survival: blocks owed to the mass
    float redClock = 0.0f;                 // Survival: ms at 80 % of the limit or more
    bool redFlag = false;                  // Survival: 10 s at 80 % reached this run
    float rotationSampleClock = 0.0f;      // ms towards the next once-a-second rotation sample
    std::vector<float> yawSamples = {};    // degrees per second of yaw, newest first
    std::vector<float> pitchSamples = {};  // ... and of pitch
};
extern ModeState modeState;

// Casual, Normal or Expert.
bool isClassicMode();

// The mass meter, the end of a level and its report: meter.cpp; resetMeter
// clears all but deathSent.
struct MeterState {
    float mass = 5.4f;                 // the meter; 5.4 at level start
    float massLimit = startMassLimit;  // 54.0; passing it loses the level
    float pendingGrowth = 0.0f;        // growth owed for shots without a match, fed in gradually
    float growthSinceMatch = 0.0f;     // what pendingGrowth has added since the last match
    bool fewColours = false;           // fewer than 3 colours among alive, non-dying blocks
    bool levelOver = false;            // play of this level or run has ended; stops its clocks
    bool endSequence = false;          // the mass is being destroyed
    bool endSequenceDone = false;      // the end sequence has run out
    bool restartRequested = false;     // the pause menu's "Restart" was chosen
    float endTimers[5] = {};           // phase clocks T1..T5 of the end sequence, ms
    float runOverClock = 0.0f;         // Meditation: ms since the hundredth block arrived
    float levelClearTimer = 0.0f;      // ms since the mass was found empty; 0 while playing
    bool scoreSent = false;            // score.php of this level has been queued
    bool replyReceived = false;        // ... and answered
    int32_t performanceRating = 0;     // 1..7, 0 = not yet rated
    int32_t sentRating = 0;            // the rating sent with the score (first value only)
    float scoreWaitClock = 0.0f;       // ms waited for the score reply
    bool deathSent = false;            // death.php queued; cleared at a loss and by Restart only
};
extern MeterState meter;

// The powerup charge and the three powerups: powerups.cpp; resetPowerups
// clears all but the HUD's hover, spin and fades.
struct PowerupState {
    float powerCharge = 0.0f;            // the meter, 0..300
    float pendingCharge = 0.0f;          // charge still flowing into the meter
    bool multiplierActive = false;       // at most one of the three is active
    bool timewarpActive = false;         // game time runs at a quarter
    bool fusionActive = false;           // the meter falls instead of growing
    bool powerReady[powerupCount] = {};  // the charge reached the threshold since last below
    float readyFlashTimers[powerupCount] = {
        readyFlashIdleMs, readyFlashIdleMs,
        readyFlashIdleMs};                      // ms since the ready edge, stop at 3000
    bool bannerShowing[powerupCount] = {};      // the activation banner is up
    float bannerTimers[powerupCount] = {};      // ms since activation, up to 3000
    bool buttonHover[powerupCount] = {};        // the cursor is over the HUD button
    float massAtFusion = 0.0f;                  // mass when Fusion Pulse started
    float panelSpin = 0.0f;                     // degrees, wraps at 360
    float multiplierGlow = 0.0f;                // 1 while Multiplier is active, else fades to 0
    float timewarpBlur = 0.0f;                  // rises to 0.8 while Timewarp is active
    bool powerupKeyWasDown[powerupCount] = {};  // keys 1..3 as the last unpaused frame saw them
    int32_t powerupsEarned[powerupCount] = {};  // statistics "pup1earned".."pup3earned"
    int32_t powerupsUsed[powerupCount] = {};    // statistics "pup1used".."pup3used"
};
extern PowerupState powerups;

// The play loop: aim, colours, reload, the view's spin: play.cpp;
// resetPlayState keeps paused, tutorialShowing, escapeWasDown and previewSpin.
struct PlayState {
    bool paused = false;           // the pause overlay is up
    bool tutorialShowing = false;  // a tutorial card is up
    bool escapeWasDown = false;    // Esc as the last frame saw it (the toggle acts on the press)
    bool playStarted = false;      // the start delay is over and the level still runs
    float startDelay = 0.0f;       // ms left before play counts actions
    int32_t aimBlock = -1;         // slot under the cursor, -1 = none
    int32_t aimFace = -1;          // Direction of the face under the cursor, -1 = none
    int32_t currentColour = -1;    // colour of the next shot, -1 = to be chosen
    int32_t previousColour = -1;   // colour of the last shot, -1 at start
    float reloadTimer = 0.0f;      // real ms since the last shot, capped at 250
    float aimAlpha = 0.0f;         // fade-in of the aiming preview, 0..255
    int32_t dropsSinceMatch = 0;   // shots since the last cleared group
    float yawVelocity = 0.0f, pitchVelocity = 0.0f;  // rotation velocities
    float yawRatio = 1.0f, pitchRatio = 1.0f;        // their proportion at the last drag
    float rotationSums[2] = {0.0f, 0.0f};  // yaw and pitch turned since the last sample, radians
    int32_t frameCounter = 0;              // 0..59
    float previewSpin = 0.0f;              // grows by dt/16; the preview turns by a 2.5th of it
    bool highscoreRequested = false;       // this level's highscore.php is queued
};
extern PlayState play;

// Matching: flood fill, popping, floating texts: matching.cpp; resetMatching
// clears it all.
struct MatchState {
    bool floodVisited[blockSlots] = {};  // flood-fill marks, one per block slot
    bool floodMember[blockSlots] = {};
    int32_t floodOrder[blockSlots] = {};
    int32_t floodCounter = 0;       // next order to hand out
    int32_t lastGroupSize = 0;      // size of the last cleared group
    int32_t largestGroup = 0;       // largest group of the level
    int32_t lastPopOrder = 1;       // popOrder + 1 of the last popped block; the combo shown
    float popPulse = 1.0f;          // combo counter scale: 1.4 at a pop, back to 1.0
    int32_t kills = 0;              // blocks cleared this level
    float floatAnchor[2] = {0, 0};  // mouse position at the last shot
    std::vector<FloatingText> floatingTexts = {};  // rising texts, oldest first
    std::vector<float> rushClearTimes = {};        // playSeconds of Rush clears, newest first
};
extern MatchState matching;
