// The pause overlay over the game view: the pause menu, the tutorial card,
// the reset question and the connection prompt. The Game screen's update
// runs UpdateGame and then updatePause, which takes the overlay's clicks.
#pragma once

#include <cstdint>

#include "game/pause_menu.h"
#include "screens/menu_base.h"

// Which panel the overlay shows, in order of precedence.
enum PausePanel : int32_t {
    PanelCard,           // a tutorial card
    PanelResetQuestion,  // the reset question
    PanelConnection,     // the connection prompt, in one of its three states
    PanelMenu,           // the pause menu
};

PausePanel shownPausePanel();
// The title of the connection prompt: "Connecting" with 0..3 dots by the
// prompt clock, "Connected!" or "Offline!".
const char* connectionTitle();
// Every button the shown panel offers, and how many.
int pauseButtons(MenuButton* buttons, int capacity);
// The button of the item on the shown panel; false when it has none.
bool findPauseButton(int32_t item, MenuButton& button);
// What a click on an overlay button does: its share of play, then what the overlay shows.
void clickPauseItem(int32_t item);

// Each Game frame after UpdateGame: holds the pause under the reset question
// and the prompt, runs the prompt clock, sets hoverItem and takes a click.
void updatePause(float dtMs);
void renderPause();
