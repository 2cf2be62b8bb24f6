#include "screens/gametype.h"

#include "base/game_state.h"
#include "base/profiler.h"
#include "game/modes.h"
#include "game/play.h"
#include "game/powerups.h"
#include "game/tutorials.h"
#include "online/account.h"
#include "protocol/encodings.h"
#include "screens/menu_base.h"

enum GametypeItem : int32_t {
    ItemClassic = 1,
    ItemSurvival = 2,
    ItemMeditation = 3,
    ItemRush = 4,
    ItemBack = 6,
};

static const MenuRow gametypeRows[] = {
    {ItemClassic, -2, "Classic", "Standard Game Type, Level Progression"},
    {ItemSurvival, -1, "Survival",
     "Survival Game Type, Survive Multiple Stages, Earn The Highest Score!"},
    {ItemMeditation, 0, "Meditation",
     "Meditation Game Type, Relax and Stratergize, Build The Biggest Combos You Can"},
    {ItemRush, 1, "Rush",
     "Rush Game Type, Save Your Score! Destroy The Mass As Quickly As Possible!"},
    {ItemBack, 3, "Back", "Back To Previous Menu"},
};
static constexpr int gametypeRowCount = sizeof(gametypeRows) / sizeof(gametypeRows[0]);
static constexpr float titleRow = -3.5f;

std::vector<HitArea> gametypeHitAreas() {
    return menuRowAreas(gametypeRows, gametypeRowCount);
}

void UpdateGametype(float) {
    ProfileScope section("UpdateGametype");
    hoverItem = hoveredMenuRow(gametypeRows, gametypeRowCount);
}

void renderGametype() {
    ProfileScope section("renderGametype");
    renderMenuBase();
    Vec2 title = menuRowCentre(titleRow);
    drawMenuLabel("Game Mode", title.x, title.y);
    drawMenuRows(gametypeRows, gametypeRowCount, hoverItem);
}

// A mode with its own card starts paused under it the first time it is chosen.
static void startModeGame(int32_t mode, int32_t card) {
    modeState.gameMode = mode;
    showTutorialCard(card);
    GameState = GametypeToGame;
}

void clickGametype(int32_t item) {
    powerups.powerCharge = 0;
    modeState.practiceMode = false;
    serverLink.sessionhash = makeSessionHash();
    switch (item) {
        case ItemClassic:
            GameState = GametypeToDifficulty;
            break;
        case ItemSurvival:
            startModeGame(ModeSurvival, CardSurvival);
            break;
        case ItemMeditation:
            startModeGame(ModeMeditation, CardMeditation);
            break;
        case ItemRush:
            startModeGame(ModeRush, CardRush);
            break;
        case ItemBack:
            GameState = GametypeToMenu;
            break;
        default:
            break;
    }
}
