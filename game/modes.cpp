#include "game/modes.h"

#include <cmath>
#include <cstdlib>

#include "base/console_log.h"
#include "base/game_state.h"
#include "base/player_settings.h"
#include "base/pointer.h"
#include "game/blocks.h"
#include "game/matching.h"
#include "game/play_effects.h"
#include "game/play_random.h"
#include "game/play_state.h"
#include "game/powerups.h"
#include "game/server_link.h"
#include "protocol/encodings.h"

static constexpr int32_t rushDrainPoints = 250;
static constexpr float rushDrainPeriodMs = 1000.0f;
static constexpr float displayFallPerMs = 10.0f;
static constexpr float displayRisePerMs = 3.0f;
static constexpr float beepWindowMs = 10000.0f;
static constexpr float clockPulseStart = 1.4f;
static constexpr float redShare = 0.8f;
static constexpr float redHoldMs = 10000.0f;
static constexpr float refillRadius = 96.0f;
static constexpr int32_t refillAttempts = 30;
static constexpr float survivalistSeconds = 300.0f;
static constexpr size_t rotationSampleCount = 10;
static constexpr float lightheadedDegrees = 108000.0f;
static constexpr float radiansToDegrees = 57.2957795131f;

const char* modeName(int32_t mode) {
    static const char* const names[] = {"None", "Casual",   "Normal",    "Expert",
                                        "Rush", "Survival", "Meditation"};
    return mode >= ModeCasual && mode <= ModeMeditation ? names[mode] : names[0];
}

// F(k) with F(k) = k for negative k.
static double fibonacci(int32_t k) {
    if (k < 0) return k;
    double a = 0, b = 1;
    for (int32_t i = 0; i < k; i++) {
        double next = a + b;
        a = b;
        b = next;
    }
    return a;
}

float modeDifficultyFactor() {
    switch (modeState.gameMode) {
        case ModeCasual:
            return 2.1275f;
        case ModeNormal:
            return 1.485f;
        case ModeExpert:
            return 0.8925f;
        case ModeRush:
            return 1.5f;
        case ModeSurvival:
            return static_cast<float>(0.25 +
                                      1.25 * fibonacci(26 - modeState.stageNumber) / fibonacci(25));
        default:
            return 1.0f;
    }
}

// ---- startLevel ----

// The modes' own per-level values and the input counters of the statistics.
void resetModeState() {
    ModeState run = modeState;
    modeState = ModeState{};
    // The mode, the level and a replay's seed belong to the run, not the level.
    modeState.gameMode = run.gameMode;
    modeState.practiceMode = run.practiceMode;
    modeState.levelIndex = run.levelIndex;
    modeState.forcedLevelSeed = run.forcedLevelSeed;
    if (modeState.gameMode == ModeRush) {
        modeState.score = modeState.displayScore = rushStartScore;
        modeState.levelIndex = rushLevelIndex;
    } else if (modeState.gameMode == ModeSurvival) {
        modeState.stageTimer = modeState.beepClock = 0;
        modeState.levelIndex = survivalLevelIndex;
        modeState.stageNumber = 1;
    }
    modeState.difficultyFactor = modeDifficultyFactor();
}

// ---- per-frame rules ----

void updateLevelClocks(float dtMs, float realDtMs) {
    modeState.difficultyFactor = modeDifficultyFactor();
    if (meter.levelClearTimer != 0.0f) return;
    if (!meter.levelOver) modeState.levelTimeMs += realDtMs;
    modeState.playSeconds += dtMs / 1000;
}

void updateDisplayScore(float dtMs) {
    if (modeState.displayScore > modeState.score) {
        modeState.displayScore =
            std::max(modeState.score,
                     modeState.displayScore - static_cast<int32_t>(displayFallPerMs * dtMs));
    } else {
        modeState.displayScore =
            std::min(modeState.score,
                     modeState.displayScore + static_cast<int32_t>(displayRisePerMs * dtMs));
    }
}

static bool anyStandingOrFlyingBlock() {
    for (const Block& block : blockTable) {
        if (block.alive && !block.dying) return true;
    }
    return false;
}

