// The intro: the studio splash while the resident assets load, then the
// hand-over to the account screens, or straight into a game for --start.
#pragma once

#include <cstdint>

extern float introTimer;  // ms since the splash was first available after start-up
extern bool introLoaded;  // the loading step has run
// A game to begin as soon as the intro has loaded, instead of the menus.
struct PendingStart {
    int32_t mode = 0;   // GameModeValue; 0 = none
    int32_t level = 0;  // Classic level 1..10 for a Practice game; 0 = a run from level 1
    bool reseed = false;
    uint32_t seed = 0;    // srand before the game, so runs repeat
    bool ranked = false;  // a Ranked Classic run from `level` instead of a Practice game
};
extern PendingStart pendingStart;  // set at start-up; cleared when the game begins

constexpr float introLengthMs = 3500.0f;

// Begins start's game at once, from whatever screen is up.
void startPendingGame(const PendingStart& start);

void UpdateIntro(float dtMs);
void renderIntro();
// The splash, centred at half the window width.
void DrawBriskoTitle();

// What an intro frame does, from what has finished so far.
enum IntroStep {
    IntroWaiting,    // start-up or the splash not ready: the timer stands
    IntroLoading,    // first ready frame: the loading step runs, the timer starts
    IntroShowing,    // the timer runs
    IntroStartGame,  // a pending start: loaded and every preloaded texture streamed
    IntroFinished,   // the splash has been up for its full length
};
IntroStep introStep(bool startupDone, bool splashLoaded, bool loaded, float timerMs, bool startHeld,
                    bool texturesStreamed);
