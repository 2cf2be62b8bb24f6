// Built with the menus; until then the screen updates and draws nothing.
#include "screens/create_acc.h"

void UpdateCreateAcc(float) {}
void renderCreateAcc() {}
void clickCreateAcc(int32_t) {}
