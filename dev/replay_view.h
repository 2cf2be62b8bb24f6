// --replay FILE: the game shows a recorded level as it was played, with the
// HUD, drawing every frame itself. Once the intro is done the level starts with
// the replay's seed and settings; each frame then takes the recorded input
// and frame time instead of the player's, and the game quits after the last
// frame, logging the score it reached beside the recorded one.
#pragma once

// Called once a frame by the main loop before the frame's input and update.
void runReplayViewFrame();
