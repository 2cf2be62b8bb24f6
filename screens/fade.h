// The black square that fades every screen in and out.
#pragma once

#include <cstdint>

// The alpha (0..255) of the fade square for the current fadeTimer.
float fadeAlpha();
// Every frame of a shown screen: whether its fade-in is held back (its
// background still loading, its reply still awaited) for dtMs more.
void noteFadeHeld(bool held, float dtMs);
// The wait has lasted past fadeWaitSignMs: the spinner shows.
bool fadeWaitShown();
// The fade square; a wait longer than fadeWaitSignMs shows a turning spinner on it.
void renderFadeIn();

constexpr float fadeWaitSignMs = 500.0f;
