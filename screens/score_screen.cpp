// Built with the menus; until then the screen updates and draws nothing.
#include "screens/score_screen.h"

#include "settings/settings.h"

bool scoreSlideActive = false;
float scoreSlideOffset = 0.0f;
bool scoreRetry = false;

void startScoreScreenSlide() {
    scoreSlideActive = true;
    scoreSlideOffset = -static_cast<float>(ScreenWidth);
}

void UpdateScoreScreen(float) {}
void renderScoreScreen() {}
