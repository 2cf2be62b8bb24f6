#include "screens/fade.h"

#include <algorithm>

#include "base/game_state.h"
#include "engine/draw2d.h"
#include "screens/menu_base.h"
#include "settings/settings.h"

// How long the fade-in of the shown screen has been held back; 0 when it moves.
static float fadeHeldMs = 0;
static constexpr float spinnerShare = 0.06095238f, spinnerDegreesPerMs = 0.4f;

float fadeAlpha() {
    float clamped = std::clamp(fadeTimer, 0.0f, fadeDuration);
    return 255.0f - clamped / fadeDuration * 255.0f;
}

void renderFadeIn() {
    float alpha = fadeAlpha();
    if (alpha <= 0) return;
    float side = static_cast<float>(ScreenWidth);
    drawUntexturedRect(ScreenWidth / 2.0f - side / 2, ScreenHeight / 2.0f - side / 2, side, side, 0,
                       0, 0, alpha);
    if (!fadeWaitShown()) return;
    Vec2 centre = {ScreenWidth / 2.0f, ScreenHeight / 2.0f};
    drawLoadingSpinner(centre, spinnerShare * ScreenHeight, fadeHeldMs * spinnerDegreesPerMs,
                       alpha);
}

bool fadeWaitShown() {
    return fadeHeldMs > fadeWaitSignMs;
}

void noteFadeHeld(bool held, float dtMs) {
    fadeHeldMs = held ? fadeHeldMs + dtMs : 0;
}
