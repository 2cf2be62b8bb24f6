// Bot runs across every mode, recorded as the game records them, for the
// replay benchmarks: run n plays mode n % 6 (Classic levels 1 + n / 6 % 10),
// up to 3 minutes of play, with frame times that vary as measured ones do.
#pragma once

#include <cstdint>
#include <string>

struct RecordedReplay {
    std::string bytes;    // the replay file
    int32_t mode, level;  // as the result is submitted (the mode's own level outside Classic)
    int32_t score;        // the run's result
    double playedMs;      // the play time it covers
};

// Reads the levels from the archive, keeps them, and turns recording on.
void prepareRecording(const std::string& archive);
// Run n; `levelSeed` is the seed the level plays (-1: one of its own).
RecordedReplay recordRun(int n, int64_t levelSeed = -1);
