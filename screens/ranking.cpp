#include "screens/ranking.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "base/game_state.h"
#include "base/pointer.h"
#include "base/profiler.h"
#include "engine/draw2d.h"
#include "engine/fonts.h"
#include "online/account.h"
#include "online/ranking.h"
#include "online/watch.h"
#include "platform/input_state.h"
#include "screens/button_focus.h"
#include "screens/game_view.h"
#include "screens/menu_base.h"
#include "screens/ranking_layout.h"
#include "screens/watch_list.h"
#include "settings/settings.h"

int32_t rankingHeldItem = 0;
float rankingHoldMs = 0.0f;

static int32_t repeatsDone = 0;    // arrow repeats of the current hold
static float spinnerAngle = 0.0f;  // the loading bar's turn, degrees
static bool escapeTaken = false;   // the Escape held now has done its work; it acts again once up
static int32_t openedRow = -1;     // the row whose runs were opened last; -1 none

static constexpr float opaque = 255.0f;
// Columns, in screen heights from the centre: rank (right edge), name, skillpoints (right edge).
static constexpr float rankColumn = -0.30f, nameColumn = -0.24f, skillColumn = 0.36f;
static constexpr float categoryArrowColumn = 0.17f;
static constexpr float scrollColumn = 0.45f, arrowSizeShare = 0.035f, barWidthShare = 0.012f;
static constexpr float rowScale = 0.75f, headerScale = 0.7f, categoryScale = 0.9f;
static constexpr float stripeAlpha = 18.0f, ownRowAlpha = 55.0f, headerLineAlpha = 90.0f;
static constexpr float trackAlpha = 35.0f, thumbAlpha = 150.0f, markedRowAlpha = 45.0f;
static constexpr float spinnerShare = 0.045f, spinnerDegreesPerMs = 0.4f, spinnerAlpha = 175.0f;
static constexpr float buttonOffsetShare = 0.12f;  // of the screen width, either side
static constexpr unsigned char ownRowColour[3] = {116, 185, 35};

// ---- buttons and their places ----

static MenuButton findMeButton() {
    return rankingTextButton(RankingFindMe, -buttonOffsetShare, "Find Me");
}
static MenuButton backButton() {
    return rankingTextButton(RankingBack, buttonOffsetShare, "Back");
}

static Vec2 iconCentre(int32_t item) {
    float h = screenH(), arrowHalf = arrowSizeShare * h / 2;
    switch (item) {
        case RankingPreviousCategory:
            return {rankingColumnX(-categoryArrowColumn), rankingCategoryShare * h - arrowHalf};
        case RankingNextCategory:
            return {rankingColumnX(categoryArrowColumn), rankingCategoryShare * h - arrowHalf};
        case RankingArrowUp:
            return {rankingColumnX(scrollColumn), rankingRowBaseline(0) - arrowHalf};
        default:
            return {rankingColumnX(scrollColumn),
                    rankingRowBaseline(rankingVisibleRows - 1) - arrowHalf};
    }
}

static IntRect iconRect(int32_t item) {
    Vec2 centre = iconCentre(item);
    float side = arrowSizeShare * screenH();
    return getAnchoredRect(centre.x, centre.y, side, side, AnchorCentre);
}

// The bar runs between the two arrows; shown only when the list is longer than the view.
static bool scrollBarShown() {
    return static_cast<int32_t>(rankingRows.size()) > rankingVisibleRows;
}
static IntRect scrollTrack() {
    float side = arrowSizeShare * screenH();
    float top = iconCentre(RankingArrowUp).y + side, bottom = iconCentre(RankingArrowDown).y - side;
    float x = rankingColumnX(scrollColumn), half = barWidthShare * screenH() / 2;
    return {static_cast<int>(x - half), static_cast<int>(top), static_cast<int>(x + half),
            static_cast<int>(bottom)};
}

// How many of the ten row places hold a row now.
static int32_t rowsShown() {
    int32_t count = static_cast<int32_t>(rankingRows.size()) - rankingScroll;
    return std::clamp(count, 0, rankingVisibleRows);
}

