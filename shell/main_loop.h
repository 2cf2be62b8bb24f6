// The entry routine, the outer loop that creates the window and runs
// start-up, and the main loop with its frame-time statistics.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "base/frame_state.h"

extern std::string programPath;  // own path, relative to the working dir when below it

// What the development tools (dev/: --start, --autoplay, --replay) add to
// each frame; the program's entry installs them before runProgram.
struct DevelopmentHooks {
    void (*beforeInput)();  // the bot's or the replay's input for this frame
    void (*afterDraw)();    // counts GL errors and times the frame
    void (*atLoopEnd)();    // logs the frame times
};
extern DevelopmentHooks developmentHooks;

// The program's entry; returns the process exit code.
int runProgram(int argc, char** argv);

// ---- frame pacer ----
// Screens where nothing asks for speed (menus, the pause overlay) are drawn
// at most once per pacedFrameMs: without vsync they would otherwise redraw as
// fast as the renderer allows and keep a core busy. The running game view
// and fixed-step runs (tests, benchmarks, replays) are never held back.
constexpr double pacedFrameMs = 1000.0 / 60.0;

// The frame waits for the next frame time on this screen. Never while
// textures stream: the streamer takes one step a frame, and waiting would
// only lengthen the loading.
bool framePaced(int32_t gameState, bool paused, float fixedStepMs, bool streaming);
// A settled, fully shown screen that no input has reached for
// idleAfterInputMs moves only its slowly drifting star field (well under a
// pixel a frame at 60 frames/s): it is drawn idleFrameMs apart, and the
// first input event ends the wait at once.
constexpr double idleFrameMs = 1000.0 / 20.0;
constexpr double idleAfterInputMs = 1000.0;
bool screenIdle(bool settledAndShown, double sinceInputMs);
// Whole milliseconds to sleep after a frame that took elapsedMs of its
// frameMs; 0 when the frame already used its time. Rounded down: waking a
// little early costs nothing, waking late would drop the rate below the target.
uint32_t pacedWaitMs(double elapsedMs, double frameMs);

// "Version " + the file version with blanks removed and "," -> ".".
std::string makeVersionText(const std::string& fileVersion);
// Asks older copies of this program file run by this user to quit, waits
// for them, and ends them after five waits.
void waitForOlderInstances();
