// Built with the menus; until then the screen updates and draws nothing.
#include "screens/grats.h"

void UpdateGrats(float) {}
void renderGrats() {}