std::vector<HitArea> rankingHitAreas() {
    if (watchStep != WatchClosed) return watchListHitAreas();
    std::vector<HitArea> areas = {{RankingFindMe, menuButtonRect(findMeButton())},
                                  {RankingBack, menuButtonRect(backButton())}};
    for (int32_t item :
         {RankingPreviousCategory, RankingNextCategory, RankingArrowUp, RankingArrowDown})
        areas.push_back({item, iconRect(item)});
    for (int32_t shown = 0; shown < rowsShown(); shown++)
        areas.push_back({RankingFirstRow + shown, rankingRowRect(shown)});
    return areas;
}

static int32_t hoveredRankingItem() {
    // Every button is offered to the focus, so none stops the tests early.
    int32_t hovered = 0;
    if (menuButtonHovered(findMeButton())) hovered = RankingFindMe;
    if (menuButtonHovered(backButton()) && !hovered) hovered = RankingBack;
    for (int32_t item :
         {RankingPreviousCategory, RankingNextCategory, RankingArrowUp, RankingArrowDown})
        if (itemHovered(item, iconRect(item)) && !hovered) hovered = item;
    for (int32_t shown = 0; shown < rowsShown(); shown++)
        if (itemHovered(RankingFirstRow + shown, rankingRowRect(shown)) && !hovered)
            hovered = RankingFirstRow + shown;
    if (hovered) return hovered;
    // The bar is dragged, not pressed: the focus never lands on it.
    if (scrollBarShown()) {
        IntRect track = scrollTrack();
        // The bar is thin: its hit area is as wide as the arrows.
        int widen =
            static_cast<int>(arrowSizeShare * screenH() / 2) - (track.right - track.left) / 2;
        if (mouseInside({track.left - widen, track.top, track.right + widen, track.bottom}))
            return RankingScrollBar;
    }
    return 0;
}

// ---- the frame ----

void wheelRanking(int32_t steps) {
    if (watchStep != WatchClosed) return wheelWatchList(steps);
    if (steps > 0) scrollRankingTo(rankingScroll - 1);
    if (steps < 0) scrollRankingTo(rankingScroll + 1);
}

static void scrollByArrow(int32_t item) {
    scrollRankingTo(rankingScroll + (item == RankingArrowUp ? -1 : 1));
}

static void followScrollBar() {
    IntRect track = scrollTrack();
    float length = static_cast<float>(track.bottom - track.top);
    if (length <= 0) return;
    float share = (static_cast<float>(mouseY) - static_cast<float>(track.top)) / length;
    scrollRankingTo(static_cast<int32_t>(std::lround(share * lastRankingScroll())));
}

void holdRankingButton(float dtMs) {
    if (!leftDown) rankingHeldItem = 0;
    if (rankingHeldItem == 0) return;
    rankingHoldMs += dtMs;
    if (rankingHeldItem == RankingScrollBar) {
        followScrollBar();
        return;
    }
    if (hoverItem != rankingHeldItem) return;
    float repeating = rankingHoldMs - arrowRepeatDelayMs;
    int32_t due = repeating < 0 ? 0 : static_cast<int32_t>(repeating / arrowRepeatStepMs) + 1;
    for (; repeatsDone < due; repeatsDone++) scrollByArrow(rankingHeldItem);
}

// Escape closes the watch list, or else leaves the screen; one press does one of them.
static void followEscape() {
    bool escape = platformKeyHeld(vk::Escape);
    if (!escape) escapeTaken = false;
    if (!escape || escapeTaken || GameState != Ranking) return;
    escapeTaken = true;
    if (watchStep != WatchClosed)
        closeWatchList();
    else
        GameState = RankingToMenu;
}

