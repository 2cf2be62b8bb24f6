#include "screens/achieves.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "base/game_state.h"
#include "base/profiler.h"
#include "engine/draw2d.h"
#include "engine/fonts.h"
#include "engine/text_wrap.h"
#include "online/achievements.h"
#include "platform/input_state.h"
#include "screens/button_focus.h"
#include "screens/menu_base.h"
#include "settings/settings.h"

int32_t achievesPage = firstAchievesPage;
bool achievesSlideResting = true;
AchievesPageSlide achievesSlides[lastAchievesPage + 1];

enum AchievesItem : int32_t { ItemPreviousPage = 1, ItemNextPage = 2, ItemBack = 7 };

static const MenuRow backRow[] = {{ItemBack, 4.5f, "Back", "Back To Previous Menu"}};

static constexpr float opaque = 255.0f;
// The tile: its height a share of the screen's, its width in the picture's proportion.
static constexpr float tileHeightShare = 0.125f;
static constexpr float tileAspect = 3.338f;
static constexpr float iconShare = 0.8f;             // of the tile's height
static constexpr float textLeftShare = 1.06f;        // the text column starts this many heights in
static constexpr float wrapShare = 316.0f / 474.0f;  // of the tile's width
static constexpr float titleScale = 0.7f, descriptionScale = 0.375f, captionScale = 0.5f;
static constexpr float lineStep = 1.75f;  // description lines, in font heights
static constexpr float captionDrop = 0.22f, titleDrop = 0.45f, descriptionDrop = 0.64f;
// The pages: three tiles a little more than a tile apart, pages side by side.
static constexpr float tileStepShare = 0.135f;  // of the screen height, at scale 1
static constexpr float pageStepShare = 0.53f;   // of the screen height
static constexpr float currentScale = 1.0f, neighbourScale = 0.75f;
static constexpr float neighbourAlpha = 0.45f;
static constexpr float slideDivisor = 1200.0f;  // pixels per ms: the screen height over this
static constexpr float shrinkPerMs = 1.5f / 1000.0f, growPerMs = 3.5f / 1000.0f;
// The page arrows.
static constexpr float arrowInsetShare = 0.1f, arrowSizeShare = 0.05f;
static constexpr float titleRow = -4.0f;

// ---- the tile ----

static void printTileLine(const std::string& text, float x, float y, float scale, float alpha,
                          const FontData& font = mediumFont) {
    freetype::print(text, x, y, AlignLeft, scale, opaque, opaque, opaque, alpha * opaque, font);
}

// The description's small print: the text face, drawn at the size the display
// face would have at textScale. Its glyphs are rasterised closer to that size,
// so they stay sharp where the display face's would be shrunk past legibility.
static void printDescription(const std::string& text, float x, float y, float width,
                             float textScale, float alpha) {
    float size = mediumFont.h * textScale;
    float scale = smallFont.h > 0 ? size / smallFont.h : textScale;
    for (const std::string& line : wrapText(text, smallFont, scale, width, 0)) {
        printTileLine(line, x, y, scale, alpha, smallFont);
        y += lineStep * size;
    }
}

void renderAchievementTile(float x, float y, float scale, float alpha, int32_t n) {
    if (n < 1 || n > achievementCount || scale <= 0) return;
    const Achievement& entry = achievementTable[n];
    bool unlocked = unlockedAchievements[n];
    float h = tileHeightShare * screenH() * scale, w = tileAspect * h;
    float left = x - w / 2, top = y - h / 2, textX = left + textLeftShare * h;
    Render2D({x, y}, {w, h}, AnchorCentre, "achi-bg.tga", alpha * opaque);
    Render2D({left + h / 2, y}, {iconShare * h, iconShare * h}, AnchorCentre,
             unlocked ? entry.icon : "achi-locked.tga", alpha * opaque);
    printTileLine(unlocked ? "Achievement Unlocked!" : "Achievement Locked", textX,
                  top + captionDrop * h, captionScale * scale, alpha);
    printTileLine(entry.title, textX, top + titleDrop * h, titleScale * scale, alpha);
    printDescription(entry.description, textX, top + descriptionDrop * h, wrapShare * w,
                     descriptionScale * scale, alpha);
}

// ---- the page slide ----

static float pageStep() {
    return pageStepShare * screenH();
}

// Where page p rests and how large, with `current` the page shown.
static void pageTarget(int32_t p, int32_t current, float& x, float& scale) {
    int32_t away = p - current;
    x = screenW() / 2 + static_cast<float>(away) * pageStep();
    scale = away == 0 ? currentScale : std::abs(away) == 1 ? neighbourScale : 0.0f;
}

static void aimPages() {
    for (int32_t p = firstAchievesPage; p <= lastAchievesPage; p++) {
        AchievesPageSlide& slide = achievesSlides[p];
        slide.fromX = slide.x;
        slide.fromScale = slide.scale;
        pageTarget(p, achievesPage, slide.toX, slide.toScale);
    }
    achievesSlideResting = false;
}

