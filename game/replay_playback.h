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
    float levelTimeMs = 0.0f;
};

extern bool replayDrawn;  // the game draws the replay and runs its own fades (--replay)

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

// About four hours of play at 60 frames a second: a longer replay is not played.
constexpr size_t maxVerifiedFrames = 4 * 3600 * 60;

struct ReplayVerdict {
    bool verified = false;
    std::string reason;  // why not; empty when verified
    ReplayOutcome outcome;
    double playedMs = 0;  // the play time the replay covers, once it was played
};
// Whether the replay's file, played under the rules, reaches exactly the
// submitted score as the final result of that mode and level (1-based).
// Files of more than maxVerifiedFrames frames are refused unplayed.
ReplayVerdict verifyReplay(const std::string& bytes, int32_t mode, int32_t level, int32_t score);
