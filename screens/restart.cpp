// Built with the menus; until then the screen updates and draws nothing.
#include "screens/restart.h"

void UpdateRestart(float) {}
void renderRestart() {}
