// A sign of life while the game starts: between start-up steps the window
// shows a row of cubes filling in, so a slow machine
// (or the restart after new video settings) never shows a dead black window.
#pragma once

constexpr int startupProgressSteps = 6;

// Draws the row with stepsDone of startupProgressSteps cubes lit, leaving the
// GL state as it found it.
void drawStartupProgress(int stepsDone);
