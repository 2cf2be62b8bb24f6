// The program's icon for desktop menus: a glowing cluster of the game's
// blocks, drawn with vector paths only so one drawing serves every size.
#pragma once

#include <string>

// Writes DIR/hicolor/NxN/apps/zentrix.png for the usual sizes 16 to 512 and
// DIR/hicolor/scalable/apps/zentrix.svg; false with `error` set on failure.
bool writeProgramIcons(const std::string& folder, std::string& error);
