// The score screen after a level or a run: the result, and online the
// skillpoints and the rank the server computed, which change in place as the
// replies arrive; "Retry", "Continue" (Classic only) and "Quit".
//
// Arriving from the game or the congratulations starts the slide-in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "screens/menu_base.h"

extern bool scoreSlideActive;   // the panel slides in
extern float scoreSlideOffset;  // its x offset, starts at -ScreenWidth
extern bool scoreRetry;         // "Retry" chosen: replay the same level

enum ScoreScreenItem : int32_t { ScoreRetry = 1, ScoreContinue = 2, ScoreQuit = 3 };

// One line of the screen: its label, its value, and a mark after the value.
struct ScoreLine {
    std::string label;
    std::string value;
    unsigned char valueColour[3];
    std::string mark;  // " +2" or " -3" after the rank; "" for none
    unsigned char markColour[3];
};

// The skillpoints line from the values of the score reply (−1 until it came).
// Points earned online are marked "pending": they count once the server has
// verified the level's replay.
ScoreLine skillpointsLine(int32_t skillBefore, int32_t skillAfter, bool offline,
                          bool pending = false);
// The rank line of mode 1..6 from the rank before and after the result.
ScoreLine rankLine(int32_t mode, int32_t rankBefore, int32_t rankAfter, bool offline);
// The button under the mouse, 0 for none; the middle one only in Classic.
int32_t hoveredScoreButton();

// Starts the panel's slide in from the left edge.
void startScoreScreenSlide();

// Retry, Continue (in Classic) and Quit.
std::vector<HitArea> scoreScreenHitAreas();

void UpdateScoreScreen(float dtMs);
void renderScoreScreen();