// A HUD message at the lower left, `lines` font heights (the view's) above the bottom row.
static void addHudText(const std::string& text, float value, int32_t lines,
                       FloatingTextStyle style = FloatingTextStyle::Score) {
    float w = static_cast<float>(ScreenWidth), h = static_cast<float>(ScreenHeight);
    addFloatingText(0.05f * h, h - 0.025f * w, text, value, style, lines);
}

void updateRushDrain(float dtMs) {
    if (modeState.gameMode != ModeRush || !anyStandingOrFlyingBlock()) return;
    modeState.rushClock += dtMs;
    if (modeState.rushClock < rushDrainPeriodMs) return;
    modeState.rushClock -= rushDrainPeriodMs;
    modeState.score -= rushDrainPoints;
    modeState.displayScore = modeState.score;
    addHudText("-1250", 1250.0f, 1);
}

static void endStage() {
    modeState.stageTimer = modeState.beepClock = 0;
    startStageFusion();
    int32_t bonus = modeState.stageNumber * modeState.stageNumber * modeState.stageNumber * 1000;
    addHudText("+" + std::to_string(bonus), static_cast<float>(bonus), 2,
               FloatingTextStyle::Message);
    if (modeState.redFlag) {
        earnAchievement("youvegotredonyou");
        modeState.redFlag = false;
    }
    addHudText("Stage " + std::to_string(modeState.stageNumber) + " Clear!", 0.0f, 1,
               FloatingTextStyle::Big);
    playSoundCue("powerupready.ogg", 0.2f, 1.0f);
    modeState.stageNumber++;
}

static void advanceStageClock(float realDtMs) {
    modeState.stageTimer += realDtMs;
    modeState.beepClock += realDtMs;
    while (modeState.beepClock >= 1000.0f) {
        modeState.beepClock -= 1000.0f;
        if (stageLength - modeState.stageTimer > beepWindowMs) continue;
        playSoundCue("clockbeep.ogg", 0.45f, 1.0f);
        modeState.clockPulse = clockPulseStart;
    }
    if (modeState.stageTimer >= stageLength) endStage();
}

void updateSurvivalStage(float realDtMs) {
    if (modeState.gameMode != ModeSurvival) return;
    modeState.clockPulse = std::max(1.0f, modeState.clockPulse - realDtMs / 100);
    if (!meter.levelOver) advanceStageClock(realDtMs);
    modeState.redClock =
        meter.mass / meter.massLimit >= redShare ? modeState.redClock + realDtMs : 0.0f;
    if (modeState.redClock >= redHoldMs) modeState.redFlag = true;
}

static bool refillAnchor(const Block& block) {
    return block.alive && !block.dying && block.colour != White && block.settled &&
           magnitude(block.pos) <= refillRadius;
}

// One refill: up to 30 tries at a free cell beside a block near the centre.
static bool tryRefill() {
    for (int32_t attempt = 0; attempt < refillAttempts; attempt++) {
        std::vector<int32_t> anchors;
        for (int32_t slot = 0; slot < blockSlots; slot++)
            if (refillAnchor(blockTable[slot])) anchors.push_back(slot);
        if (anchors.empty()) return false;
        int32_t anchor = anchors[playRandom() % anchors.size()];
        int32_t d = playRandom() % 7;
        if (d < 1 || d > 6) continue;
        Vec3 cell = blockTable[anchor].pos + directionVector(d) * blockUnit;
        if (findRestingBlockAt(cell.x, cell.y, cell.z) != -1) continue;
        int32_t slot = spawnBlock();
        if (slot < 0) return false;
        Block& block = blockTable[slot];
        block.targetPos = cell;
        block.pos = block.prevPos = cell + directionVector(d) * flyInDistance;
        block.alive = true;
        return true;
    }
    return false;
}

void updateSurvivalRefill() {
    if (modeState.gameMode != ModeSurvival) return;
    int32_t t = aliveBlockCount();
    if (modeState.refillCredit + t > survivalBlockCap) modeState.refillCredit = 0;
    bool added = false;
    while (modeState.refillCredit > 0 && modeState.refillCredit + t < survivalBlockCap) {
        added = tryRefill() || added;
        modeState.refillCredit--;
    }
    if (!added) return;
    for (Block& block : blockTable) {
        if (block.alive) block.settled = true;
    }
}

