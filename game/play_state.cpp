#include "game/play_state.h"

ModeState modeState;
MeterState meter;
PowerupState powerups;
PlayState play;
MatchState matching;

bool isClassicMode() {
    return modeState.gameMode == ModeCasual || modeState.gameMode == ModeNormal ||
           modeState.gameMode == ModeExpert;
}
