// Tutorial cards: shown once per profile the first time their situation
// arises; a card pauses play until a click after it has been up 1000 ms.
// The pictures are drawn by the pause overlay.
#pragma once

#include <cstdint>

enum TutorialCard : int32_t {
    CardControl = 0,
    CardPowerups,
    CardCombo,
    CardComboNow,
    CardColour,
    CardMeterWarning,
    CardRush,
    CardSurvival,
    CardMeditation,
    tutorialCardCount
};

struct TutorialCardState {
    bool showing[tutorialCardCount] = {};  // the card is up
    float clock = 0.0f;                    // ms the current card has been up, capped at 1000
};
extern TutorialCardState tutorialCards;

constexpr float cardCloseDelayMs = 1000.0f;

// The card's seen flag (TuteControl ... TuteMeditation).
int32_t& tutorialSeenFlag(int32_t card);
// Shows the card if it was never seen and no card is up; true when shown.
bool showTutorialCard(int32_t card);
// Each frame while a card is up: a left click after 1000 ms closes it.
void updateTutorialCard(float dtMs);
