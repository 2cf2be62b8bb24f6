// Built with the menus; until then the screen updates and draws nothing.
#include "screens/classic_mode_select.h"

void UpdateClassicModeSelect(float) {}
void renderClassicModeSelect() {}
void clickClassicModeSelect(int32_t) {}
