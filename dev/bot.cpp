#include "dev/bot.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "base/game_state.h"
#include "dev/bot_view.h"
#include "game/blocks.h"
#include "game/camera.h"
#include "game/meter.h"
#include "game/modes.h"
#include "game/play.h"
#include "game/powerups.h"
#include "game/server_link.h"
#include "game/tutorials.h"
#include "online/achievements.h"
#include "platform/input_state.h"
#include "screens/pause.h"
#include "settings/settings.h"
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

// Cells the bot's own recent shots fly to: it remembers where it fired.
struct RememberedShot {
    Vec3 cell;
    float ageMs;
};
static std::vector<RememberedShot> recentShots;
static constexpr float shotMemoryMs = 1000.0f;

static constexpr int32_t completesBonus = 100;
static constexpr int32_t maxRotationsBeforeAnyShot = 2;
static constexpr float aimPatienceMs = 400.0f;
static constexpr float dragLengthMs = 300.0f;
// How long the bot waits on the connection prompt before it plays offline.
static constexpr float promptPatienceMs = 30000.0f;
// How long "Connected!" shows before the bot, having read it, resumes: a
// player's glance, and frames enough for a test to see the prompt.
static constexpr float promptReadMs = 400.0f;
static float promptWaitMs = 0.0f;
static float connectedShownMs = 0.0f;

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
    recentShots.clear();
    promptWaitMs = 0.0f;
    connectedShownMs = 0.0f;
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

static Vec3 cellInFront(int32_t slot, int32_t face) {
    return blockTable[slot].pos + directionVector(face) * blockUnit;
}

static bool shotRecentlyAt(Vec3 cell) {
    for (const RememberedShot& shot : recentShots)
        if (shot.cell == cell) return true;
    return false;
}

static void ageShotMemory(float dtMs) {
    for (RememberedShot& shot : recentShots) shot.ageMs += dtMs;
    recentShots.erase(
        std::remove_if(recentShots.begin(), recentShots.end(),
                       [](const RememberedShot& s) { return s.ageMs > shotMemoryMs; }),
        recentShots.end());
}

// Every seen face with a free cell in front, valued by the group the shown colour would make.
static std::vector<BotTarget> listTargets(const BotView& view) {
    std::vector<BotTarget> targets;
    for (const SeenFace& seen : view.faces) {
        if (shotRecentlyAt(cellInFront(seen.slot, seen.face))) continue;
        int32_t n = groupWithShot(view, seen, play.currentColour);
        targets.push_back({seen.slot, seen.face, n >= 4 ? n + completesBonus : n, seen.x, seen.y});
    }
    return targets;
}

// A person weighs a few of the faces in view, not all of them.
static void keepWhatCatchesTheEye(std::vector<BotTarget>& targets) {
    for (size_t i = 0; i < targets.size(); i++)
        std::swap(targets[i], targets[botRandom() % (i + 1)]);
    if (static_cast<int32_t>(targets.size()) > botSkill.attention)
        targets.resize(botSkill.attention);
}

static bool bestTarget(std::vector<BotTarget>& targets, BotTarget& chosen) {
    keepWhatCatchesTheEye(targets);
    if (targets.empty()) return false;
    chosen =
        *std::max_element(targets.begin(), targets.end(),
                          [](const BotTarget& a, const BotTarget& b) { return a.value < b.value; });
    return true;
}

static bool carelessTarget(const std::vector<BotTarget>& targets, BotTarget& chosen) {
    if (targets.empty()) return false;
    chosen = targets[botRandom() % targets.size()];
    return true;
}

// ---- powerups, one plain rule each, on what the HUD shows ----

static constexpr float fusionAtMeter = 0.8f;     // the meter this full calls for Fusion Pulse
static constexpr float timewarpAtMeter = 0.65f;  // ... and for Timewarp
static constexpr int32_t multiplierGroup = 6;    // a group this large is worth tripling

static bool powerupAvailable(int32_t which) {
    return isClassicMode() && !anyPowerupActive() && powerups.powerCharge >= powerThresholds[which];
}

