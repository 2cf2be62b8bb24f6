// The score screen after a level or a run: the result, ranks and skillpoints.
#pragma once

#include <cstdint>

extern bool scoreSlideActive;   // the panel slides in
extern float scoreSlideOffset;  // its x offset, starts at -ScreenWidth
extern bool scoreRetry;         // "Retry" chosen: replay the same level

// Starts the panel's slide in from the left edge.
void startScoreScreenSlide();

void UpdateScoreScreen(float dtMs);
void renderScoreScreen();
