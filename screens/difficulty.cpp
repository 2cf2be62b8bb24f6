#include "screens/difficulty.h"

#include "base/game_state.h"
#include "base/profiler.h"
#include "game/modes.h"
#include "game/tutorials.h"
#include "screens/menu_base.h"

static constexpr int32_t backItem = 7;

static const MenuRow difficultyRows[] = {
    {ModeCasual, -2, "Casual", "For Casual Gamers."},
    {ModeNormal, -1, "Normal", "For Normal Gamers."},
    {ModeExpert, 0, "Expert", "For Experienced Gamers."},
    {backItem, 2, "Back", "Back To Previous Menu"},
};
static constexpr int difficultyRowCount = sizeof(difficultyRows) / sizeof(difficultyRows[0]);
static constexpr float titleRow = -3.5f;

std::vector<HitArea> difficultyHitAreas() {
    return menuRowAreas(difficultyRows, difficultyRowCount);
}

void UpdateDifficulty(float) {
    ProfileScope section("UpdateDifficulty");
    hoverItem = hoveredMenuRow(difficultyRows, difficultyRowCount);
}

void renderDifficulty() {
    ProfileScope section("renderDifficulty");
    renderMenuBase();
    Vec2 title = menuRowCentre(titleRow);
    drawMenuLabel("Difficulty", title.x, title.y);
    drawMenuRows(difficultyRows, difficultyRowCount, hoverItem);
}

void clickDifficulty(int32_t item) {
    modeState.practiceMode = false;
    if (item >= ModeCasual && item <= ModeExpert) {
        // Items 1..3 are the Classic modes' own values.
        modeState.gameMode = item;
        showTutorialCard(CardControl);
        GameState = DifficultyToClassicModeSelect;
    } else if (item == backItem) {
        GameState = DifficultyToGametype;
    }
}
