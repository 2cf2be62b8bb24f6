#include "screens/screens.h"
#include "shell/game_state.h"

// Any left click leaves the credits, whatever is under the mouse.
void clickCredits(int32_t) {
    GameState = CreditsToMenu;
    hoverItem = 0;
}
