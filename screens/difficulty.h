// The difficulty choice of Classic: Casual, Normal or Expert.
#pragma once

#include <cstdint>
#include <vector>

#include "screens/menu_base.h"

// The rows of the screen.
std::vector<HitArea> difficultyHitAreas();

void UpdateDifficulty(float dtMs);
void renderDifficulty();
void clickDifficulty(int32_t item);
