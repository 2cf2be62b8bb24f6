#include "screens/fade.h"

#include <algorithm>

#include "base/game_state.h"
#include "engine/draw2d.h"
#include "settings/settings.h"

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
}
