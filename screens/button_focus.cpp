#include "screens/button_focus.h"

#include <cstdlib>

#include "base/pointer.h"

FocusTarget focusTargets[maxFocusTargets];
int focusTargetCount = 0;
bool focusShown = false;
bool hoverLagsPointer = false;

// The frame being built; it becomes the targets when the next one starts.
static FocusTarget offered[maxFocusTargets];
static int offeredCount = 0;

void beginFocusFrame() {
    for (int i = 0; i < offeredCount; i++) focusTargets[i] = offered[i];
    focusTargetCount = offeredCount;
    offeredCount = 0;
}

static bool inside(IntRect rect, int32_t x, int32_t y) {
    return x > rect.left && x < rect.right && y > rect.top && y < rect.bottom;
}

// A screen may test the same button twice in a frame; it is offered once.
static bool alreadyOffered(int32_t item, IntRect rect) {
    for (int i = 0; i < offeredCount; i++)
        if (offered[i].item == item && offered[i].rect == rect) return true;
    return false;
}

bool itemHovered(int32_t item, IntRect rect, bool back) {
    if (offeredCount < maxFocusTargets && !alreadyOffered(item, rect))
        offered[offeredCount++] = {item, rect, back};
    return inside(rect, mouseX, mouseY);
}

int focusedTarget(int32_t x, int32_t y) {
    for (int i = 0; i < focusTargetCount; i++)
        if (inside(focusTargets[i].rect, x, y)) return i;
    return -1;
}

int backTarget() {
    for (int i = 0; i < focusTargetCount; i++)
        if (focusTargets[i].back) return i;
    return -1;
}

void targetCentre(const FocusTarget& target, int32_t& x, int32_t& y) {
    x = (target.rect.left + target.rect.right) / 2;
    y = (target.rect.top + target.rect.bottom) / 2;
}

// Distance to a candidate for an arrow move, or -1 when it does not lie that
// way. Straying sideways costs twice as much as going the asked way.
static long arrowCost(const FocusTarget& from, const FocusTarget& to, FocusMove move) {
    int32_t fx, fy, tx, ty;
    targetCentre(from, fx, fy);
    targetCentre(to, tx, ty);
    long ahead = 0, aside = 0;
    if (move == FocusUp || move == FocusDown) {
        ahead = move == FocusDown ? ty - fy : fy - ty;
        aside = std::labs(static_cast<long>(tx - fx));
    } else {
        ahead = move == FocusRight ? tx - fx : fx - tx;
        aside = std::labs(static_cast<long>(ty - fy));
    }
    if (ahead <= 0) return -1;
    return ahead + 2 * aside;
}

static int nearestThatWay(const FocusTarget* targets, int count, int from, FocusMove move) {
    int best = -1;
    long bestCost = 0;
    for (int i = 0; i < count; i++) {
        if (i == from) continue;
        long cost = arrowCost(targets[from], targets[i], move);
        if (cost >= 0 && (best < 0 || cost < bestCost)) {
            best = i;
            bestCost = cost;
        }
    }
    return best;
}

int nextFocusTarget(const FocusTarget* targets, int count, int from, FocusMove move) {
    if (count <= 0) return -1;
    if (from < 0 || from >= count) return 0;
    // Tab wraps round the screen's order; an arrow with nothing that way stays,
    // so pressing it once too often never lands somewhere unexpected.
    if (move == FocusNext) return (from + 1) % count;
    if (move == FocusPrevious) return (from + count - 1) % count;
    int found = nearestThatWay(targets, count, from, move);
    return found >= 0 ? found : from;
}
