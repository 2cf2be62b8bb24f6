#include "screens/ranking_layout.h"

#include "base/player_settings.h"
#include "engine/fonts.h"

static constexpr float opaque = 255.0f;
static constexpr float buttonUnitShare = 0.035f, buttonWidthUnits = 4.0f, buttonHeightUnits = 0.8f;

float rankingRowBaseline(int32_t shown) {
    return (rankingFirstRowShare + rankingRowStepShare * static_cast<float>(shown)) * screenH();
}

float rankingColumnX(float share) {
    return screenW() / 2 + share * screenH();
}

IntRect rankingRowRect(int32_t shown) {
    float y = rankingRowBaseline(shown), step = rankingRowStepShare * screenH();
    float left = rankingColumnX(-rankingTableHalfWidth);
    float right = rankingColumnX(rankingTableHalfWidth);
    return {static_cast<int>(left), static_cast<int>(y - 0.78f * step), static_cast<int>(right),
            static_cast<int>(y + 0.22f * step)};
}

void printRankingText(const std::string& text, float x, float y, int align, float scale,
                      const unsigned char* colour) {
    float r = colour ? colour[0] : opaque, g = colour ? colour[1] : opaque;
    float b = colour ? colour[2] : opaque;
    printShadowed(text, x, y, 2.0f, align, scale, r, g, b, opaque, mediumFont);
}

MenuButton rankingTextButton(int32_t item, float offset, const char* label) {
    float unit = buttonUnitShare * screenW();
    return {item,
            {screenW() / 2 + offset * screenW(), rankingButtonsShare * screenH()},
            {buttonWidthUnits * unit, buttonHeightUnits * unit},
            label};
}