// Puts a sample at the front; true once the list is full and sums to the goal.
static bool sampleRotation(std::vector<float>& samples, float radians) {
    samples.insert(samples.begin(), std::fabs(radians) * radiansToDegrees);
    if (samples.size() <= rotationSampleCount) return false;
    samples.resize(rotationSampleCount);
    float sum = 0;
    for (float degrees : samples) sum += degrees;
    return sum >= lightheadedDegrees;
}

void updatePlayAchievements(float realDtMs) {
    modeState.rotationSampleClock += realDtMs;
    if (modeState.rotationSampleClock >= 1000.0f) {
        modeState.rotationSampleClock -= 1000.0f;
        bool yawGoal = sampleRotation(modeState.yawSamples, play.rotationSums[0]);
        bool pitchGoal = sampleRotation(modeState.pitchSamples, play.rotationSums[1]);
        if (yawGoal || pitchGoal) earnAchievement("lightheaded");
        play.rotationSums[0] = play.rotationSums[1] = 0;
    }
    if (isClassicMode() && serverLink.personalBest > 0 && serverLink.personalBest < modeState.score)
        earnAchievement("personalgrowth");
    if (modeState.gameMode == ModeSurvival && modeState.playSeconds >= survivalistSeconds)
        earnAchievement("survivalist");
}

// ---- statistics, reports and rating ----

int32_t actionsPerMinute() {
    float minutes = modeState.playSeconds / 60;
    // A moment too short to count as time (it rounds to 0 minutes) counts as none.
    if (!(minutes > 0)) return 0;
    float perMinute = modeState.actionCount / minutes;
    return perMinute < 2147483520.0f ? static_cast<int32_t>(perMinute) : INT32_MAX;
}

LevelStatistics currentLevelStatistics() {
    LevelStatistics stats{};
    stats.gameMode = modeState.gameMode;
    stats.level = modeState.levelIndex + 1;
    stats.score = modeState.score;
    stats.timeMs = modeState.levelTimeMs;
    stats.actionsPerMinute = actionsPerMinute();
    stats.controls = controls;
    stats.drops = modeState.drops;
    stats.rotates = modeState.rotateCount;
    for (int32_t i = 0; i < powerupCount; i++) {
        stats.powerupsEarned[i] = powerups.powerupsEarned[i];
        stats.powerupsUsed[i] = powerups.powerupsUsed[i];
    }
    stats.kills = matching.kills;
    stats.performance = meter.performanceRating;
    return stats;
}

int32_t performanceRatingFor(int32_t levelScore, int32_t average, int32_t spread) {
    if (average <= 0 || spread <= 0) return 4;
    int64_t s = levelScore, a = average, d = spread;
    if (s < a - d) return 3;
    if (s < a + d) return 4;
    if (s < a + 2 * d) return 5;
    if (s < a + 3 * d) return 6;
    return 7;
}

void rateFinishedLevel() {
    if (meter.performanceRating == 0)
        meter.performanceRating =
            performanceRatingFor(modeState.score, serverLink.perfReference, serverLink.perfSpread);
}

const char* ratingLabel(int32_t rating) {
    static const char* const labels[] = {"",     "Awful", "Poor",      "Fair",
                                         "Good", "Great", "Excellent", "Epic"};
    return rating >= 1 && rating <= 7 ? labels[rating] : labels[0];
}

std::string formatPlayTime(float ms) {
    int64_t tenths = static_cast<int64_t>(std::max(0.0f, ms) / 100);
    char text[32];
    snprintf(text, sizeof text, "%02lld:%02lld.%lld", static_cast<long long>(tenths / 600),
             static_cast<long long>(tenths / 10 % 60), static_cast<long long>(tenths % 10));
    return text;
}

void logLevelEvent(const std::string& event, bool withResult) {
    std::string line = event + " mode=" + modeName(modeState.gameMode) +
                       " level=" + std::to_string(modeState.levelIndex + 1);
    if (withResult)
        line += " score=" + std::to_string(modeState.score) +
                " time=" + formatPlayTime(modeState.levelTimeMs);
    logConsole(line);
}
