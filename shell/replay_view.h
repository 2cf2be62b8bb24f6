// The replay viewer: the game shows a recorded level as it was played, with
// the HUD, drawing every frame itself. It plays the file of --replay FILE
// (the game quits after it) and the runs the Ranking screen downloads (the
// ranking shows again after them, where it was left; Escape ends one early).
// The level starts with the replay's seed and settings; each frame then takes
// the recorded input and frame time instead of the player's, and the end logs
// the score reached beside the recorded one. A downloaded run leaves the
// player's settings, connection and next game as they were before it.
#pragma once

// Called once a frame by the main loop before the frame's input and update.
void runReplayViewFrame();
