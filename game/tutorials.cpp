#include "game/tutorials.h"

#include "base/player_settings.h"
#include "base/pointer.h"
#include "game/play_effects.h"
#include "game/play_state.h"

TutorialCardState tutorialCards;

static_assert(tutorialCardCount == tutorialFlagCount, "one seen flag per card");

int32_t& tutorialSeenFlag(int32_t card) {
    return *tutorialFlags[card];
}

bool showTutorialCard(int32_t card) {
    if (play.tutorialShowing || tutorialSeenFlag(card) != 0) return false;
    tutorialCards.showing[card] = true;
    play.tutorialShowing = true;
    play.paused = true;
    tutorialSeenFlag(card) = 1;
    saveChangedSettings();
    return true;
}

void updateTutorialCard(float dtMs) {
    if (!play.tutorialShowing) return;
    if (tutorialCards.clock > cardCloseDelayMs) tutorialCards.clock = cardCloseDelayMs;
    tutorialCards.clock += dtMs;
    if (!leftDown || tutorialCards.clock <= cardCloseDelayMs) return;
    tutorialCards.clock = 0.0f;
    // The click that closes the card is taken: it neither fires nor clicks the panel below.
    leftDown = false;
    play.paused = !play.paused;
    play.tutorialShowing = false;
    for (bool& showing : tutorialCards.showing) showing = false;
}
