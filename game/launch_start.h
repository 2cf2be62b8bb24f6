// The development options --start and --autoplay, applied by the main loop:
// a game begun straight after start-up, as the menus would begin it, and the
// bot's step before each frame.
#pragma once

#include <cstdint>
#include <string>

// Parses "mode[:level]"; false for an unknown mode or a level outside 1..10.
bool parseStartMode(const std::string& text, int32_t& mode, int32_t& level);
// Called once after start-up: camera in GL, the bot, and the --start game.
void startGameFromLaunchOptions();
// Called once per frame before the frame's input and update.
void runAutoplayFrame();
