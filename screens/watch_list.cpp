#include "screens/watch_list.h"

#include <algorithm>
#include <string>

#include "base/game_state.h"
#include "base/player_settings.h"
#include "base/pointer.h"
#include "engine/draw2d.h"
#include "engine/fonts.h"
#include "online/ranking.h"
#include "online/watch.h"
#include "screens/button_focus.h"
#include "screens/game_view.h"
#include "screens/ranking_layout.h"

static constexpr int32_t shownRuns = rankingVisibleRows;     // rows at once; the wheel scrolls
static constexpr float titleRow = -3.4f, headerRow = -1.6f;  // in rows above the first
// Columns, in screen heights from the centre.
static constexpr float modeColumn = -0.36f, levelColumn = -0.12f, scoreColumn = 0.14f;
static constexpr float dateColumn = 0.38f;
static constexpr float rowScale = 0.75f, headerScale = 0.7f, titleScale = 0.9f;
static constexpr float hoverAlpha = 45.0f, stripeAlpha = 18.0f, spinnerAlpha = 175.0f;
static constexpr float captionScale = 0.8f, captionTopShare = 0.06f, hintScale = 0.55f;

static MenuButton closeButton() {
    return rankingTextButton(WatchClose, 0.0f, "Close");
}

// The first run in the top row; a new list starts at its best run.
static int32_t watchScroll = 0;

static int32_t runsListed() {
    bool listed = watchStep == WatchListShown || watchStep == WatchFileLoading;
    return listed ? static_cast<int32_t>(watchRuns.size()) : 0;
}

static int32_t runsShown() {
    return std::max(0, std::min(shownRuns, runsListed() - watchScroll));
}

void openWatchListAtTop(const std::string& userId, const std::string& name, int32_t category) {
    watchScroll = 0;
    openWatchList(userId, name, category);
}

void wheelWatchList(int32_t steps) {
    int32_t last = std::max(0, runsListed() - shownRuns);
    watchScroll = std::clamp(watchScroll + (steps > 0 ? -1 : 1), 0, last);
}

std::vector<HitArea> watchListHitAreas() {
    std::vector<HitArea> areas = {{WatchClose, menuButtonRect(closeButton())}};
    for (int32_t shown = 0; shown < runsShown(); shown++)
        areas.push_back({WatchFirstRun + shown, rankingRowRect(shown)});
    return areas;
}

int32_t hoveredWatchItem() {
    int32_t hovered = menuButtonHovered(closeButton()) ? WatchClose : 0;
    for (int32_t shown = 0; shown < runsShown(); shown++)
        if (itemHovered(WatchFirstRun + shown, rankingRowRect(shown)) && !hovered)
            hovered = WatchFirstRun + shown;
    return hovered;
}

void clickWatchList(int32_t item) {
    if (item == WatchClose) closeWatchList();
    if (item >= WatchFirstRun && item < WatchFirstRun + runsShown())
        downloadWatchRun(watchScroll + item - WatchFirstRun);
}

static float rowsAbove(float rows) {
    float step = rankingRowBaseline(1) - rankingRowBaseline(0);
    return rankingRowBaseline(0) + rows * step;
}

static void drawHeader(bool overall) {
    float y = rowsAbove(headerRow);
    if (overall) printRankingText("Mode", rankingColumnX(modeColumn), y, AlignLeft, headerScale);
    printRankingText("Level", rankingColumnX(levelColumn), y, AlignRight, headerScale);
    printRankingText("Score", rankingColumnX(scoreColumn), y, AlignRight, headerScale);
    printRankingText("Date", rankingColumnX(dateColumn), y, AlignRight, headerScale);
}

static void drawRun(int32_t shown) {
    const WatchRun& run = watchRuns[watchScroll + shown];
    IntRect rect = rankingRowRect(shown);
    bool lit = hoverItem == WatchFirstRun + shown || watchScroll + shown == watchChosen;
    if (lit || shown % 2 == 0) {
        drawUntexturedRect(static_cast<float>(rect.left), static_cast<float>(rect.top),
                           static_cast<float>(rect.right - rect.left),
                           static_cast<float>(rect.bottom - rect.top), 255, 255, 255,
                           lit ? hoverAlpha : stripeAlpha);
    }
    float y = rankingRowBaseline(shown);
    if (watchCategory == overallCategory) {
        printRankingText(rankingCategoryName(run.mode), rankingColumnX(modeColumn), y, AlignLeft,
                         rowScale);
    }
    printRankingText(std::to_string(run.level), rankingColumnX(levelColumn), y, AlignRight,
                     rowScale);
    printRankingText(thousandsString(run.score), rankingColumnX(scoreColumn), y, AlignRight,
                     rowScale);
    printRankingText(run.date, rankingColumnX(dateColumn), y, AlignRight, rowScale);
}

// The line in the middle of the list: what is happening, or why nothing is listed.
static std::string listNote() {
    if (watchStep == WatchListLoading) return "Loading the runs...";
    if (!watchMessage.empty()) return watchMessage;
    if (watchRuns.empty()) return "No verified runs here yet.";
    return "";
}

// "Runs 11-20 of 23" under the table once there are more than fit.
static void drawScrollNote() {
    if (runsListed() <= shownRuns) return;
    std::string note = "Runs " + std::to_string(watchScroll + 1) + "-" +
                       std::to_string(watchScroll + runsShown()) + " of " +
                       std::to_string(runsListed()) + " (scroll for more)";
    printRankingText(note, screenW() / 2, rankingRowBaseline(shownRuns + 1), AlignCentre, 0.6f);
}

void renderWatchList(float spinnerDegrees) {
    std::string title =
        watchPlayerName + ": verified runs in " + rankingCategoryName(watchCategory);
    printRankingText(title, screenW() / 2, rowsAbove(titleRow), AlignCentre, titleScale);
    drawHeader(watchCategory == overallCategory);
    for (int32_t shown = 0; shown < runsShown(); shown++) drawRun(shown);
    drawScrollNote();
    std::string note = listNote();
    float middle = rankingRowBaseline(rankingVisibleRows / 2 - 1);
    if (!note.empty()) printRankingText(note, screenW() / 2, middle, AlignCentre, rowScale);
    MenuButton button = closeButton();
    drawMenuButton(button, hoverItem == WatchClose);
    if (watchStep == WatchFileLoading) {
        printRankingText("Downloading the replay...", button.centre.x,
                         button.centre.y + button.size.y * 1.1f, AlignCentre, 0.6f);
    }
    if (watchStep == WatchListLoading || watchStep == WatchFileLoading) {
        float side = 0.045f * screenH();
        drawLoadingSpinner({rankingColumnX(0.40f) - side / 2, rowsAbove(titleRow) - side / 3}, side,
                           spinnerDegrees, spinnerAlpha);
    }
}

void renderWatchCaption() {
    if (watchStep != WatchPlaying) return;
    float y = captionTopShare * screenH();
    printShadowed("Watching " + watchCaption(), screenW() / 2, y, 2.0f, AlignCentre, captionScale,
                  255, 255, 255, 255, mediumFont);
    printShadowed("Escape returns to the ranking", screenW() / 2, y + mediumFont.h * 0.9f, 2.0f,
                  AlignCentre, hintScale, 255, 255, 255, 200, mediumFont);
}
