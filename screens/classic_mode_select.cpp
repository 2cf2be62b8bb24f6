#include "screens/classic_mode_select.h"

#include "base/game_state.h"
#include "base/profiler.h"
#include "game/modes.h"
#include "screens/menu_base.h"

enum PlayModeItem : int32_t { ItemRanked = 1, ItemPractice = 2, ItemBack = 7 };

static const MenuRow playModeRows[] = {
    {ItemRanked, -2, "Ranked",
     "Ranked Mode: Play On The Leaderboards. Earn Ranks, Skillpoints & Achievements."},
    {ItemPractice, -1, "Practice",
     "Practice Mode: Increase Your Skill In This Unranked Training Mode."},
    {ItemBack, 2, "Back", "Back To Previous Menu"},
};
static constexpr int playModeRowCount = sizeof(playModeRows) / sizeof(playModeRows[0]);
static constexpr float titleRow = -3.5f;

std::vector<HitArea> playModeHitAreas() {
    return menuRowAreas(playModeRows, playModeRowCount);
}

void UpdateClassicModeSelect(float) {
    ProfileScope section("UpdateClassicModeSelect");
    hoverItem = hoveredMenuRow(playModeRows, playModeRowCount);
}

void renderClassicModeSelect() {
    ProfileScope section("renderClassicModeSelect");
    renderMenuBase();
    Vec2 title = menuRowCentre(titleRow);
    drawMenuLabel("Play Mode", title.x, title.y);
    drawMenuRows(playModeRows, playModeRowCount, hoverItem);
}

void clickClassicModeSelect(int32_t item) {
    modeState.practiceMode = false;
    if (item == ItemRanked) GameState = ClassicModeSelectToGame;
    if (item == ItemPractice) {
        modeState.practiceMode = true;
        GameState = ClassicModeSelectToLevelSelect;
    }
    if (item == ItemBack) GameState = ClassicModeSelectToDifficulty;
}
