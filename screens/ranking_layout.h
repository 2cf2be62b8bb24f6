// The ranking view's grid, which the watch list lays itself out on too: the
// ten row places, columns measured from the centre, text as the rows print
// it, and the buttons of the bottom row.
#pragma once

#include <cstdint>
#include <string>

#include "engine/draw2d.h"
#include "screens/menu_base.h"

// The clickable items of the ranking view and of the watch list over it.
enum RankingItem : int32_t {
    RankingPreviousCategory = 1,
    RankingNextCategory = 2,
    RankingArrowUp = 3,
    RankingArrowDown = 4,
    RankingBack = 5,
    RankingFindMe = 6,
    RankingScrollBar = 7,
    RankingFirstRow = 20,  // the ten rows shown: 20 .. 29
    WatchFirstRun = 40,    // the watch list's runs: 40 .. 49
    WatchClose = 60,
};

// Vertical layout, in shares of the screen height: the title lies above the
// title grid, the category row, the header and the ten rows between its rails.
constexpr float rankingTitleShare = 0.215f, rankingCategoryShare = 0.295f;
constexpr float rankingHeaderShare = 0.343f;
constexpr float rankingFirstRowShare = 0.387f, rankingRowStepShare = 0.0315f;
constexpr float rankingButtonsShare = 0.85f;
constexpr float rankingTableHalfWidth = 0.40f;  // screen heights either side of the centre

// Row `shown` (0..9) of the view: its baseline and the rectangle it fills.
float rankingRowBaseline(int32_t shown);
IntRect rankingRowRect(int32_t shown);
// A column at `share` screen heights from the centre.
float rankingColumnX(float share);
void printRankingText(const std::string& text, float x, float y, int align, float scale,
                      const unsigned char* colour = nullptr);
// A button in the row of "Find Me" and "Back", `offset` screen widths from the centre.
MenuButton rankingTextButton(int32_t item, float offset, const char* label);
