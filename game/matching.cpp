#include "game/matching.h"

#include <algorithm>
#include <cstdlib>

#include "base/profiler.h"
#include "game/blocks.h"
#include "game/meter.h"
#include "game/modes.h"
#include "game/play.h"
#include "game/play_effects.h"
#include "game/powerups.h"
#include "game/server_link.h"
#include "game/tutorials.h"

bool floodVisited[blockSlots];
bool floodMember[blockSlots];
int32_t floodOrder[blockSlots];
int32_t floodCounter = 0;
int32_t lastGroupSize = 0;
int32_t largestGroup = 0;
int32_t lastPopOrder = 1;
float popPulse = 1.0f;
int32_t kills = 0;
float floatAnchor[2] = {0, 0};
std::vector<FloatingText> floatingTexts;
std::vector<float> rushClearTimes;

static constexpr int32_t pointsPerSquare = 100;
static constexpr int32_t multipliedPointsPerSquare = 300;
static constexpr float meterPerBlockShare = 60.0f;
static constexpr int32_t chainReactionGroup = 13;
static constexpr int32_t zenMasterGroup = 16;
static constexpr size_t killstreakClears = 5;
static constexpr float killstreakSeconds = 10.0f;
static constexpr float popPitchStep = 0.2f;
static constexpr float popGain = 0.25f;
static constexpr float floatRiseDivisor = 16.0f;
static constexpr float popPulseFallDivisor = 100.0f;

// The flood fill walks -x, +x, +z, -z, +y, -y.
static const int32_t floodDirections[6] = {MinusX, PlusX, PlusZ, MinusZ, PlusY, MinusY};

void resetMatching() {
    floatingTexts.clear();
    rushClearTimes.clear();
    kills = largestGroup = lastGroupSize = 0;
    lastPopOrder = 1;
    popPulse = 1.0f;
}

void resetFloodFill() {
    std::fill(std::begin(floodVisited), std::end(floodVisited), false);
    std::fill(std::begin(floodMember), std::end(floodMember), false);
    std::fill(std::begin(floodOrder), std::end(floodOrder), 0);
    floodCounter = 0;
}

// Marks the group of colour around slot; cells hold the standing blocks.
static void recursiveFloodFill(const RestingCells& cells, int32_t slot, int32_t colour) {
    if (floodVisited[slot]) return;
    floodVisited[slot] = true;
    if (blockTable[slot].colour != colour) return;
    floodMember[slot] = true;
    floodOrder[slot] = floodCounter++;
    for (int32_t direction : floodDirections) {
        int32_t next = neighbourIn(cells, slot, direction);
        if (next != -1) recursiveFloodFill(cells, next, colour);
    }
}

int32_t countGroup() {
    int32_t n = 0;
    for (int32_t slot = 0; slot < blockSlots; slot++) {
        if (floodMember[slot] && blockTable[slot].alive) n++;
    }
    return n;
}

void markGroupForPopping() {
    for (int32_t slot = 0; slot < blockSlots; slot++) {
        if (!floodMember[slot]) continue;
        blockTable[slot].dying = true;
        blockTable[slot].popDelay = -floodOrder[slot] * popInterval;
        blockTable[slot].popOrder = floodOrder[slot];
    }
}

void scanForMatches() {
    ProfileScope section("scanForMatches");
    // No block moves during the scan, so the standing blocks are filed once.
    static RestingCells cells;
    bool filed = false;
    for (int32_t slot = 0; slot < blockSlots; slot++) {
        const Block& block = blockTable[slot];
        if (!block.alive || block.settled || !isAtRest(block)) continue;
        if (!filed) cells.fileStanding();
        filed = true;
        // Marks left by a slot that did not qualify are never read, so only qualifying slots reset.
        resetFloodFill();
        recursiveFloodFill(cells, slot, block.colour);
        int32_t n = countGroup();
        if (n >= minimumGroup) {
            clearGroup(n);
            return;
        }
    }
}

static void lowerMeter(int32_t n) {
    float reduction = n * massLimit / meterPerBlockShare * difficultyFactor;
    float floor = massLimit / 10;
    dropsSinceMatch = 0;
    pendingGrowth = 0;
    mass = std::max(mass - reduction, floor);
    mass = std::max(mass - growthSinceMatch, floor);
    growthSinceMatch = 0;
}

static void recordRushClear() {
    rushClearTimes.insert(rushClearTimes.begin(), playSeconds);
    if (rushClearTimes.size() <= killstreakClears) return;
    rushClearTimes.resize(killstreakClears);
    if (rushClearTimes.front() - rushClearTimes.back() <= killstreakSeconds)
        earnAchievement("killstreak");
}

static void groupAchievements(int32_t n) {
    if (n == chainReactionGroup) earnAchievement("chainreaction");
    if (n == zenMasterGroup && gameMode == ModeMeditation) earnAchievement("zenmaster");
    if (gameMode == ModeRush) recordRushClear();
}

void clearGroup(int32_t n) {
    markGroupForPopping();
    lowerMeter(n);
    if (!anyPowerupActive()) pendingCharge += n;
    int32_t points = n * n * (multiplierActive ? multipliedPointsPerSquare : pointsPerSquare);
    if (gameMode != ModeRush) score += points;
    largestGroup = std::max(largestGroup, n);
    lastGroupSize = n;
    kills += n;
    if (gameMode == ModeSurvival) refillCredit += n;
    groupAchievements(n);
    if (gameMode != ModeRush)
        addFloatingText(floatAnchor[0], floatAnchor[1], std::to_string(std::abs(points)),
                        static_cast<float>(points));
}

static void popBlock(Block& block) {
    block.alive = false;
    if (playEffects.blockPopped) playEffects.blockPopped(block);
    playSoundCue("stab6.ogg", popGain, 1.0f + popPitchStep * block.popOrder);
    popPulse = popPulseStart;
    lastPopOrder = block.popOrder + 1;
}

void updatePopping(float dtMs) {
    ProfileScope section("updatePopping");
    popPulse = std::max(1.0f, popPulse - dtMs / popPulseFallDivisor);
    for (Block& block : blockTable) {
        if (block.alive && block.dying) block.popDelay += dtMs;
    }
    for (Block& block : blockTable) {
        if (block.alive && block.dying && block.popDelay >= 0) popBlock(block);
    }
    if (lastPopOrder > 0 && lastPopOrder == lastGroupSize && isClassicMode())
        showTutorialCard(CardCombo);
}

void addFloatingText(float x, float y, const std::string& text, float value,
                     FloatingTextStyle style, int32_t hudLines) {
    bool big = style == FloatingTextStyle::Big, message = style == FloatingTextStyle::Message;
    floatingTexts.push_back({x, y, text, 0.0f, value, 0.0f, big, message, 0, hudLines});
}

void updateFloatingTexts(float dtMs) {
    for (FloatingText& item : floatingTexts) {
        item.age += dtMs;
        item.y -= dtMs / floatRiseDivisor;
    }
    auto expired =
        std::find_if(floatingTexts.begin(), floatingTexts.end(),
                     [](const FloatingText& item) { return item.age > floatingTextLifeMs; });
    if (expired != floatingTexts.end()) floatingTexts.erase(expired);
}
