// How a level or run ends, as the rules settle it. The recorder closes an
// attempt's replay in the frame the end is settled, and the server's checker
// judges a replay by the same test, so a replay stops where its result was
// decided and nothing after it (the end sequence that blows the mass apart,
// the next level) can change that result.
#pragma once

#include <cstdint>

enum class LevelEnd : int32_t {
    Open,       // play still decides
    Cleared,    // Classic and Rush: the mass emptied before any loss; Meditation: the run ran out
    Lost,       // Classic and Rush: the meter passed its limit first
    RunEnded,   // Survival: the run is over and its score reported
    Abandoned,  // the pause menu's "Restart"
};

// The end the rules have reached so far in this level or run.
LevelEnd settledLevelEnd();
// An end the game submits a score for: a clear, or the end of a Survival run.
bool submittableEnd(LevelEnd end);
