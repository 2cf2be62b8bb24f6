// Where each tutorial card is drawn and with which picture: the pictures of
// the game-type cards follow the control scheme at drawing time.
#pragma once

#include <cstdint>
#include <string>

#include "engine/draw2d.h"

// The controls card shown while a game controller is in use.
inline constexpr const char* padControlsCard = "tute-control-pad.tga";

struct CardPlacement {
    std::string texture;
    Vec2 position;
    Vec2 size;
    int anchor;
};

// The placement of a card on a W x H screen under a control scheme.
CardPlacement tutorialCardPlacement(int32_t card, int32_t scheme, float w, float h);
// Every card that is showing.
void renderTutorial();
