// Built with the menus; until then the screen updates and draws nothing.
#include "screens/difficulty.h"

void UpdateDifficulty(float) {}
void renderDifficulty() {}
void clickDifficulty(int32_t) {}
