// Records every level attempt and run as a replay while it is played:
// startLevel opens one, the input handlers and the frame's steps add to it,
// and it closes in the frame the level's end is settled, or when the game
// leaves the level (or the level begins again).
// Nothing here changes play; it only watches.
#pragma once

#include <cstdint>

#include "protocol/replay.h"

struct RecorderState {
    bool enabled = false;           // record at all (the game and tests switch it on)
    bool attemptOpen = false;       // an attempt is open
    Replay replay;                  // the open attempt, or the last one closed
    ReplayFrame openFrame;          // the frame being gathered
    int32_t lastKeys = 0;           // held play keys as last recorded
    int32_t lastControls = 0;       // control scheme as last recorded
    bool pausedAfterFrame = false;  // paused as the last frame left it
    bool attemptPlayed = false;     // the open attempt has run a game step
};
extern RecorderState recorder;
// Called with each closed attempt that ran at least one frame (saving); may be null.
extern void (*replayFinishedHook)(const Replay& replay);
extern const char* replayGameVersion;  // written into each header

// Opens an attempt with the settings and input state of the level just started.
void beginReplayRecording();
// An input event that reached the handlers this frame.
void recordReplayEvent(ReplayEventKind kind, int32_t a = 0, int32_t b = 0);
// A step of this frame ran with the frame time dtMs.
void noteReplayStep(ReplayStep step, float dtMs);
// The block pass ran (it takes no frame time).
void noteReplayBlockPass();
// The game step began: the held play keys and any outside change of the pause.
void noteReplayGameStep(float dtMs);
// The frame is over; closes the attempt once the game has left the level.
void endReplayFrame();
// Closes the open attempt with the level's result so far.
void finishReplayRecording();
// The result the rules have settled: score, cleared, lost (a Survival run's
// end and an abandoned attempt count as lost).
ReplayResult currentLevelResult();
