// The achievements: nine pages of tiles that slide from one to the next.
#pragma once

#include <cstdint>

extern int32_t achievesPage;       // 1..9
extern bool achievesSlideResting;  // the page slide is at rest

constexpr int32_t firstAchievesPage = 1;
constexpr int32_t lastAchievesPage = 9;

// The wheel turns one page per notch while the slide rests.
void wheelAchieves(int32_t steps);

void UpdateAchieves(float dtMs);
void renderAchieves();
void clickAchieves(int32_t item);
