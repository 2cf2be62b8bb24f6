// The game type choice: Classic, Rush, Survival or Meditation.
#pragma once

#include <cstdint>

void UpdateGametype(float dtMs);
void renderGametype();
void clickGametype(int32_t item);
