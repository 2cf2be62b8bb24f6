// Built with the menus; until then the screen updates and draws nothing.
#include "screens/gametype.h"

void UpdateGametype(float) {}
void renderGametype() {}
void clickGametype(int32_t) {}
