#include "screens/score_screen.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "base/game_state.h"
#include "base/pointer.h"
#include "base/profiler.h"
#include "engine/draw2d.h"
#include "engine/fonts.h"
#include "game/matching.h"
#include "game/meter.h"
#include "game/modes.h"
#include "online/account.h"
#include "online/scores.h"
#include "screens/game_view.h"
#include "screens/menu_base.h"
#include "settings/settings.h"

bool scoreSlideActive = false;
float scoreSlideOffset = 0.0f;
bool scoreRetry = false;

static constexpr unsigned char white[3] = {255, 255, 255};
static constexpr unsigned char earnedGreen[3] = {116, 185, 35};
static constexpr unsigned char lostRed[3] = {255, 0, 0};
static constexpr unsigned char pendingGrey[3] = {170, 170, 170};
static constexpr float opaque = 255.0f;
static constexpr float lineStep = 2.0f;  // font heights between lines
static constexpr float titleLine = -3.5f, scoreLine = -2.0f, comboLine = -1.0f, timeLine = 0.0f;
static constexpr float skillLine = 1.0f, rankLineAt = 2.0f, buttonLine = 3.9f;
static constexpr float columnGap = 0.5f;  // font heights either side of the centre
static constexpr float buttonSpread = 0.15f, buttonUnitShare = 0.035f;
static constexpr float buttonWidthUnits = 4.0f, buttonHeightUnits = 0.8f;
// The slide closes a sixth of the remaining distance every 16 ms, about 0.5 s in all.
static constexpr float slideTimeConstantMs = 90.0f, slideRestPixels = 0.5f;

// ---- the lines ----

static ScoreLine plainLine(const std::string& label, const std::string& value) {
    return {label, value, {white[0], white[1], white[2]}, "", {0, 0, 0}};
}

static ScoreLine waitingLine(const std::string& label, bool offline) {
    return plainLine(label, offline ? "Offline" : "Loading...");
}

static void setColour(unsigned char target[3], const unsigned char colour[3]) {
    std::copy(colour, colour + 3, target);
}

ScoreLine skillpointsLine(int32_t skillBefore, int32_t skillAfter, bool offline, bool pending) {
    if (skillAfter < 0) return waitingLine("Skillpoints", offline);
    int64_t change = static_cast<int64_t>(skillBefore) - skillAfter;
    if (change == 0) return plainLine("Skillpoints:", "No Change");
    bool earned = change < 0;
    ScoreLine line = plainLine(earned ? "Skillpoints Earned:" : "Skillpoints Lost:",
                               (earned ? "+" : "-") + thousandsString(std::llabs(change)));
    setColour(line.valueColour, earned ? earnedGreen : lostRed);
    if (earned && pending) {
        line.mark = " pending";
        setColour(line.markColour, pendingGrey);
    }
    return line;
}

ScoreLine rankLine(int32_t mode, int32_t rankBefore, int32_t rankAfter, bool offline) {
    std::string label = std::string(modeName(mode)) + " Rank:";
    if (rankAfter < 1) return waitingLine(label, offline);
    ScoreLine line = plainLine(label, "#" + std::to_string(rankAfter));
    if (rankBefore <= 0) return line;
    int64_t change = static_cast<int64_t>(rankBefore) - rankAfter;
    if (change == 0) return line;
    line.mark = (change > 0 ? " +" : " -") + std::to_string(std::llabs(change));
    setColour(line.markColour, change > 0 ? earnedGreen : lostRed);
    return line;
}

// ---- the buttons ----

static bool continueShown() {
    return modeState.gameMode >= ModeCasual && modeState.gameMode <= ModeExpert;
}

static MenuButton scoreButton(int32_t item) {
    static const char* const labels[] = {"", "Retry", "Continue", "Quit"};
    float unit = buttonUnitShare * screenW();
    float x = screenW() / 2 + (item - ScoreContinue) * buttonSpread * screenW();
    float y = screenH() / 2 + lineStep * buttonLine * mediumFont.h;
    return {item,
            {x + scoreSlideOffset, y},
            {buttonWidthUnits * unit, buttonHeightUnits * unit},
            labels[item]};
}

