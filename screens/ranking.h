// The Ranking screen: the category selector, ten rows of the world ranking
// with arrows, wheel and scroll bar, "Find Me" and "Back". The ranking lists
// themselves belong to online/ranking; the menu picks the first category.
// A click on a row opens that player's verified runs (screens/watch_list).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "screens/menu_base.h"
#include "screens/ranking_layout.h"

extern int32_t rankingHeldItem;  // the arrow or bar held down since its click; 0 for none
extern float rankingHoldMs;      // ms it has been held

constexpr float arrowRepeatDelayMs = 500.0f;
constexpr float arrowRepeatStepMs = 100.0f;

// The wheel moves the list one row per notch.
void wheelRanking(int32_t steps);
// A held arrow repeats after 500 ms, one row every 100 ms; a held bar drags the list.
void holdRankingButton(float dtMs);

// "Find Me", "Back", the category arrows and the scroll arrows.
std::vector<HitArea> rankingHitAreas();

void UpdateRanking(float dtMs);
void renderRanking();
void clickRanking(int32_t item);
// The replay viewer is done: the ranking shows again where it was left, with
// the watch list open; the Escape that ended the replay does nothing more.
void returnToRankingFromReplay();
