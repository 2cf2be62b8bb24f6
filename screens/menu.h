// The main menu: the game types, rankings, achievements, options, credits and the news panel.
#pragma once

#include <cstdint>

void UpdateMenu(float dtMs);
void renderMenu();
void clickMenu(int32_t item);