static void pressPowerupKey(int32_t which) {
    platformHoldKeyForFrame('1' + which);
}

// Fusion Pulse when the meter nears its limit, else Timewarp when it is high.
static void useRescuePowerup() {
    if (powerupAvailable(FusionPulse) && massRatio() >= fusionAtMeter)
        pressPowerupKey(FusionPulse);
    else if (powerupAvailable(Timewarp) && massRatio() >= timewarpAtMeter)
        pressPowerupKey(Timewarp);
}

// Multiplier on a big group, once the charge is full and would go to waste.
static void useMultiplierFor(const BotTarget& shot) {
    bool big = shot.value >= completesBonus + multiplierGroup;
    if (big && powerupAvailable(Multiplier) && powerups.powerCharge >= maxPowerCharge)
        pressPowerupKey(Multiplier);
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
    if (play.currentColour == -1) {
        enterPhase(Thinking, humanDelay(botSkill.reactionMs) / 4);
        return;
    }
    useRescuePowerup();
    BotView view;
    lookAtMass(view);
    std::vector<BotTarget> targets = listTargets(view);
    BotTarget chosen;
    bool found = botChance() < botSkill.errorRate ? carelessTarget(targets, chosen)
                                                  : bestTarget(targets, chosen);
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
    faceScreenPoint(target.slot, target.face, target.x, target.y);
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
    // The aim preview shows which face the shot would take.
    bool onTarget = play.aimBlock == target.slot && play.aimFace == target.face;
    bool ready =
        play.aimAlpha > fireAlpha && play.reloadTimer >= reloadMs && play.currentColour != -1;
    if (onTarget && ready) {
        useMultiplierFor(target);
        recentShots.push_back({cellInFront(target.slot, target.face), 0.0f});
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
    if (play.tutorialShowing) return tutorialCards.clock > cardCloseDelayMs;
    return meter.levelClearTimer > levelClearWaitMs && !serverLink.unlockPopups.empty();
}

// A Practice game from the menus may ask about the tutorials: the bot answers "No".
static bool pointAtResetAnswer() {
    MenuButton no;
    if (!findPauseButton(ResetNo, no)) return false;
    onMouseMove(static_cast<int32_t>(no.centre.x), static_cast<int32_t>(no.centre.y));
    return true;
}

// The connection prompt: "Resume" once connected; after a long wait, as a
// player would, "Continue in offline mode" and then the warning's "Continue".
static int32_t promptAnswer() {
    if (!serverLink.connectionPrompt) return 0;
    if (serverLink.promptConnected) return connectedShownMs >= promptReadMs ? PromptResume : 0;
    if (serverLink.offlineWarning) return PromptContinue;
    return promptWaitMs >= promptPatienceMs ? PromptOffline : 0;
}

static bool pointAtPromptAnswer() {
    MenuButton answer;
    if (!findPauseButton(promptAnswer(), answer)) return false;
    onMouseMove(static_cast<int32_t>(answer.centre.x), static_cast<int32_t>(answer.centre.y));
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
    return !meter.levelOver && !meter.endSequence && meter.levelClearTimer == 0.0f &&
           aliveBlockCount() > 0;
}

void botStep(float dtMs) {
    if (GameState != Game) return;
    phaseClock += dtMs;
    ageShotMemory(dtMs);
    promptWaitMs = serverLink.connectionPrompt ? promptWaitMs + dtMs : 0.0f;
    bool connected = serverLink.connectionPrompt && serverLink.promptConnected;
    connectedShownMs = connected ? connectedShownMs + dtMs : 0.0f;
    bool busy = phase == Firing || phase == Rotating || phase == Clicking;
    if (!busy && (clickWanted() || pointAtResetAnswer() || pointAtPromptAnswer())) {
        onLeftButtonDown();
        enterPhase(Clicking, 0);
        return;
    }
    if (!busy && (play.paused || !levelRunning())) {
        enterPhase(Thinking, humanDelay(botSkill.reactionMs));
        return;
    }
    stepPhase(dtMs);
}
