// The intro: the studio splash while the resident assets load, then the
// hand-over to the account screens, or straight into a game for --start.
#pragma once

#include <string>

extern float introTimer;              // ms since the splash was first available after start-up
extern bool introLoaded;              // the loading step has run
extern std::string heldStartRequest;  // --start game waiting for the loading step

constexpr float introLengthMs = 3500.0f;

void UpdateIntro(float dtMs);
void renderIntro();
// The splash, centred at half the window width.
void DrawBriskoTitle();
// Start-up keeps the --start request here until the intro has loaded.
void holdStartRequest();

// What an intro frame does, from what has finished so far.
enum IntroStep {
    IntroWaiting,    // start-up or the splash not ready: the timer stands
    IntroLoading,    // first ready frame: the loading step runs, the timer starts
    IntroShowing,    // the timer runs
    IntroStartGame,  // --start: loaded and every preloaded texture streamed
    IntroFinished,   // the splash has been up for its full length
};
IntroStep introStep(bool startupDone, bool splashLoaded, bool loaded, float timerMs, bool startHeld,
                    bool texturesStreamed);
