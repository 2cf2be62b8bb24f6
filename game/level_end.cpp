#include "game/level_end.h"

#include "game/meter.h"
#include "game/modes.h"

// Classic and Rush settle at the first of the clear (the mass found empty,
// which bars any later loss) and the loss (which bars any later clear).
static LevelEnd classicEnd() {
    if (levelOver && endSequence) return LevelEnd::Lost;
    if (levelClearTimer > 0.0f) return LevelEnd::Cleared;
    return LevelEnd::Open;
}

// Survival and Meditation report their score once the end sequence has run out.
static LevelEnd runEnd() {
    if (!levelOver || !endSequenceDone) return LevelEnd::Open;
    bool meditationDone = gameMode == ModeMeditation && arrivals >= meditationShots;
    return meditationDone ? LevelEnd::Cleared : LevelEnd::RunEnded;
}

LevelEnd settledLevelEnd() {
    if (restartRequested) return LevelEnd::Abandoned;
    return isClassicMode() || gameMode == ModeRush ? classicEnd() : runEnd();
}

bool submittableEnd(LevelEnd end) {
    return end == LevelEnd::Cleared || (end == LevelEnd::RunEnded && gameMode == ModeSurvival);
}
