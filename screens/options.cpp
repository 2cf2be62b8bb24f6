// Built with the menus; until then the screen updates and draws nothing.
#include "screens/options.h"

bool optionsFromGame = false;

void UpdateOptions(float) {}
void renderOptions() {}
void clickOptions(int32_t) {}
