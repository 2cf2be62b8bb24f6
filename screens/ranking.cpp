// Built with the menus; until then the screen updates and draws nothing.
#include "screens/ranking.h"

int32_t rankingFirstRow = 0;
int32_t rankingRowCount = 0;
float listDragOrigin[2] = {0.0f, 0.0f};

void wheelRanking(int32_t steps) {
    if (steps > 0 && rankingFirstRow > 0) --rankingFirstRow;
    if (steps < 0 && rankingFirstRow + rankingVisibleRows < rankingRowCount) ++rankingFirstRow;
}

void UpdateRanking(float) {}
void renderRanking() {}
void clickRanking(int32_t) {}
