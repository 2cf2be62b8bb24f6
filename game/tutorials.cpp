#include "game/tutorials.h"

#include "game/play.h"
#include "settings/settings.h"
#include "shell/pointer.h"

bool cardShowing[tutorialCardCount] = {};
float tutorialClock = 0.0f;

int32_t& tutorialSeenFlag(int32_t card) {
    int32_t* const flags[tutorialCardCount] = {&TuteControl,  &TutePup,      &TuteCombo,
                                               &TuteComboNow, &TuteColor,    &TuteZent,
                                               &TuteRush,     &TuteSurvival, &TuteMeditation};
    return *flags[card];
}

bool showTutorialCard(int32_t card) {
    if (tutorialShowing || tutorialSeenFlag(card) != 0) return false;
    cardShowing[card] = true;
    tutorialShowing = true;
    paused = true;
    tutorialSeenFlag(card) = 1;
    saveSettings();
    return true;
}

void updateTutorialCard(float dtMs) {
    if (!tutorialShowing) return;
    if (tutorialClock > cardCloseDelayMs) tutorialClock = cardCloseDelayMs;
    tutorialClock += dtMs;
    if (!leftDown || tutorialClock <= cardCloseDelayMs) return;
    tutorialClock = 0.0f;
    // The click that closes the card is taken: it neither fires nor clicks the panel below.
    leftDown = false;
    paused = !paused;
    tutorialShowing = false;
    for (bool& showing : cardShowing) showing = false;
}