void UpdateRanking(float dtMs) {
    ProfileScope section("UpdateRanking");
    if (findingMe) findMyRankingRow(userId);
    requestNextRankingPage();
    cutRankingPages(rowCuttingBudgetMs);
    hoverItem = watchStep != WatchClosed ? hoveredWatchItem() : hoveredRankingItem();
    holdRankingButton(dtMs);
    spinnerAngle = std::fmod(spinnerAngle + spinnerDegreesPerMs * dtMs, 360.0f);
    followEscape();
}

void returnToRankingFromReplay() {
    finishWatching();
    GameState = Ranking;
    escapeTaken = true;
}

static void changeCategory(int32_t step) {
    int32_t category = std::clamp(rankingCategory + step, overallCategory, lastRankingCategory);
    if (category == rankingCategory) return;
    selectRankingCategory(category);
    openedRow = -1;
}

static void openRow(int32_t shown) {
    int32_t index = rankingScroll + shown;
    if (index < 0 || index >= static_cast<int32_t>(rankingRows.size())) return;
    RankingRow row = rankingRowFields(rankingRows[index]);
    if (!row.valid) return;
    openedRow = index;
    openWatchListAtTop(row.userId, row.name, rankingCategory);
}

// The arrows and the bar keep acting while the button stays down.
static void startHold(int32_t item) {
    rankingHeldItem = item;
    rankingHoldMs = 0;
    repeatsDone = 0;
    leftDown = true;
}

void clickRanking(int32_t item) {
    if (watchStep != WatchClosed) {
        clickWatchList(item);
        return;
    }
    if (item >= RankingFirstRow && item < RankingFirstRow + rankingVisibleRows) {
        openRow(item - RankingFirstRow);
        return;
    }
    switch (item) {
        case RankingPreviousCategory:
            changeCategory(-1);
            break;
        case RankingNextCategory:
            changeCategory(1);
            break;
        case RankingArrowUp:
        case RankingArrowDown:
            scrollByArrow(item);
            startHold(item);
            break;
        case RankingScrollBar:
            startHold(item);
            followScrollBar();
            break;
        case RankingFindMe:
            startFindMe();
            break;
        case RankingBack:
            GameState = RankingToMenu;
            break;
        default:
            break;
    }
}

// ---- drawing ----

static void drawIcon(int32_t item, const char* texture, bool idle) {
    drawIconButton(iconCentre(item), arrowSizeShare * screenH(), texture, hoverItem == item, idle);
}

static void drawCategorySelector() {
    printRankingText(rankingCategoryName(rankingCategory), screenW() / 2,
                     rankingCategoryShare * screenH(), AlignCentre, categoryScale);
    drawIcon(RankingPreviousCategory, "arrowleft.tga", rankingCategory == overallCategory);
    drawIcon(RankingNextCategory, "arrowright.tga", rankingCategory == lastRankingCategory);
}

static void drawHeader() {
    float y = rankingHeaderShare * screenH();
    printRankingText("Rank", rankingColumnX(rankColumn), y, AlignRight, headerScale);
    printRankingText("Name", rankingColumnX(nameColumn), y, AlignLeft, headerScale);
    printRankingText("Skillpoints", rankingColumnX(skillColumn), y, AlignRight, headerScale);
    float left = rankingColumnX(-rankingTableHalfWidth),
          width = 2 * rankingTableHalfWidth * screenH();
    drawUntexturedRect(left, y + 0.3f * menuLineHeight(), width, 1.5f, 255, 255, 255,
                       headerLineAlpha);
}

static std::string skillpointsText(const RankingRow& row) {
    if (!row.valid) return row.skillpoints;
    return thousandsString(atoll(row.skillpoints.c_str()));
}

