// Debug overlays switched from the console, and the game's own cursor.
#pragma once

void renderDebugOverlays();
void renderCursor();
