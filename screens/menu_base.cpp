#include "screens/menu_base.h"

#include <GL/gl.h>

#include "base/frame_state.h"
#include "base/pointer.h"
#include "engine/fonts.h"
#include "online/account.h"
#include "screens/button_focus.h"
#include "settings/settings.h"

static constexpr float layoutHeight = 1050.0f;
static constexpr float fontUnit = 55.0f;
static constexpr float mediumShare = 0.5f;
static constexpr float rowStep = 2.0f;
static constexpr float rowRectLift = 2.75f;  // the hover rectangle sits m / 2.75 above the label
static constexpr float rowRectWidth = 525.0f, rowRectHeight = 55.0f, rectUnitWidth = 1680.0f;
static constexpr float bottomShare = 0.04f;
static constexpr float shadowOffset = 2.0f;
static constexpr float descriptionScale = 0.5f;
static constexpr float statusScale = 0.75f;
static constexpr float edgeShare = 0.01f;
static constexpr float opaque = 255.0f;
static constexpr float gridHeight = 542.0f;
// The rails lie this share of the grid in from its top and bottom edges,
// above the highest menu title and below the lowest row.
static constexpr float gridRailShare = 0.03f;
static constexpr float logoY = 0.12f, logoWidthDivisor = 2.75f, logoAspect = 101.0f / 629.0f;
// Buttons: a dark backing so the grid's bright lines do not run through the
// label, a plate over it, and a brighter plate on the hovered one.
static constexpr float buttonBackingAlpha = 170.0f;
static constexpr float buttonPlateAlpha = 90.0f;
static constexpr float buttonHoverAlpha = 170.0f;
static constexpr float iconAlpha = 200.0f, idleIconAlpha = 70.0f;

float menuLineHeight() {
    return mediumShare * fontUnit * screenH() / layoutHeight;
}

float menuBottomStep() {
    return bottomShare * screenH();
}

Vec2 menuRowCentre(float row) {
    return {screenW() / 2, screenH() / 2 + menuLineHeight() * rowStep * row};
}

IntRect menuRowRect(float row) {
    Vec2 centre = menuRowCentre(row);
    float unit = screenW() / rectUnitWidth;
    return getAnchoredRect(centre.x, centre.y - menuLineHeight() / rowRectLift, unit * rowRectWidth,
                           unit * rowRectHeight, AnchorCentre);
}

std::vector<HitArea> menuRowAreas(const MenuRow* rows, int count) {
    std::vector<HitArea> areas;
    for (int i = 0; i < count; i++) areas.push_back({rows[i].item, menuRowRect(rows[i].row)});
    return areas;
}

std::vector<HitArea> menuButtonAreas(const MenuButton* buttons, int count) {
    std::vector<HitArea> areas;
    for (int i = 0; i < count; i++) areas.push_back({buttons[i].item, menuButtonRect(buttons[i])});
    return areas;
}

IntRect menuPanelRect() {
    float grid = screenH() / layoutHeight * gridHeight;
    float inset = (1 - 2 * gridRailShare) * grid / 2;
    return {0, static_cast<int>(screenH() / 2 - inset), static_cast<int>(screenW()),
            static_cast<int>(screenH() / 2 + inset)};
}

void drawLoadingSpinner(Vec2 centre, float side, float degrees, float alpha) {
    glPushMatrix();
    glTranslatef(centre.x, centre.y, 0);
    glRotatef(degrees, 0, 0, 1);
    Render2D({0, 0}, {side, side}, AnchorCentre, "loadingbar.tga", alpha);
    glPopMatrix();
}

bool mouseInside(IntRect rect) {
    return mouseX > rect.left && mouseX < rect.right && mouseY > rect.top && mouseY < rect.bottom;
}

// A button so labelled is the screen's way back.
static bool isBackLabel(const std::string& label) {
    return label == "Back";
}

