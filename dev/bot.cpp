#include "dev/bot.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/camera.h"
#include "game/blocks.h"
#include "game/meter.h"
#include "game/play.h"
#include "game/tutorials.h"
#include "online/achievements.h"
#include "screens/pause.h"
#include "settings/settings.h"
#include "shell/game_state.h"
#include "shell/input.h"

BotSkill botSkill = skilledBot;
bool autoplayOn = false;
int32_t botShots = 0;

enum BotPhase { Thinking, Moving, Aiming, Firing, Rotating, Clicking };

struct BotTarget {
    int32_t slot, face;
    int32_t value;  // size of the group the shot would make; 100 more when it completes one
    float x, y;     // screen point of the face centre
};

static BotPhase phase = Thinking;
static float phaseClock = 0.0f;   // ms in the current phase
static float phaseLength = 0.0f;  // ms the phase should take
static BotTarget target = {-1, -1, 0, 0, 0};
static float moveFrom[2] = {0, 0};  // mouse position when the move began
static float dragStep[2] = {0, 0};  // pixels per ms of a rotation drag
static int32_t rotationsInARow = 0;
static uint32_t botRandomState = 1;

static constexpr int32_t completesBonus = 100;
static constexpr int32_t maxRotationsBeforeAnyShot = 2;
static constexpr float aimPatienceMs = 400.0f;
static constexpr float dragLengthMs = 300.0f;
static constexpr float screenMargin = 0.04f;

static uint32_t botRandom() {
    botRandomState ^= botRandomState << 13;
    botRandomState ^= botRandomState >> 17;
    botRandomState ^= botRandomState << 5;
    return botRandomState;
}

static float botChance() {
    return static_cast<float>(botRandom() % 10000) / 10000.0f;
}

void resetBot(uint32_t seed) {
    botRandomState = seed * 2654435761u + 1;
    phase = Thinking;
    phaseClock = 0.0f;
    phaseLength = botSkill.reactionMs;
    rotationsInARow = 0;
    botShots = 0;
}

static void enterPhase(BotPhase next, float lengthMs) {
    phase = next;
    phaseClock = 0.0f;
    phaseLength = lengthMs;
}

// A person's timing varies by about a third either way.
static float humanDelay(float ms) {
    return ms * (0.67f + 0.66f * botChance());
}

// ---- buttons, through the same handlers as the window's events ----

static void pressFire() {
    if (controls == 0)
        onRightButtonDown();
    else
        onLeftButtonDown();
}

static void releaseFire() {
    if (controls == 0)
        onRightButtonUp();
    else
        onLeftButtonUp();
}

static void pressRotate() {
    if (controls == 1)
        onRightButtonDown();
    else
        onLeftButtonDown();
}

static void releaseRotate() {
    if (controls == 1)
        onRightButtonUp();
    else
        onLeftButtonUp();
}

// ---- choosing a face ----

// Colour groups of the standing mass: a group number per slot and each group's size.
static void labelGroups(std::vector<int32_t>& group, std::vector<int32_t>& size) {
    group.assign(blockSlots, -1);
    size.clear();
    for (int32_t start = 0; start < blockSlots; start++) {
        if (group[start] != -1 || !isStanding(blockTable[start])) continue;
        int32_t id = static_cast<int32_t>(size.size());
        size.push_back(0);
        std::vector<int32_t> open = {start};
        group[start] = id;
        while (!open.empty()) {
            int32_t slot = open.back();
            open.pop_back();
            size[id]++;
            for (int32_t d = MinusX; d <= MinusY; d++) {
                int32_t next = neighbourOf(slot, d);
                if (next == -1 || group[next] != -1) continue;
                if (blockTable[next].colour != blockTable[slot].colour) continue;
                group[next] = id;
                open.push_back(next);
            }
        }
    }
}

static bool cellTaken(Vec3 cell) {
    if (findBlockAt(cell.x, cell.y, cell.z) != -1) return true;
    for (const Block& block : blockTable) {
        if (block.alive && block.targetPos == cell) return true;
    }
    return false;
}

// Size of the group a block of `colour` in `cell` would belong to.
static int32_t groupWithShot(Vec3 cell, int32_t colour, const std::vector<int32_t>& group,
                             const std::vector<int32_t>& size) {
    int32_t total = 1, seen[6], seenCount = 0;
    for (int32_t d = MinusX; d <= MinusY; d++) {
        Vec3 next = cell + directionVector(d) * blockUnit;
        int32_t slot = findRestingBlockAt(next.x, next.y, next.z);
        if (slot == -1 || blockTable[slot].colour != colour) continue;
        bool counted = false;
        for (int32_t i = 0; i < seenCount; i++) counted = counted || seen[i] == group[slot];
        if (counted) continue;
        seen[seenCount++] = group[slot];
        total += size[group[slot]];
    }
    return total;
}

