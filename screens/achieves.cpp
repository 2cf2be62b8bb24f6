// Built with the menus; until then the screen updates and draws nothing.
#include "screens/achieves.h"

int32_t achievesPage = firstAchievesPage;
bool achievesSlideResting = true;

void wheelAchieves(int32_t steps) {
    if (!achievesSlideResting) return;
    if (steps > 0 && achievesPage > firstAchievesPage) --achievesPage;
    if (steps < 0 && achievesPage < lastAchievesPage) ++achievesPage;
}

void UpdateAchieves(float) {}
void renderAchieves() {}
void clickAchieves(int32_t) {}
