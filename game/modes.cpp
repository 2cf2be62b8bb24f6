#include "game/modes.h"

int32_t gameMode = ModeNormal;
bool practiceMode = false;
int32_t levelIndex = 0;
int32_t startLevelCalls = 0;
int32_t lastStartLevelArgument = -1;

// The mass and its level files arrive with the gameplay work; until then a
// level start only records that it was asked for.
void startLevel(int32_t freshGame) {
    startLevelCalls++;
    lastStartLevelArgument = freshGame;
}
