// Built with the menus; until then the screen updates and draws nothing.
#include "screens/login.h"

void UpdateLogin(float) {}
void renderLogin() {}
void clickLogin(int32_t) {}