static bool screenPointOf(Vec3 point, float& x, float& y) {
    int viewport[4] = {0, 0, ScreenWidth, ScreenHeight};
    double wx, wy, wz;
    if (!projectPoint(point, modelviewMatrix, projectionMatrix, viewport, wx, wy, wz)) return false;
    x = static_cast<float>(wx);
    y = static_cast<float>(ScreenHeight - wy);
    return wz > 0 && wz < 1;
}

// Inside the window, away from its edges and from the powerup buttons.
static bool comfortablePoint(float x, float y) {
    float w = static_cast<float>(ScreenWidth), h = static_cast<float>(ScreenHeight);
    if (x < screenMargin * w || x > (1 - screenMargin) * w) return false;
    if (y < screenMargin * h || y > (1 - screenMargin) * h) return false;
    float button = 0.05f * w;
    return !(x < 4.5f * button && y > h - 2 * button);
}

static std::vector<BotTarget> listTargets() {
    std::vector<int32_t> group, size;
    labelGroups(group, size);
    std::vector<BotTarget> targets;
    for (int32_t slot = 0; slot < blockSlots; slot++) {
        if (!isStanding(blockTable[slot])) continue;
        for (int32_t face = MinusX; face <= MinusY; face++) {
            if (!faceTowardsEye(slot, face)) continue;
            Vec3 normal = directionVector(face);
            Vec3 cell = blockTable[slot].pos + normal * blockUnit;
            BotTarget t = {slot, face, 0, 0, 0};
            if (cellTaken(cell) || !screenPointOf(cell - normal * (blockUnit / 2), t.x, t.y) ||
                !comfortablePoint(t.x, t.y))
                continue;
            int32_t n = groupWithShot(cell, currentColour, group, size);
            t.value = n >= 4 ? n + completesBonus : n;
            targets.push_back(t);
        }
    }
    return targets;
}

// The player's own picking must find the face at that point.
static bool reachable(const BotTarget& t) {
    int32_t slot = -1, face = -1;
    return pickFaceAt(static_cast<int32_t>(t.x), static_cast<int32_t>(t.y), slot, face) &&
           slot == t.slot && face == t.face;
}

// A person weighs a few of the faces in view, not all of them.
static void keepWhatCatchesTheEye(std::vector<BotTarget>& targets) {
    for (size_t i = 0; i < targets.size(); i++)
        std::swap(targets[i], targets[botRandom() % (i + 1)]);
    if (static_cast<int32_t>(targets.size()) > botSkill.attention)
        targets.resize(botSkill.attention);
}

static bool bestReachable(std::vector<BotTarget>& targets, BotTarget& chosen) {
    constexpr int maxChecks = 8;
    keepWhatCatchesTheEye(targets);
    std::stable_sort(targets.begin(), targets.end(),
                     [](const BotTarget& a, const BotTarget& b) { return a.value > b.value; });
    for (int i = 0; i < maxChecks && i < static_cast<int>(targets.size()); i++) {
        if (!reachable(targets[i])) continue;
        chosen = targets[i];
        return true;
    }
    return false;
}

static bool carelessTarget(const std::vector<BotTarget>& targets, BotTarget& chosen) {
    constexpr int maxTries = 8;
    for (int i = 0; i < maxTries && !targets.empty(); i++) {
        const BotTarget& t = targets[botRandom() % targets.size()];
        if (!reachable(t)) continue;
        chosen = t;
        return true;
    }
    return false;
}

// ---- phases ----

static void startRotation() {
    float w = static_cast<float>(ScreenWidth), h = static_cast<float>(ScreenHeight);
    onMouseMove(static_cast<int32_t>(w * (0.4f + 0.2f * botChance())),
                static_cast<int32_t>(h * (0.35f + 0.2f * botChance())));
    float angle = botChance() * 6.2831853f, length = 0.25f * h;
    dragStep[0] = std::cos(angle) * length / dragLengthMs;
    dragStep[1] = std::sin(angle) * length / dragLengthMs;
    pressRotate();
    rotationsInARow++;
    enterPhase(Rotating, dragLengthMs);
}