static void drawRow(int32_t shown, int32_t index) {
    RankingRow row = rankingRowFields(rankingRows[index]);
    float y = rankingRowBaseline(shown), step = rankingRowStepShare * screenH();
    float left = rankingColumnX(-rankingTableHalfWidth),
          width = 2 * rankingTableHalfWidth * screenH();
    bool mine = row.valid && row.userId == userId;
    // The row under the pointer, and the one whose runs were watched, stand out.
    bool marked = hoverItem == RankingFirstRow + shown || index == openedRow;
    if (marked) {
        drawUntexturedRect(left, y - 0.78f * step, width, step, 255, 255, 255, markedRowAlpha);
    } else if (mine) {
        drawUntexturedRect(left, y - 0.78f * step, width, step, ownRowColour[0], ownRowColour[1],
                           ownRowColour[2], ownRowAlpha);
    } else if (index % 2 == 0) {
        drawUntexturedRect(left, y - 0.78f * step, width, step, 255, 255, 255, stripeAlpha);
    }
    printRankingText(std::to_string(index + 1), rankingColumnX(rankColumn), y, AlignRight,
                     rowScale);
    printRankingText(row.name, rankingColumnX(nameColumn), y, AlignLeft, rowScale);
    printRankingText(skillpointsText(row), rankingColumnX(skillColumn), y, AlignRight, rowScale);
}

static void drawScrolling() {
    drawIcon(RankingArrowUp, "arrowup.tga", rankingScroll == 0);
    drawIcon(RankingArrowDown, "arrowdown.tga", rankingScroll >= lastRankingScroll());
    if (!scrollBarShown()) return;
    IntRect track = scrollTrack();
    float left = static_cast<float>(track.left), top = static_cast<float>(track.top);
    float width = static_cast<float>(track.right - track.left);
    float length = static_cast<float>(track.bottom - track.top);
    drawUntexturedRect(left, top, width, length, 255, 255, 255, trackAlpha);
    float rows = static_cast<float>(rankingRows.size());
    float thumb = std::max(width * 2, length * rankingVisibleRows / rows);
    float at = top + (length - thumb) * rankingScroll / std::max(1, lastRankingScroll());
    drawUntexturedRect(left, at, width, thumb, 255, 255, 255,
                       hoverItem == RankingScrollBar || rankingHeldItem ? opaque : thumbAlpha);
}

static void drawSpinner() {
    float side = spinnerShare * screenH();
    Vec2 centre = {rankingColumnX(rankingTableHalfWidth) - side / 2,
                   rankingCategoryShare * screenH() - side / 3};
    drawLoadingSpinner(centre, side, spinnerAngle, spinnerAlpha);
}

// A line in the middle of the list, where rows would be.
static void drawListNote(const std::string& text) {
    printRankingText(text, screenW() / 2, rankingRowBaseline(rankingVisibleRows / 2 - 1),
                     AlignCentre, rowScale);
}

static void drawRows() {
    int32_t count = static_cast<int32_t>(rankingRows.size());
    for (int32_t shown = 0; shown < rankingVisibleRows; shown++) {
        int32_t index = rankingScroll + shown;
        if (index < count) drawRow(shown, index);
    }
    if (serverLink.connectionMode == ConnectionOffline)
        drawListNote("Online Ranking is unavailable in Offline Mode.");
    else if (count == 0 && rankingAtEnd)
        drawListNote("No players are ranked here yet.");
}

void renderRanking() {
    ProfileScope section("renderRanking");
    renderMenuBase();
    drawMenuLabel("Online Ranking", screenW() / 2, rankingTitleShare * screenH());
    if (watchStep != WatchClosed) {
        renderWatchList(spinnerAngle);
        return;
    }
    drawCategorySelector();
    drawHeader();
    drawRows();
    drawScrolling();
    bool fetching = !rankingAtEnd && serverLink.connectionMode != ConnectionOffline;
    if (fetching) drawSpinner();
    drawMenuButton(findMeButton(), hoverItem == RankingFindMe);
    drawMenuButton(backButton(), hoverItem == RankingBack);
    if (findingMe || findMeUnranked) {
        MenuButton button = findMeButton();
        const char* note = findingMe ? "Finding..." : "You are not ranked here yet.";
        printRankingText(note, button.centre.x, button.centre.y + button.size.y * 1.1f, AlignCentre,
                         0.6f);
    }
}
