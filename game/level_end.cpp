#include "game/level_end.h"

#include "game/play_state.h"

// Classic and Rush settle at the first of the clear (the mass found empty,
// which bars any later loss) and the loss (which bars any later clear).
static LevelEnd classicEnd() {
    if (meter.levelOver && meter.endSequence) return LevelEnd::Lost;
    if (meter.levelClearTimer > 0.0f) return LevelEnd::Cleared;
    return LevelEnd::Open;
}

// Survival and Meditation report their score once the end sequence has run out.
static LevelEnd runEnd() {
    if (!meter.levelOver || !meter.endSequenceDone) return LevelEnd::Open;
    bool meditationDone =
        modeState.gameMode == ModeMeditation && modeState.arrivals >= meditationShots;
    return meditationDone ? LevelEnd::Cleared : LevelEnd::RunEnded;
}

LevelEnd settledLevelEnd() {
    if (meter.restartRequested) return LevelEnd::Abandoned;
    return isClassicMode() || modeState.gameMode == ModeRush ? classicEnd() : runEnd();
}

bool submittableEnd(LevelEnd end) {
    return end == LevelEnd::Cleared ||
           (end == LevelEnd::RunEnded && modeState.gameMode == ModeSurvival);
}
