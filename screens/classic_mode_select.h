// The play mode of Classic: Ranked or Practice.
#pragma once

#include <cstdint>

void UpdateClassicModeSelect(float dtMs);
void renderClassicModeSelect();
void clickClassicModeSelect(int32_t item);
