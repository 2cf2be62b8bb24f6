// Per-screen update, render and click routines dispatched by GameState.
#pragma once

#include <cstdint>

void UpdateIntro(float dtMs);
void renderIntro();
void UpdateMenu(float dtMs);
void renderMenu();
void clickMenu(int32_t item);
void UpdateOptions(float dtMs);
void renderOptions();
void clickOptions(int32_t item);
void UpdateCredits(float dtMs);
void renderCredits();
void clickCredits(int32_t item);
void UpdateRestart(float dtMs);
void renderRestart();
void UpdateCreateAcc(float dtMs);
void renderCreateAcc();
void clickCreateAcc(int32_t item);
void UpdateLogin(float dtMs);
void renderLogin();
void clickLogin(int32_t item);
void UpdateScoreScreen(float dtMs);
void renderScoreScreen();
void UpdateGametype(float dtMs);
void renderGametype();
void clickGametype(int32_t item);
void UpdateRanking(float dtMs);
void renderRanking();
void clickRanking(int32_t item);
void UpdateGrats(float dtMs);
void renderGrats();
void UpdateDifficulty(float dtMs);
void renderDifficulty();
void clickDifficulty(int32_t item);
void UpdateAchieves(float dtMs);
void renderAchieves();
void clickAchieves(int32_t item);
void UpdatePatching(float dtMs);
void renderPatching();
void UpdateLevelSelect(float dtMs);
void renderLevelSelect();
void clickLevelSelect(int32_t item);
void UpdateClassicModeSelect(float dtMs);
void renderClassicModeSelect();
void clickClassicModeSelect(int32_t item);
void renderPause();

// Score screen slide-in and retry flag.
extern bool scoreSlideActive;   // the panel slides in
extern float scoreSlideOffset;  // its x offset, starts at -ScreenWidth
extern bool scoreRetry;         // "Retry" chosen: replay the same level

// Ranking list and achievement pages scrolled by the wheel.
extern int32_t rankingFirstRow;    // first shown row of the ranking list
extern int32_t rankingRowCount;    // rows in the list
extern int32_t achievesPage;       // 1..9
extern bool achievesSlideResting;  // the page slide is at rest

// Backdrop and music, advanced every frame before the screen.
void UpdateStarfield(float dtMs);
void renderBackground();
// The current screen's background texture has finished streaming.
bool backgroundTextureLoaded();
void UpdateMusic(float dtMs);

extern bool optionsFromGame;  // the options were opened from the pause menu
