#include "screens/tutorial_cards.h"

#include "base/pointer.h"
#include "base/profiler.h"
#include "game/tutorials.h"
#include "settings/settings.h"

static constexpr float smallCardShare = 0.25f;
static constexpr float smallCardAspect = 231.0f / 482.0f;
static constexpr float comboWidthRatio = 498.0f / 482.0f, comboAspect = 214.0f / 498.0f;
static constexpr float largeWidthRatio = 628.0f / 498.0f, largeAspect = 272.0f / 628.0f;
static constexpr float cornerShare = 0.02f, sideShare = 0.075f;
static constexpr float warningY = 0.12f, colourX = 0.4f, colourY = 0.8f;

// The picture of a card, the game-type ones by scheme 0 normal, 1 reversed,
// 2 single; the controls card shows the controller instead while one is in use.
static std::string cardTexture(int32_t card, int32_t scheme) {
    static const char* const suffixes[] = {"", "-rev", "-single"};
    const char* suffix = suffixes[scheme >= 0 && scheme <= 2 ? scheme : 0];
    switch (card) {
        case CardControl:
            if (padInUse) return padControlsCard;
            return std::string("tute-control") + suffix + ".tga";
        case CardRush:
            return std::string("tute-rush") + suffix + ".tga";
        case CardSurvival:
            return std::string("tute-surv") + suffix + ".tga";
        case CardMeditation:
            return std::string("tute-med") + suffix + ".tga";
        case CardPowerups:
            return "tute-pup.tga";
        case CardMeterWarning:
            return "tute-zent.tga";
        case CardCombo:
            return "tute-combo.tga";
        case CardComboNow:
            return "tute-combonow.tga";
        default:
            return "tute-color.tga";
    }
}

CardPlacement tutorialCardPlacement(int32_t card, int32_t scheme, float w, float h) {
    Vec2 small = {smallCardShare * w, smallCardShare * w * smallCardAspect};
    float comboWidth = smallCardShare * w * comboWidthRatio;
    Vec2 combo = {comboWidth, comboWidth * comboAspect};
    float largeWidth = comboWidth * largeWidthRatio;
    Vec2 large = {largeWidth, largeWidth * largeAspect};
    std::string texture = cardTexture(card, scheme);
    switch (card) {
        case CardPowerups:
            return {texture, {cornerShare * w, h - sideShare * w}, small, AnchorBottomLeft};
        case CardMeterWarning:
            return {texture, {w / 2, warningY * h}, small, AnchorCentre};
        case CardCombo:
            return {texture, {w / 2 + sideShare * w, h / 2}, combo, AnchorLeftMiddle};
        case CardComboNow:
            return {texture, {w / 2 - sideShare * w - combo.x, h / 2}, combo, AnchorLeftMiddle};
        case CardColour:
            return {texture, {w - colourX * h, colourY * h}, combo, AnchorCentre};
        default:
            return {texture, {w / 2, h / 2}, large, AnchorCentre};
    }
}

void renderTutorial() {
    ProfileScope section("renderTutorial");
    float w = static_cast<float>(ScreenWidth), h = static_cast<float>(ScreenHeight);
    for (int32_t card = 0; card < tutorialCardCount; card++) {
        if (!tutorialCards.showing[card]) continue;
        CardPlacement place = tutorialCardPlacement(card, controls, w, h);
        Render2D(place.position, place.size, place.anchor, place.texture, 255.0f);
    }
}
