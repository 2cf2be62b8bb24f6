// The watch list of the Ranking screen: a ranked player's verified runs in the
// shown category (level, score, date; the mode too in Overall), best first.
// A click on a run downloads its replay, which the replay viewer then plays
// with a line naming the player, the level and the score; "Close" or Escape
// goes back to the ranking rows. The lists and downloads belong to online/watch.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "screens/menu_base.h"

// Asks for a player's runs; the list shows from its best run.
void openWatchListAtTop(const std::string& userId, const std::string& name, int32_t category);
// The runs shown and "Close".
std::vector<HitArea> watchListHitAreas();
// The item under the pointer (every item is offered to the focus).
int32_t hoveredWatchItem();
void clickWatchList(int32_t item);
// The mouse wheel moves the list a run at a time when it is longer than the rows.
void wheelWatchList(int32_t steps);
// Drawn over the Ranking screen's title grid in place of its rows.
void renderWatchList(float spinnerDegrees);
// While a downloaded run plays: the line naming it, at the top of the view.
void renderWatchCaption();
