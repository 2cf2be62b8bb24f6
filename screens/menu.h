// The main menu: the game types, rankings, achievements, options, credits,
// the three site icons and the news panel (the online client's newsText,
// shown while the login reply announced news).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/fonts.h"
#include "screens/menu_base.h"

extern float menuAngle;           // degrees, 0..360; turns the news spinner
extern int32_t menuFrameCounter;  // 0..59, advanced by every menu update

// The addresses the three site icons open (CMake cache variables).
extern const char* const twitterPageUrl;
extern const char* const facebookPageUrl;
extern const char* const supportPageUrl;

// The rows and the three site icons.
std::vector<HitArea> menuHitAreas();

void UpdateMenu(float dtMs);
void renderMenu();
void clickMenu(int32_t item);