void showFirstAchievesPage() {
    achievesPage = firstAchievesPage;
    for (int32_t p = firstAchievesPage; p <= lastAchievesPage; p++) {
        AchievesPageSlide& slide = achievesSlides[p];
        pageTarget(p, achievesPage, slide.toX, slide.toScale);
        slide.x = slide.fromX = slide.toX;
        slide.scale = slide.fromScale = slide.toScale;
    }
    achievesSlideResting = true;
}

void turnAchievesPage(int32_t step) {
    if (!achievesSlideResting) return;
    int32_t page = std::clamp(achievesPage + step, firstAchievesPage, lastAchievesPage);
    if (page == achievesPage) return;
    achievesPage = page;
    aimPages();
}

// The neighbours' scales move at their own speeds; the others keep pace with their slide.
static void slideScale(AchievesPageSlide& slide, int32_t away, float dtMs) {
    if (away == 1) {
        float rate = slide.toScale < slide.scale ? shrinkPerMs : growPerMs;
        float step = rate * dtMs;
        slide.scale += std::clamp(slide.toScale - slide.scale, -step, step);
        return;
    }
    float distance = std::abs(slide.toX - slide.fromX);
    float progress = distance > 0 ? 1.0f - std::abs(slide.toX - slide.x) / distance : 1.0f;
    slide.scale = slide.fromScale + (slide.toScale - slide.fromScale) * progress;
}

void slideAchievesPages(float dtMs) {
    float step = screenH() / slideDivisor * dtMs;
    for (int32_t p = firstAchievesPage; p <= lastAchievesPage; p++) {
        AchievesPageSlide& slide = achievesSlides[p];
        slide.x += std::clamp(slide.toX - slide.x, -step, step);
        slideScale(slide, std::abs(p - achievesPage), dtMs);
    }
    const AchievesPageSlide& current = achievesSlides[achievesPage];
    achievesSlideResting = current.x == current.toX;
}

void wheelAchieves(int32_t steps) {
    if (steps > 0) turnAchievesPage(-1);
    if (steps < 0) turnAchievesPage(1);
}

// ---- the screen ----

static Vec2 arrowCentre(int32_t item) {
    float inset = arrowInsetShare * screenH();
    return {item == ItemPreviousPage ? inset : screenW() - inset, screenH() / 2};
}

static IntRect arrowRect(int32_t item) {
    Vec2 centre = arrowCentre(item);
    float side = arrowSizeShare * screenH();
    return getAnchoredRect(centre.x, centre.y, side, side, AnchorCentre);
}

std::vector<HitArea> achievesHitAreas() {
    std::vector<HitArea> areas = menuRowAreas(backRow, 1);
    for (int32_t item : {ItemPreviousPage, ItemNextPage}) areas.push_back({item, arrowRect(item)});
    return areas;
}

void UpdateAchieves(float dtMs) {
    ProfileScope section("UpdateAchieves");
    slideAchievesPages(dtMs);
    hoverItem = hoveredMenuRow(backRow, 1);
    for (int32_t item : {ItemPreviousPage, ItemNextPage})
        if (itemHovered(item, arrowRect(item))) hoverItem = item;
    if (GameState == Achieves && platformKeyHeld(vk::Escape)) GameState = AchievesToMenu;
}

static void drawPage(int32_t page, float alpha, float leastScale) {
    if (page < firstAchievesPage || page > lastAchievesPage) return;
    const AchievesPageSlide& slide = achievesSlides[page];
    float scale = std::max(slide.scale, leastScale);
    float step = tileStepShare * screenH() * scale;
    for (int32_t k = 0; k < tilesPerPage; k++) {
        float y = screenH() / 2 + static_cast<float>(k - 1) * step;
        renderAchievementTile(slide.x, y, scale, alpha, tilesPerPage * (page - 1) + k + 1);
    }
}

static void drawArrow(int32_t item, const char* texture, bool atEnd) {
    drawIconButton(arrowCentre(item), arrowSizeShare * screenH(), texture, hoverItem == item,
                   atEnd);
}

void renderAchieves() {
    ProfileScope section("renderAchieves");
    renderMenuBase();
    Vec2 title = menuRowCentre(titleRow);
    drawMenuLabel("Achievements", title.x, title.y);
    drawPage(achievesPage - 1, neighbourAlpha, neighbourScale);
    drawPage(achievesPage + 1, neighbourAlpha, neighbourScale);
    drawPage(achievesPage, 1.0f, 0.0f);
    drawArrow(ItemPreviousPage, "arrowleft.tga", achievesPage == firstAchievesPage);
    drawArrow(ItemNextPage, "arrowright.tga", achievesPage == lastAchievesPage);
    drawMenuRows(backRow, 1, hoverItem);
}

void clickAchieves(int32_t item) {
    if (item == ItemPreviousPage) turnAchievesPage(-1);
    if (item == ItemNextPage) turnAchievesPage(1);
    if (item == ItemBack) GameState = AchievesToMenu;
}
