// Built with the menus; until then the screen updates and draws nothing.
#include "screens/menu.h"

void UpdateMenu(float) {}
void renderMenu() {}
void clickMenu(int32_t) {}
