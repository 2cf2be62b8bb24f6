#include "base/game_state.h"

int32_t GameState = Intro;
float fadeTimer = 0.0f;
float fadeDuration = 500.0f;
int32_t hoverItem = 0;
int32_t lastHoverItem = 0;
