// The world ranking: categories, pages of rows and "Find Me".
#pragma once

#include <cstdint>

extern int32_t rankingFirstRow;  // first shown row of the ranking list
extern int32_t rankingRowCount;  // rows in the list
extern float listDragOrigin[2];  // mouse position at the press that started a list drag

constexpr int32_t rankingVisibleRows = 10;

// The wheel moves the list one row per notch.
void wheelRanking(int32_t steps);

void UpdateRanking(float dtMs);
void renderRanking();
void clickRanking(int32_t item);