int32_t hoveredMenuRow(const MenuRow* rows, int count) {
    // Every row is offered to the focus, so none stops the loop early.
    int32_t hovered = 0;
    for (int i = 0; i < count; i++) {
        bool hit = itemHovered(rows[i].item, menuRowRect(rows[i].row), isBackLabel(rows[i].label));
        if (hit && !hovered) hovered = rows[i].item;
    }
    return hovered;
}

void drawMenuLabel(const std::string& text, float x, float y, float scale, float alpha) {
    printShadowed(text, x, y, shadowOffset, AlignCentre, scale, opaque, opaque, opaque, alpha,
                  mediumFont);
}

void drawMenuDescription(const std::string& text) {
    drawMenuLabel(text, screenW() / 2, screenH() - menuBottomStep(), descriptionScale);
}

void drawMenuHighlight(IntRect rect) {
    Render2D(
        {static_cast<float>(rect.left), static_cast<float>(rect.top)},
        {static_cast<float>(rect.right - rect.left), static_cast<float>(rect.bottom - rect.top)},
        AnchorTopLeft, "menuonoff.tga", menuHighlightAlpha);
}

void drawMenuRows(const MenuRow* rows, int count, int32_t hovered) {
    for (int i = 0; i < count; i++) {
        if (rows[i].item != hovered) continue;
        drawMenuHighlight(menuRowRect(rows[i].row));
        drawMenuDescription(rows[i].description);
    }
    for (int i = 0; i < count; i++) {
        Vec2 centre = menuRowCentre(rows[i].row);
        drawMenuLabel(rows[i].label, centre.x, centre.y);
    }
}

static void printStatus(const std::string& text, float x, float y, int align) {
    printShadowed(text, x, y, shadowOffset, align, statusScale, opaque, opaque, opaque, opaque,
                  smallFont);
}

void renderMenuBase() {
    float w = screenW(), h = screenH();
    Render2D({w / 2, h / 2}, {w, h / layoutHeight * gridHeight}, AnchorCentre, "titlegrid.tga",
             opaque);
    Render2D({w / 2, logoY * h}, {w / logoWidthDivisor, w / 3 * logoAspect}, AnchorCentre,
             "zentrixlogo.tga", opaque);
    float baseline = edgeShare * w;
    std::string account = serverLink.connectionMode == ConnectionOffline
                              ? "Offline Mode"
                              : "Logged in as: " + Username;
    printStatus(account, w - edgeShare * w, baseline, AlignRight);
    printStatus(versionText, edgeShare * w, baseline, AlignLeft);
}

IntRect menuButtonRect(const MenuButton& button) {
    return getAnchoredRect(button.centre.x, button.centre.y, button.size.x, button.size.y,
                           AnchorCentre);
}

bool menuButtonHovered(const MenuButton& button) {
    return itemHovered(button.item, menuButtonRect(button), isBackLabel(button.label));
}

float labelBaselineIn(float centreY, float scale) {
    // Capitals of the display face fill about 70 % of the font size.
    return centreY + mediumFont.h * scale * 0.35f;
}

void drawMenuButton(const MenuButton& button, bool hovered, float alpha) {
    float share = alpha / opaque;
    drawUntexturedRect(button.centre.x - button.size.x / 2, button.centre.y - button.size.y / 2,
                       button.size.x, button.size.y, 0, 0, 0, buttonBackingAlpha * share);
    Render2D(button.centre, button.size, AnchorCentre, "menuonoff.tga",
             (hovered ? buttonHoverAlpha : buttonPlateAlpha) * share);
    drawMenuLabel(button.label, button.centre.x, labelBaselineIn(button.centre.y, 1.0f), 1.0f,
                  alpha);
}

void drawIconButton(Vec2 centre, float side, const char* texture, bool hovered, bool idle) {
    float alpha = idle ? idleIconAlpha : hovered ? opaque : iconAlpha;
    Render2D(centre, {side, side}, AnchorCentre, texture, alpha);
}
