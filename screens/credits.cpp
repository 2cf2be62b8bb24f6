#include "screens/credits.h"

#include "shell/game_state.h"

void UpdateCredits(float) {}
void renderCredits() {}

// Any left click leaves the credits, whatever is under the mouse.
void clickCredits(int32_t) {
    GameState = CreditsToMenu;
    hoverItem = 0;
}
