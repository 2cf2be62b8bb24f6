#include "game/matching.h"

#include <algorithm>
#include <cstdlib>

#include "base/profiler.h"
#include "game/blocks.h"
#include "game/play_effects.h"
#include "game/play_state.h"
#include "game/powerups.h"
#include "game/server_link.h"
#include "game/tutorials.h"

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
    matching = MatchState{};
}

void resetFloodFill() {
    std::fill(std::begin(matching.floodVisited), std::end(matching.floodVisited), false);
    std::fill(std::begin(matching.floodMember), std::end(matching.floodMember), false);
    std::fill(std::begin(matching.floodOrder), std::end(matching.floodOrder), 0);
    matching.floodCounter = 0;
}

// Marks the group of colour around slot; cells hold the standing blocks.
static void recursiveFloodFill(const RestingCells& cells, int32_t slot, int32_t colour) {
    if (matching.floodVisited[slot]) return;
    matching.floodVisited[slot] = true;
    if (blockTable[slot].colour != colour) return;
    matching.floodMember[slot] = true;
    matching.floodOrder[slot] = matching.floodCounter++;
    for (int32_t direction : floodDirections) {
        int32_t next = neighbourIn(cells, slot, direction);
        if (next != -1) recursiveFloodFill(cells, next, colour);
    }
}

int32_t countGroup() {
    int32_t n = 0;
    for (int32_t slot = 0; slot < blockSlots; slot++) {
        if (matching.floodMember[slot] && blockTable[slot].alive) n++;
    }
    return n;
}

void markGroupForPopping() {
    for (int32_t slot = 0; slot < blockSlots; slot++) {
        if (!matching.floodMember[slot]) continue;
        blockTable[slot].dying = true;
        blockTable[slot].popDelay = -matching.floodOrder[slot] * popInterval;
        blockTable[slot].popOrder = matching.floodOrder[slot];
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
    float reduction = n * meter.massLimit / meterPerBlockShare * modeState.difficultyFactor;
    float floor = meter.massLimit / 10;
    play.dropsSinceMatch = 0;
    meter.pendingGrowth = 0;
    meter.mass = std::max(meter.mass - reduction, floor);
    meter.mass = std::max(meter.mass - meter.growthSinceMatch, floor);
    meter.growthSinceMatch = 0;
}

static void recordRushClear() {
    matching.rushClearTimes.insert(matching.rushClearTimes.begin(), modeState.playSeconds);
    if (matching.rushClearTimes.size() <= killstreakClears) return;
    matching.rushClearTimes.resize(killstreakClears);
    if (matching.rushClearTimes.front() - matching.rushClearTimes.back() <= killstreakSeconds)
        earnAchievement("killstreak");
}

static void groupAchievements(int32_t n) {
    if (n == chainReactionGroup) earnAchievement("chainreaction");
    if (n == zenMasterGroup && modeState.gameMode == ModeMeditation) earnAchievement("zenmaster");
    if (modeState.gameMode == ModeRush) recordRushClear();
}

void clearGroup(int32_t n) {
    markGroupForPopping();
    lowerMeter(n);
    if (!anyPowerupActive()) powerups.pendingCharge += n;
    int32_t points =
        n * n * (powerups.multiplierActive ? multipliedPointsPerSquare : pointsPerSquare);
    if (modeState.gameMode != ModeRush) modeState.score += points;
    matching.largestGroup = std::max(matching.largestGroup, n);
    matching.lastGroupSize = n;
    matching.kills += n;
    if (modeState.gameMode == ModeSurvival) modeState.refillCredit += n;
    groupAchievements(n);
    if (modeState.gameMode != ModeRush)
        addFloatingText(matching.floatAnchor[0], matching.floatAnchor[1],
                        std::to_string(std::abs(points)), static_cast<float>(points));
}

static void popBlock(Block& block) {
    block.alive = false;
    if (playEffects.blockPopped) playEffects.blockPopped(block);
    playSoundCue("stab6.ogg", popGain, 1.0f + popPitchStep * block.popOrder);
    matching.popPulse = popPulseStart;
    matching.lastPopOrder = block.popOrder + 1;
}

void updatePopping(float dtMs) {
    ProfileScope section("updatePopping");
    matching.popPulse = std::max(1.0f, matching.popPulse - dtMs / popPulseFallDivisor);
    for (Block& block : blockTable) {
        if (block.alive && block.dying) block.popDelay += dtMs;
    }
    for (Block& block : blockTable) {
        if (block.alive && block.dying && block.popDelay >= 0) popBlock(block);
    }
    if (matching.lastPopOrder > 0 && matching.lastPopOrder == matching.lastGroupSize &&
        isClassicMode())
        showTutorialCard(CardCombo);
}

void addFloatingText(float x, float y, const std::string& text, float value,
                     FloatingTextStyle style, int32_t hudLines) {
    bool big = style == FloatingTextStyle::Big, message = style == FloatingTextStyle::Message;
    matching.floatingTexts.push_back({x, y, text, 0.0f, value, 0.0f, big, message, 0, hudLines});
}

void updateFloatingTexts(float dtMs) {
    for (FloatingText& item : matching.floatingTexts) {
        item.age += dtMs;
        item.y -= dtMs / floatRiseDivisor;
    }
    auto expired =
        std::find_if(matching.floatingTexts.begin(), matching.floatingTexts.end(),
                     [](const FloatingText& item) { return item.age > floatingTextLifeMs; });
    if (expired != matching.floatingTexts.end()) matching.floatingTexts.erase(expired);
}
