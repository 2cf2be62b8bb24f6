// The Ranking screen: the category selector, ten rows of the world ranking
// with arrows, wheel and scroll bar, "Find Me" and "Back". The ranking lists
// themselves belong to online/ranking.
#pragma once

#include <cstdint>

extern float listDragOrigin[2];  // mouse position at the press that started a list drag

// The wheel moves the list one row per notch.
void wheelRanking(int32_t steps);

void UpdateRanking(float dtMs);
void renderRanking();
void clickRanking(int32_t item);