static void decide() {
    if (currentColour == -1) {
        enterPhase(Thinking, humanDelay(botSkill.reactionMs) / 4);
        return;
    }
    std::vector<BotTarget> targets = listTargets();
    BotTarget chosen;
    bool found = botChance() < botSkill.errorRate ? carelessTarget(targets, chosen)
                                                  : bestReachable(targets, chosen);
    if (!found || (chosen.value < 2 && rotationsInARow < maxRotationsBeforeAnyShot)) {
        startRotation();
        return;
    }
    rotationsInARow = 0;
    target = chosen;
    moveFrom[0] = static_cast<float>(mouseX);
    moveFrom[1] = static_cast<float>(mouseY);
    enterPhase(Moving, humanDelay(botSkill.reactionMs * 0.6f));
}

// The face's screen point moves a little as the mass drifts; follow it.
static void trackTarget() {
    Vec3 normal = directionVector(target.face);
    Vec3 centre = blockTable[target.slot].pos + normal * (blockUnit / 2);
    screenPointOf(centre, target.x, target.y);
}

static void moveTowardsTarget() {
    trackTarget();
    float t = phaseLength > 0 ? std::fmin(1.0f, phaseClock / phaseLength) : 1.0f;
    float eased = t * t * (3 - 2 * t);
    onMouseMove(static_cast<int32_t>(moveFrom[0] + (target.x - moveFrom[0]) * eased),
                static_cast<int32_t>(moveFrom[1] + (target.y - moveFrom[1]) * eased));
    if (t >= 1.0f) enterPhase(Aiming, aimPatienceMs);
}

static void aimAndFire() {
    if (!isStanding(blockTable[target.slot])) {
        enterPhase(Thinking, humanDelay(botSkill.reactionMs) / 2);
        return;
    }
    trackTarget();
    onMouseMove(static_cast<int32_t>(target.x), static_cast<int32_t>(target.y));
    bool onTarget = aimBlock == target.slot && aimFace == target.face;
    bool ready = aimAlpha > fireAlpha && reloadTimer >= reloadMs && currentColour != -1;
    if (onTarget && ready) {
        pressFire();
        enterPhase(Firing, 0);
    } else if (!onTarget && phaseClock > phaseLength) {
        enterPhase(Thinking, humanDelay(botSkill.reactionMs) / 2);
    }
}

static void dragMass(float dtMs) {
    onMouseMove(mouseX + static_cast<int32_t>(std::lround(dragStep[0] * dtMs)),
                mouseY + static_cast<int32_t>(std::lround(dragStep[1] * dtMs)));
    if (phaseClock < phaseLength) return;
    releaseRotate();
    enterPhase(Thinking, humanDelay(botSkill.reactionMs));
}

// Cards close and the result panel moves on with a plain click.
static bool clickWanted() {
    if (tutorialShowing) return tutorialClock > cardCloseDelayMs;
    return levelClearTimer > levelClearWaitMs && !unlockPopups.empty();
}

// A Practice game from the menus may ask about the tutorials: the bot answers "No".
static bool pointAtResetAnswer() {
    MenuButton no;
    if (!findPauseButton(ResetNo, no)) return false;
    onMouseMove(static_cast<int32_t>(no.centre.x), static_cast<int32_t>(no.centre.y));
    return true;
}

static void stepPhase(float dtMs) {
    switch (phase) {
        case Thinking:
            if (phaseClock >= phaseLength) decide();
            break;
        case Moving:
            moveTowardsTarget();
            break;
        case Aiming:
            aimAndFire();
            break;
        case Firing:
            releaseFire();
            botShots++;
            enterPhase(Thinking, humanDelay(botSkill.reactionMs));
            break;
        case Rotating:
            dragMass(dtMs);
            break;
        case Clicking:
            onLeftButtonUp();
            enterPhase(Thinking, humanDelay(botSkill.reactionMs));
            break;
    }
}

static bool levelRunning() {
    return !levelOver && !endSequence && levelClearTimer == 0.0f && aliveBlockCount() > 0;
}

void botStep(float dtMs) {
    if (GameState != Game) return;
    phaseClock += dtMs;
    bool busy = phase == Firing || phase == Rotating || phase == Clicking;
    if (!busy && (clickWanted() || pointAtResetAnswer())) {
        onLeftButtonDown();
        enterPhase(Clicking, 0);
        return;
    }
    if (!busy && (paused || !levelRunning())) {
        enterPhase(Thinking, humanDelay(botSkill.reactionMs));
        return;
    }
    stepPhase(dtMs);
}
