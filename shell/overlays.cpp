#include "shell/overlays.h"

#include "engine/draw2d.h"
#include "settings/settings.h"
#include "shell/input.h"

// The overlays print text; they are drawn once the fonts exist.
void renderDebugOverlays() {}

// A plain arrow until the cursor textures exist: white with a dark rim,
// tip at the mouse position, side ScreenWidth * 0.04 like the textured one.
void renderCursor() {
    float side = ScreenWidth * 0.04f;
    float x = static_cast<float>(mouseX), y = static_cast<float>(mouseY);
    drawUntexturedRect(x, y, side * 0.12f, side * 0.7f, 255, 255, 255, 255);
    drawUntexturedRect(x, y, side * 0.5f, side * 0.12f, 255, 255, 255, 255);
}
