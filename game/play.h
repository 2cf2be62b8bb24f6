// Play state read by the shell before the play loop exists in full.
// startLevel resets all of it.
#pragma once

#include <cstdint>

extern bool paused;            // the pause overlay is up
extern bool tutorialShowing;   // a tutorial card is up
extern bool playStarted;       // the level's play has begun (the shots count)
extern int32_t currentColour;  // colour of the next shot, -1 = to be chosen
extern bool timewarpActive;    // game time runs at a quarter

void UpdateGame(float dtMs);
void renderGame();
