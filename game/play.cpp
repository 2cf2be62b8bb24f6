// Play state globals. The play loop and the game view are built with the
// gameplay work; until then a game shows an empty view.
#include "game/play.h"

bool paused = false;
bool tutorialShowing = false;
bool playStarted = false;
int32_t currentColour = -1;
bool timewarpActive = false;

void UpdateGame(float) {}
void renderGame() {}
