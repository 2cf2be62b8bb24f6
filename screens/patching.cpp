// Built with the menus; until then the screen updates and draws nothing.
#include "screens/patching.h"

void UpdatePatching(float) {}
void renderPatching() {}
