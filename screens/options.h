// The options: quality, resolution, volumes and controls; also reachable from the pause menu.
#pragma once

#include <cstdint>

extern bool
    optionsFromGame;  // the options were opened from the pause menu; cleared on the way back

void UpdateOptions(float dtMs);
void renderOptions();
void clickOptions(int32_t item);
