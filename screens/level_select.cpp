// Built with the menus; until then the screen updates and draws nothing.
#include "screens/level_select.h"

void UpdateLevelSelect(float) {}
void renderLevelSelect() {}
void clickLevelSelect(int32_t) {}
