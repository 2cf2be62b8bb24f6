// The credits: the scrolling text over the backdrop-free screen.
#pragma once

#include <cstdint>

void UpdateCredits(float dtMs);
void renderCredits();
void clickCredits(int32_t item);
