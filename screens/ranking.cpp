// Built with the menus; until then the screen updates and draws nothing.
#include "screens/ranking.h"

#include "online/ranking.h"

float listDragOrigin[2] = {0.0f, 0.0f};

void wheelRanking(int32_t steps) {
    if (steps > 0) scrollRankingTo(rankingScroll - 1);
    if (steps < 0) scrollRankingTo(rankingScroll + 1);
}

void UpdateRanking(float) {}
void renderRanking() {}
void clickRanking(int32_t) {}
