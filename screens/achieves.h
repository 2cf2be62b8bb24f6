// The achievements: nine pages of three tiles that slide from one to the
// next, and the tile that the in-game popups draw too.
//
// The menu's "Achievements" shows page 1 at rest.
#pragma once

#include <cstdint>
#include <vector>

#include "screens/menu_base.h"

// Where one page is and where it slides to.
struct AchievesPageSlide {
    float x, scale;          // now; x in pixels
    float fromX, fromScale;  // when the slide began
    float toX, toScale;      // the target
};

constexpr int32_t firstAchievesPage = 1;
constexpr int32_t lastAchievesPage = 9;
constexpr int32_t tilesPerPage = 3;

extern int32_t achievesPage;                                    // 1..9, the current page
extern bool achievesSlideResting;                               // the current page is at its target
extern AchievesPageSlide achievesSlides[lastAchievesPage + 1];  // by page; entry 0 unused

// Page 1 current, every page at rest in its place.
void showFirstAchievesPage();
// Moves to the page `step` away (clamped to 1..9) unless the slide still runs.
void turnAchievesPage(int32_t step);
// Moves every page toward its target by dtMs.
void slideAchievesPages(float dtMs);
// The wheel turns one page per notch while the slide rests.
void wheelAchieves(int32_t steps);

// One tile centred at (x, y): the picture, title, description and caption of
// achievement n, locked or not, at scale with alpha 0..1.
void renderAchievementTile(float x, float y, float scale, float alpha, int32_t n);

// "Back" and the page arrows.
std::vector<HitArea> achievesHitAreas();

void UpdateAchieves(float dtMs);
void renderAchieves();
void clickAchieves(int32_t item);
