// The menu look every menu-like screen shares: the backdrop of title grid,
// logo, account line and version (renderMenuBase), the standard menu row,
// and the boxed buttons of the options, pause and account screens.
//
// How a screen uses it:
//   - its render routine starts with renderMenuBase();
//   - rows: a static table of MenuRow {item, row k, label, description};
//     the update routine sets hoverItem = hoveredMenuRow(rows, n) (first
//     match wins, 0 for none) and the render routine calls
//     drawMenuRows(rows, n, hoverItem), which prints the labels, lays
//     "menuonoff.tga" over the hovered row and prints its description at
//     the bottom (drawMenuDescription);
//   - buttons: build a MenuButton {item, centre, size, label} from the
//     layout rules; menuButtonHovered(b) in the update, drawMenuButton(b,
//     hovered) in the render;
//   - texts: drawMenuTitle / drawMenuLabel print as the menus do.
// All sizes follow the window size (ScreenWidth x ScreenHeight).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/draw2d.h"

// One standard menu row: label centred at (W / 2, H / 2 + m × 2 × row).
struct MenuRow {
    int32_t item;             // hoverItem when the mouse is on the row
    float row;                // k, -3.5 .. 4
    const char* label;        //
    const char* description;  // printed at the bottom while hovered
};

// A boxed button, hit while the mouse lies strictly inside its box.
struct MenuButton {
    int32_t item;       // hoverItem when the mouse is on the button
    Vec2 centre;        // pixels
    Vec2 size;          // pixels
    std::string label;  // centred in the box
};

// One place a screen's update routine tests the mouse against. Each screen
// lists its places (its button table), so their layout can be checked at
// any window size.
struct HitArea {
    int32_t item;  // hoverItem there
    IntRect rect;  // pixels
};

constexpr float menuHighlightAlpha = 80.0f;  // "menuonoff.tga" over a hovered row
constexpr float lockedAlpha = 128.0f;        // rows that ignore clicks

// m: the line height of mediumFont as the layout rules count it (0.5 × 55 × H / 1050).
float menuLineHeight();
// s: 0.04 × H, the description line's distance from the bottom and the icon size.
float menuBottomStep();
// Centre of the label of row k.
Vec2 menuRowCentre(float row);
// The hover rectangle of row k.
IntRect menuRowRect(float row);
// The mouse lies strictly inside the rectangle.
bool mouseInside(IntRect rect);
// The first row under the mouse, by its item; 0 when none.
int32_t hoveredMenuRow(const MenuRow* rows, int count);

// Title grid, logo, the account line at the top right and the version at the top left.
void renderMenuBase();
// Labels of every row, the hovered one highlighted and described.
void drawMenuRows(const MenuRow* rows, int count, int32_t hovered);
void drawMenuHighlight(IntRect rect);
// A label or title: mediumFont, shadow 2, centred on x, baseline y.
void drawMenuLabel(const std::string& text, float x, float y, float scale = 1.0f,
                   float alpha = 255.0f);
// The description line at (W / 2, H − s), scale 0.5.
void drawMenuDescription(const std::string& text);

// The hover rectangles of a row table, and the boxes of buttons.
std::vector<HitArea> menuRowAreas(const MenuRow* rows, int count);
std::vector<HitArea> menuButtonAreas(const MenuButton* buttons, int count);
// The inside of the title grid, between its two bright rails.
IntRect menuPanelRect();

bool menuButtonHovered(const MenuButton& button);
IntRect menuButtonRect(const MenuButton& button);
// The box, its highlight when hovered, and the label centred inside it.
void drawMenuButton(const MenuButton& button, bool hovered, float alpha = 255.0f);
// A square arrow or icon button: full strength while hovered, faint when it
// has nothing left to do (the first or last page, the end of a list).
void drawIconButton(Vec2 centre, float side, const char* texture, bool hovered, bool idle = false);
// "loadingbar.tga" turned by degrees about its centre: something is on its way.
void drawLoadingSpinner(Vec2 centre, float side, float degrees, float alpha);
// Baseline y that centres a line of mediumFont at scale in a box centred on y.
float labelBaselineIn(float centreY, float scale);
