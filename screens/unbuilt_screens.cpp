// The screens that have not been built yet: each routine is empty, so the
// state machine can run through every screen and fade. Each moves into its
// own file when its screen is built.
#include "screens/screens.h"

bool scoreSlideActive = false;
float scoreSlideOffset = 0.0f;
bool scoreRetry = false;
int32_t rankingFirstRow = 0;
int32_t rankingRowCount = 0;
int32_t achievesPage = 1;
bool achievesSlideResting = true;
bool optionsFromGame = false;

void UpdateMenu(float) {}
void renderMenu() {}
void clickMenu(int32_t) {}
void UpdateOptions(float) {}
void renderOptions() {}
void clickOptions(int32_t) {}
void UpdateCredits(float) {}
void renderCredits() {}
void UpdateRestart(float) {}
void renderRestart() {}
void UpdateCreateAcc(float) {}
void renderCreateAcc() {}
void clickCreateAcc(int32_t) {}
void UpdateLogin(float) {}
void renderLogin() {}
void clickLogin(int32_t) {}
void UpdateScoreScreen(float) {}
void renderScoreScreen() {}
void UpdateGametype(float) {}
void renderGametype() {}
void clickGametype(int32_t) {}
void UpdateRanking(float) {}
void renderRanking() {}
void clickRanking(int32_t) {}
void UpdateGrats(float) {}
void renderGrats() {}
void UpdateDifficulty(float) {}
void renderDifficulty() {}
void clickDifficulty(int32_t) {}
void UpdateAchieves(float) {}
void renderAchieves() {}
void clickAchieves(int32_t) {}
void UpdatePatching(float) {}
void renderPatching() {}
void UpdateLevelSelect(float) {}
void renderLevelSelect() {}
void clickLevelSelect(int32_t) {}
void UpdateClassicModeSelect(float) {}
void renderClassicModeSelect() {}
void clickClassicModeSelect(int32_t) {}
void renderPause() {}
