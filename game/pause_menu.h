// The pause overlay's share of the rules: which items it offers, what
// choosing one does to play, and how it takes a click while the game is
// paused. The overlay itself (screens/pause) finds the item under the
// pointer; a replay applies the recorded choice instead.
#pragma once

#include <cstdint>

extern bool resetQuestion;  // "Would you like to reset the tutorials?" is up; holds the pause

// Buttons of the overlay, as hoverItem counts them.
enum PauseItem : int32_t {
    PauseResume = 1,
    PauseRestart = 2,
    PauseOptions = 3,
    PauseQuit = 4,
    ResetYes = 5,
    ResetNo = 6,
    PromptOffline = 7,    // "Continue in offline mode"
    PromptResume = 8,     // "Resume" once connected
    PromptBack = 9,       // the offline warning's "Back"
    PromptContinue = 10,  // the offline warning's "Continue"
};

// Each Game frame after UpdateGame: the reset question and the prompt hold
// the pause, and a press while paused (no card up) is taken, so it neither
// fires nor clicks again. True when a press was taken in play: the overlay
// then chooses the item under the pointer.
bool takePauseClick();
// What choosing an item does to play (the overlay adds what it shows).
void choosePauseItem(int32_t item);
