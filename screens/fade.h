// The black square that fades every screen in and out.
#pragma once

// The alpha (0..255) of the fade square for the current fadeTimer.
float fadeAlpha();
void renderFadeIn();
