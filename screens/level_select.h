// The level choice of a Practice game, in two columns.
#pragma once

#include <cstdint>
#include <vector>

#include "screens/menu_base.h"

// "Back" and the ten levels.
std::vector<HitArea> levelSelectHitAreas();

void UpdateLevelSelect(float dtMs);
void renderLevelSelect();
void clickLevelSelect(int32_t item);
