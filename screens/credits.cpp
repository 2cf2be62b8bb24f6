#include "screens/credits.h"

#include <sstream>

#include "archive/asset_archive.h"
#include "base/game_state.h"
#include "base/profiler.h"
#include "engine/draw2d.h"
#include "platform/input_state.h"
#include "screens/menu_base.h"
#include "settings/settings.h"

static const char* const namesAsset = "text\\credits.txt";
static constexpr float headingScale = 1.0f, nameScale = 0.75f;
static constexpr float lineStep = 1.25f;
static constexpr float logoY = 0.12f, logoWidthDivisor = 2.75f, logoAspect = 101.0f / 629.0f;

// A heading, its line number n and how many name lines it has room for.
struct CreditsHeading {
    const char* title;
    int32_t n;
    int32_t nameLines;
};
static const CreditsHeading headings[] = {
    {"Game Design", 4, 1},   {"Programming & Sound FX", 8, 1}, {"Art & Music", 12, 1},
    {"Beta Testers", 16, 3}, {"Special Thanks", 22, 1},
};

static std::string trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(" \t\r");
    size_t last = text.find_last_not_of(" \t\r");
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

std::vector<CreditsLine> creditsPageLines(const std::string& namesFile) {
    std::vector<CreditsLine> lines = {{"Developed by Brisko Game Studios", 1, nameScale}};
    for (const CreditsHeading& heading : headings) {
        lines.push_back({heading.title, heading.n, headingScale});
        std::istringstream in(namesFile);
        std::string line;
        int32_t used = 0;
        while (std::getline(in, line) && used < heading.nameLines) {
            size_t colon = line.find(':');
            if (line.empty() || line[0] == '#' || colon == std::string::npos) continue;
            if (trimmed(line.substr(0, colon)) != heading.title) continue;
            lines.push_back({trimmed(line.substr(colon + 1)), heading.n + 1 + used, nameScale});
            used++;
        }
    }
    return lines;
}

static const std::vector<CreditsLine>& pageLines() {
    static std::vector<CreditsLine> lines;
    static bool read = false;
    if (!read) {
        read = true;
        lines = creditsPageLines(readAsset(namesAsset));
    }
    return lines;
}

void UpdateCredits(float) {
    ProfileScope section("UpdateCredits");
    if (platformKeyHeld(vk::Escape)) GameState = CreditsToMenu;
}

void renderCredits() {
    ProfileScope section("renderCredits");
    float w = static_cast<float>(ScreenWidth), h = static_cast<float>(ScreenHeight);
    float logoHeight = w / 3 * logoAspect;
    Render2D({w / 2, logoY * h}, {w / logoWidthDivisor, logoHeight}, AnchorCentre,
             "zentrixlogo.tga", 255.0f);
    float top = logoY * h + logoHeight / 2;
    for (const CreditsLine& line : pageLines())
        drawMenuLabel(line.text, w / 2, top + menuLineHeight() * lineStep * line.n, line.scale);
}

// Any left click leaves the credits, whatever is under the mouse.
void clickCredits(int32_t) {
    GameState = CreditsToMenu;
    hoverItem = 0;
}
