// The play mode of Classic: Ranked or Practice.
#pragma once

#include <cstdint>
#include <vector>

#include "screens/menu_base.h"

// The rows of the screen.
std::vector<HitArea> playModeHitAreas();

void UpdateClassicModeSelect(float dtMs);
void renderClassicModeSelect();
void clickClassicModeSelect(int32_t item);
