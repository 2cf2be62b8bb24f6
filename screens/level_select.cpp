#include "screens/level_select.h"

#include <string>

#include "base/game_state.h"
#include "base/profiler.h"
#include "game/modes.h"
#include "game/play.h"
#include "game/tutorials.h"
#include "screens/button_focus.h"
#include "screens/menu_base.h"
#include "screens/pause.h"
#include "settings/settings.h"

static constexpr int32_t levelsPerColumn = 5;
static constexpr int32_t levelCount = 10;
static constexpr int32_t firstLevelItem = 11;  // hoverItem of "Level 1"
static constexpr int32_t backItem = 7;
static constexpr float backRow = 4.0f;
static constexpr float titleRow = -3.5f;
static constexpr float columnShare = 0.1f;  // columns at W / 2 ∓ 0.1 × H
static constexpr float buttonWidth = 200.0f, buttonHeight = 55.0f, rectUnitWidth = 1680.0f;
static constexpr float rectLift = 2.75f;

static const MenuRow backRowEntry[] = {{backItem, backRow, "Back", "Back To Previous Menu"}};

// The label centre of level 1..10.
static Vec2 levelCentre(int32_t level) {
    float column = level <= levelsPerColumn ? -1.0f : 1.0f;
    Vec2 row = menuRowCentre(static_cast<float>((level - 1) % levelsPerColumn - 2));
    return {row.x + column * columnShare * ScreenHeight, row.y};
}

static IntRect levelRect(int32_t level) {
    Vec2 centre = levelCentre(level);
    float unit = ScreenWidth / rectUnitWidth;
    return getAnchoredRect(centre.x, centre.y - menuLineHeight() / rectLift, unit * buttonWidth,
                           unit * buttonHeight, AnchorCentre);
}

std::vector<HitArea> levelSelectHitAreas() {
    std::vector<HitArea> areas = menuRowAreas(backRowEntry, 1);
    for (int32_t level = 1; level <= 2 * levelsPerColumn; level++)
        areas.push_back({level + firstLevelItem - 1, levelRect(level)});
    return areas;
}

void UpdateLevelSelect(float) {
    ProfileScope section("UpdateLevelSelect");
    hoverItem = hoveredMenuRow(backRowEntry, 1);
    for (int32_t level = 1; level <= levelCount; level++)
        if (itemHovered(level + firstLevelItem - 1, levelRect(level)))
            hoverItem = level + firstLevelItem - 1;
}

void renderLevelSelect() {
    ProfileScope section("renderLevelSelect");
    renderMenuBase();
    Vec2 title = menuRowCentre(titleRow);
    drawMenuLabel("Level Select", title.x, title.y);
    for (int32_t level = 1; level <= levelCount; level++) {
        if (hoverItem == level + firstLevelItem - 1) drawMenuHighlight(levelRect(level));
        Vec2 centre = levelCentre(level);
        drawMenuLabel("Level " + std::to_string(level), centre.x, centre.y);
    }
    drawMenuRows(backRowEntry, 1, hoverItem);
}

void clickLevelSelect(int32_t item) {
    if (item == backItem) {
        GameState = LevelSelectToClassicModeSelect;
        return;
    }
    if (item < firstLevelItem || item >= firstLevelItem + levelCount) return;
    // A first game shows the controls; a later one asks about the tutorials.
    if (TuteControl == 0) {
        showTutorialCard(CardControl);
    } else {
        resetQuestion = true;
    }
    play.paused = true;
    modeState.levelIndex = item - firstLevelItem;
    GameState = LevelSelectToGame;
}