int32_t hoveredScoreButton() {
    // Every button is offered to the focus, so none stops the loop early.
    int32_t hovered = 0;
    for (int32_t item : {ScoreRetry, ScoreContinue, ScoreQuit}) {
        if (item == ScoreContinue && !continueShown()) continue;
        if (menuButtonHovered(scoreButton(item)) && !hovered) hovered = item;
    }
    return hovered;
}

std::vector<HitArea> scoreScreenHitAreas() {
    std::vector<HitArea> areas;
    for (int32_t item : {ScoreRetry, ScoreContinue, ScoreQuit})
        if (item != ScoreContinue || continueShown())
            areas.push_back({item, menuButtonRect(scoreButton(item))});
    return areas;
}

static void clickScoreButton(int32_t item) {
    if (item == ScoreRetry) {
        scoreRetry = true;
        GameState = ScoreScreenToGame;
    } else if (item == ScoreContinue) {
        GameState =
            modeState.levelIndex < lastClassicLevelIndex ? ScoreScreenToGame : ScoreScreenToMenu;
    } else if (item == ScoreQuit) {
        GameState = ScoreScreenToMenu;
    }
}

// ---- the frame ----

void startScoreScreenSlide() {
    scoreSlideActive = true;
    scoreSlideOffset = -screenW();
}

static void slideIn(float dtMs) {
    if (!scoreSlideActive) return;
    scoreSlideOffset *= std::exp(-dtMs / slideTimeConstantMs);
    if (std::fabs(scoreSlideOffset) >= slideRestPixels) return;
    scoreSlideOffset = 0;
    scoreSlideActive = false;
}

void UpdateScoreScreen(float dtMs) {
    ProfileScope section("UpdateScoreScreen");
    slideIn(dtMs);
    hoverItem = hoveredScoreButton();
    if (!leftDown) return;
    // A click is taken once.
    leftDown = false;
    clickScoreButton(hoverItem);
}

static float lineY(float line) {
    return screenH() / 2 + lineStep * line * mediumFont.h;
}

static void printPart(const std::string& text, float x, float y, int align,
                      const unsigned char colour[3]) {
    printShadowed(text, x, y, 2.0f, align, 1.0f, colour[0], colour[1], colour[2], opaque,
                  mediumFont);
}

// Label to the left of the centre, value (and its mark) to the right.
static void drawLine(float line, const ScoreLine& content) {
    float y = lineY(line), centre = screenW() / 2 + scoreSlideOffset;
    float gap = columnGap * mediumFont.h;
    printPart(content.label, centre - gap, y, AlignRight, white);
    float x = centre + gap;
    printPart(content.value, x, y, AlignLeft, content.valueColour);
    if (content.mark.empty()) return;
    x += printedWidth(mediumFont, content.value);
    printPart(content.mark, x, y, AlignLeft, content.markColour);
}

static std::string titleText() {
    if (isClassicMode()) return "Level: " + std::to_string(modeState.levelIndex + 1);
    return modeName(modeState.gameMode);
}

void renderScoreScreen() {
    ProfileScope section("renderScoreScreen");
    renderMenuBase();
    printPart(titleText(), screenW() / 2 + scoreSlideOffset, lineY(titleLine), AlignCentre, white);
    drawLine(scoreLine, plainLine("Score:", thousandsString(modeState.score)));
    drawLine(comboLine, plainLine("Highest Combo:", std::to_string(matching.largestGroup)));
    drawLine(timeLine,
             plainLine("Time:", clockString(static_cast<int64_t>(modeState.levelTimeMs / 1000))));
    if (!modeState.practiceMode) {
        bool offline = serverLink.connectionMode == ConnectionOffline;
        drawLine(skillLine, skillpointsLine(skillBefore, skillAfter, offline, !offline));
        drawLine(rankLineAt, rankLine(modeState.gameMode, rankBefore, rankAfter, offline));
    }
    for (int32_t item : {ScoreRetry, ScoreContinue, ScoreQuit}) {
        if (item == ScoreContinue && !continueShown()) continue;
        drawMenuButton(scoreButton(item), hoverItem == item);
    }
}
