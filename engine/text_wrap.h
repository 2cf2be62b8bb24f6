// Word wrap by the font's measure, for the news panel and the achievement descriptions.
#pragma once

#include <string>
#include <vector>

#include "engine/fonts.h"

// Lines of text wrapped for a panel: a line ends at a line feed, and is closed
// once its printed width (printedWidth) reaches width − 2 × margin; a word
// longer than a line is cut.
std::vector<std::string> wrapText(const std::string& text, const FontData& font, float scale,
                                  float width, float margin);
