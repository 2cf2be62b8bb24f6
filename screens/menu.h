// The main menu: the game types, rankings, achievements, options, credits,
// the three site icons and the news panel.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/fonts.h"

extern float menuAngle;           // degrees, 0..360; turns the news spinner
extern int32_t menuFrameCounter;  // 0..59, advanced by every menu update
// The news panel reads these two until the online client's news reply (issue
// 13) exists; that client then sets them, or the panel reads its reply instead.
extern bool menuNewsAnnounced;    // the login reply announced news: the panel shows
extern std::string menuNewsText;  // the news; empty while it loads (the spinner turns)

// The addresses the three site icons open (CMake cache variables).
extern const char* const twitterPageUrl;
extern const char* const facebookPageUrl;
extern const char* const supportPageUrl;

// Lines of text wrapped for a panel: a line ends at a line feed, and is closed
// once its printed width (printedWidth) reaches width − 2 × margin.
std::vector<std::string> wrapNewsText(const std::string& text, const FontData& font, float scale,
                                      float width, float margin);

void UpdateMenu(float dtMs);
void renderMenu();
void clickMenu(int32_t item);
