// Built with the menus; until then the overlay draws nothing.
#include "screens/pause.h"

void renderPause() {}
