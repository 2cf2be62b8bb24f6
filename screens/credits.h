// The credits: a still page without the backdrop, the logo and the names
// under their headings; a click or Escape held goes back to the menu.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One printed line of the page: its text, its line number n and its scale.
struct CreditsLine {
    std::string text;
    int32_t n;
    float scale;
};

// The page's lines from the names file ("Heading: names" per line).
std::vector<CreditsLine> creditsPageLines(const std::string& namesFile);

void UpdateCredits(float dtMs);
void renderCredits();
void clickCredits(int32_t item);
