// Plays a replay again through the play loop's input and the same steps as
// the game: headless for the verifier, the benches and the tests, or frame
// by frame under the game's own drawing (--replay).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/replay.h"

// The rules' state after one frame, for frame-by-frame comparisons.
struct ReplaySample {
    int32_t score;
    float mass;
};

struct ReplayOutcome {
    ReplayResult result;
    int64_t frames = 0;
    int64_t settledAtFrame = -1;  // the frame (1-based) that settled the level's end; -1 none
    float levelTimeMs = 0.0f;
};

struct ReplayPlaybackState {
    bool drawn = false;    // the game draws the replay and runs its own fades (--replay)
    int32_t heldKeys = 0;  // the play keys the replay holds down
};
extern ReplayPlaybackState replayPlayback;

// Sets the settings of the header, starts its level with its seed and
// restores the input state it began with. GameState is the level's first,
// play is offline, and nothing is written to the player's settings.
void startReplayLevel(const ReplayHeader& header);
// A recorded frame's input: its events and its held keys.
void applyReplayInput(const ReplayFrame& frame);
// One recorded frame: its events through the handlers, the held keys, then
// the steps that ran. The block pass is left to the caller when
// withBlockPass is false (the game runs it while drawing).
void playReplayFrame(const ReplayFrame& frame, bool withBlockPass = true);
// The whole replay without a window; samples (if given) get one entry per frame.
ReplayOutcome playReplayHeadless(const Replay& replay,
                                 std::vector<ReplaySample>* samples = nullptr);
// The play time the replay covers: the sum of its frame times, ms.
double replayPlayedMs(const Replay& replay);
// The outcome as text: score, result, frames and the statistics record.
std::string describeOutcome(const ReplayOutcome& outcome);

// The most frames the checker plays for a mode: 240 a second over 30
// minutes, or 150 for a Survival run; a longer replay is refused unplayed.
size_t maxVerifiedFrames(int32_t mode);
// Whether a mode plays that level (1-based): any Classic level 1..10, Rush
// and Survival their one level file, Meditation level 1.
bool modePlaysLevel(int32_t mode, int32_t level);

struct ReplayVerdict {
    bool verified = false;
    std::string reason;  // why not; empty when verified
    ReplayOutcome outcome;
    double playedMs = 0;  // the play time the replay covers, once it was played
};
// Whether the replay's file, played under the rules, settles that mode and
// level (1-based) with a submittable end at exactly the submitted score, and
// stops in the frame that settled it. Files of more frames than the mode
// allows, or with input no player can cause, are refused unplayed.
ReplayVerdict verifyReplay(const std::string& bytes, int32_t mode, int32_t level, int32_t score);
