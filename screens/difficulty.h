// The difficulty choice of Classic: Casual, Normal or Expert.
#pragma once

#include <cstdint>

void UpdateDifficulty(float dtMs);
void renderDifficulty();
void clickDifficulty(int32_t item);
