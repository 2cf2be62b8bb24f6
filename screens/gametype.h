// The game type choice: Classic, Rush, Survival or Meditation.
#pragma once

#include <cstdint>
#include <vector>

#include "screens/menu_base.h"

// The rows of the screen.
std::vector<HitArea> gametypeHitAreas();

void UpdateGametype(float dtMs);
void renderGametype();
void clickGametype(int32_t item);
