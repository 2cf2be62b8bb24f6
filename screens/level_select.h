// The level choice of a Practice game, in two columns.
#pragma once

#include <cstdint>

void UpdateLevelSelect(float dtMs);
void renderLevelSelect();
void clickLevelSelect(int32_t item);
