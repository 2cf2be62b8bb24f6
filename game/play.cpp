#include "game/play.h"

#include <cmath>
#include <cstdlib>

#include "base/console_log.h"
#include "base/game_state.h"
#include "base/player_settings.h"
#include "base/pointer.h"
#include "base/profiler.h"
#include "game/blocks.h"
#include "game/camera.h"
#include "game/level_file.h"
#include "game/matching.h"
#include "game/meter.h"
#include "game/modes.h"
#include "game/play_effects.h"
#include "game/play_random.h"
#include "game/play_state.h"
#include "game/powerups.h"
#include "game/replay_recorder.h"
#include "game/server_link.h"
#include "game/tutorials.h"
#include "protocol/encodings.h"

static constexpr int32_t framesPerCycle = 60;
static constexpr float halfBlock = blockUnit / 2;
static constexpr float aimFadeRate = 1.5f * 1.5f / 2;
static constexpr float flightSpeedPerMs = 1.5f * 15 / 10;
static constexpr float dragVelocityScale = 1920.0f / 5;
static constexpr float velocityToAngle = 10.0f;
static constexpr float pixelsPerRadian = 200.0f;
static constexpr float velocityDecayDivisor = 16.0f;
static constexpr float residualDrift = 0.5f;
static constexpr float stalledVelocity = -0.05f;
static constexpr float growthPerMissShare = 0.005f;
static constexpr int32_t comboNowDrops = 4;
static constexpr int32_t freeColourDrops = 5;
static constexpr float colourCardSeconds = 1.0f;
static constexpr float previewSpinGrowthDivisor = 16.0f;
// Aiming tests faces in the order +y, -y, +z, -z, -x, +x.
static const int32_t aimFaceOrder[6] = {PlusY, MinusY, PlusZ, MinusZ, MinusX, PlusX};
static const int32_t meditationColours[6] = {Yellow, Blue, Red, Orange, Pink, Green};

void resetPlayState() {
    PlayState before = play;
    play = PlayState{};
    // The pause, the tutorial card, the Esc edge and the preview's turn carry over.
    play.paused = before.paused;
    play.tutorialShowing = before.tutorialShowing;
    play.escapeWasDown = before.escapeWasDown;
    play.previewSpin = before.previewSpin;
    play.startDelay = startDelayMs;
}

// ---- starting a level ----

// A level block flies in from 640 units out along a random horizontal direction.
static Vec3 flyInStart(Vec3 cell) {
    int32_t d = 0;
    while (d < 1 || d > 4) d = playRandom() % 7;
    return cell + directionVector(d) * flyInDistance;
}

static void placeLevelBlock(Vec3 cell) {
    int32_t slot = spawnBlock();
    if (slot < 0) return;
    Block& block = blockTable[slot];
    block.pos = block.targetPos = cell;
    block.pos = flyInStart(cell);
    block.alive = block.settled = block.landed = true;
}

static void buildMass() {
    if (modeState.gameMode == ModeMeditation) {
        int32_t slot = spawnBlock();
        Block& block = blockTable[slot];
        block.pos = block.targetPos = {0, 0, 0};
        block.colour = White;
        block.alive = block.settled = block.landed = true;
        return;
    }
    for (Vec3 cell : levelSource(std::abs(modeState.levelIndex + 1))) placeLevelBlock(cell);
}

// A ranked level online plays a seed the server issued to the account, so
// that its replay proves the run was this player's; any other level, or one
// started with no issued seed at hand, draws its own.
static uint32_t freshLevelSeed() {
    uint32_t issued = 0;
    bool ranked = !modeState.practiceMode && serverLink.connectionMode == ConnectionOnline;
    if (ranked && takeIssuedSeed(issued)) return issued;
    return static_cast<uint32_t>(rand());
}

// Each level's rules draw from a stream of their own, seeded afresh unless a
// replay names the seed.
static void seedLevel() {
    uint32_t seed = modeState.forcedLevelSeed >= 0
                        ? static_cast<uint32_t>(modeState.forcedLevelSeed)
                        : freshLevelSeed();
    modeState.forcedLevelSeed = -1;
    seedPlayRandom(seed);
}

void startLevel(int32_t newGame) {
    // The attempt before is closed with its own result, not the new level's.
    finishReplayRecording();
    seedLevel();
    for (int32_t slot = 0; slot < blockSlots; slot++) clearBlock(slot);
    if (newGame) modeState.levelIndex = 0;
    resetModeState();
    resetPlayState();
    resetMatching();
    resetPowerups();
    buildMass();
    resetMeter();
    resetCamera();
    if (modeState.gameMode == ModeMeditation) {
        if (playEffects.silenceMusic) playEffects.silenceMusic();
    }
    if (GameState == Game) logLevelEvent("Level start", false);
    beginReplayRecording();
}

void beginGame(int32_t mode, int32_t level, bool ranked) {
    serverLink.sessionhash = makeSessionHash();
    powerups.powerCharge = 0;
    modeState.gameMode = mode;
    bool chosenLevel = level > 0 && mode <= ModeExpert;
    modeState.practiceMode = chosenLevel && !ranked;
    if (chosenLevel) modeState.levelIndex = level - 1;
    startLevel(chosenLevel ? 0 : 1);
}

// ---- aiming ----

void faceCorners(int32_t slot, int32_t face, Vec3 corners[4]) {
    Vec3 normal = directionVector(face);
    Vec3 u = normal.x != 0 ? Vec3{0, 1, 0} : Vec3{1, 0, 0};
    Vec3 v = normal.z != 0 ? Vec3{0, 1, 0} : Vec3{0, 0, 1};
    Vec3 centre = blockTable[slot].pos + normal * halfBlock;
    corners[0] = centre - u * halfBlock - v * halfBlock;
    corners[1] = centre + u * halfBlock - v * halfBlock;
    corners[2] = centre + u * halfBlock + v * halfBlock;
    corners[3] = centre - u * halfBlock + v * halfBlock;
}

// An angle of at most 90 degrees is a dot product of at least 0; a zero
// vector (angle 0) passes too.
static bool facesEye(int32_t slot, int32_t face) {
    Vec3 toEye = camera.eye - blockTable[slot].pos;
    return dotProduct(directionVector(face), toEye) >= 0.0f;
}

// A point of a face's plane farther than 1.5 corner radii from its centre
// sees the four corners within 84 degrees of each other, so their angles sum
// to under 340 degrees and the pick (356) fails. A ray that passes farther
// than that plus half a block from a block's centre can hit none of its faces.
static constexpr double rayMissDistance = halfBlock + 1.5 * halfBlock * 1.41421356;

static bool rayMissesBlock(Vec3 rayStart, Vec3 rayDirection, Vec3 centre) {
    Vec3 offset = centre - rayStart;
    double across = magnitude(crossProduct(offset, rayDirection));
    return across > rayMissDistance;
}

// The front face under the mouse ray whose block is nearest the eye.
static void findAimedFace(int32_t& bestSlot, int32_t& bestFace) {
    getMouseVectors();
    bestSlot = bestFace = -1;
    float nearest = 0.0f;
    Vec3 rayDirection = normalise(camera.rayFar - camera.rayNear);
    for (int32_t slot = 0; slot < blockSlots; slot++) {
        if (!isStanding(blockTable[slot])) continue;
        if (rayMissesBlock(camera.rayNear, rayDirection, blockTable[slot].pos)) continue;
        for (int32_t face : aimFaceOrder) {
            if (!facesEye(slot, face)) continue;
            Vec3 corners[4], hit;
            faceCorners(slot, face, corners);
            if (!RayPick(corners, hit)) continue;
            float distance = magnitude(blockTable[slot].pos - camera.eye);
            if (bestSlot != -1 && distance >= nearest) continue;
            bestSlot = slot;
            bestFace = face;
            nearest = distance;
        }
    }
}

void updateAiming() {
    ProfileScope section("updateAiming");
    findAimedFace(play.aimBlock, play.aimFace);
}

bool pickFaceAt(int32_t x, int32_t y, int32_t& slot, int32_t& face) {
    int32_t savedX = mouseX, savedY = mouseY;
    mouseX = x;
    mouseY = y;
    findAimedFace(slot, face);
    mouseX = savedX;
    mouseY = savedY;
    getMouseVectors();
    return slot != -1;
}

// ---- the next colour ----

static void tallyColours(int32_t counts[colourCount]) {
    for (int32_t c = 0; c < colourCount; c++) counts[c] = 0;
    for (const Block& block : blockTable) {
        if (block.alive && !block.dying && block.colour > 0 && block.colour < colourCount)
            counts[block.colour]++;
    }
}

// Highest count among colours present, skipping `skipA` and `skipB`; -1 for none.
static int32_t commonestColour(const int32_t counts[colourCount], int32_t skipA, int32_t skipB) {
    int32_t best = -1;
    for (int32_t c = 1; c < colourCount; c++) {
        if (c == skipA || c == skipB || counts[c] == 0) continue;
        if (best == -1 || counts[c] > counts[best]) best = c;
    }
    return best;
}

static void chooseFromCommonest() {
    int32_t counts[colourCount];
    tallyColours(counts);
    if (play.currentColour != -1 && counts[play.currentColour] == 0) play.currentColour = -1;
    if (play.currentColour != -1) return;
    int32_t present = 0;
    for (int32_t c = 1; c < colourCount; c++) present += counts[c] > 0 ? 1 : 0;
    if (present == 0) return;
    int32_t skip = present == 1 ? -1 : play.previousColour;
    int32_t best = commonestColour(counts, skip, -1);
    int32_t second = commonestColour(counts, best, skip);
    if (playRandom() % 100 < 50) {
        play.currentColour = best;
    } else if (second != -1) {
        play.currentColour = second;
    }
}

static void chooseFromAnyPresent() {
    int32_t counts[colourCount];
    tallyColours(counts);
    int32_t choices[colourCount], n = 0;
    for (int32_t c = 1; c < colourCount; c++) {
        if (counts[c] > 0 && c != play.previousColour) choices[n++] = c;
    }
    play.currentColour = n > 0 ? choices[playRandom() % n] : play.previousColour;
}

void chooseCurrentColour() {
    if (modeState.gameMode == ModeMeditation) {
        if (play.currentColour == -1) play.currentColour = meditationColours[playRandom() % 6];
    } else if (play.dropsSinceMatch < freeColourDrops) {
        chooseFromCommonest();
    } else if (play.currentColour == -1) {
        chooseFromAnyPresent();
    }
}

// ---- firing ----

static bool fireButtonDown() {
    return controls == 1 ? leftDown : rightDown;
}

static bool aimBlockStanding() {
    return play.aimBlock >= 0 && play.aimBlock < blockSlots &&
           isStanding(blockTable[play.aimBlock]);
}

static bool shotAllowed() {
    if (!fireButtonDown() || play.currentColour == -1 || !aimBlockStanding()) return false;
    if (play.aimAlpha <= fireAlpha || play.reloadTimer < reloadMs) return false;
    if (play.paused || meter.levelOver) return false;
    return !(modeState.gameMode == ModeMeditation && modeState.arrivals >= meditationShots);
}

static void launchBlock(int32_t colour) {
    int32_t slot = spawnBlock();
    if (slot < 0) return;
    Block& shot = blockTable[slot];
    Vec3 d = directionVector(play.aimFace);
    shot.alive = true;
    shot.pos = shot.prevPos = blockTable[play.aimBlock].pos + d * shotDistance;
    shot.targetPos = blockTable[play.aimBlock].pos + d * blockUnit;
    shot.colour = colour;
    shot.landed = false;
}

void fireShot() {
    if (!shotAllowed()) return;
    for (Block& block : blockTable) {
        if (block.alive) block.settled = true;
    }
    play.reloadTimer = 0;
    play.previousColour = play.currentColour;
    play.currentColour = -1;
    launchBlock(play.previousColour);
    matching.floatAnchor[0] = static_cast<float>(mouseX);
    matching.floatAnchor[1] = static_cast<float>(mouseY);
    if (controls != 1) rightDown = false;
    play.aimAlpha = 0;
    modeState.drops++;
    if (isClassicMode() && play.dropsSinceMatch != 0)
        meter.pendingGrowth += play.dropsSinceMatch * meter.massLimit * growthPerMissShare;
    play.dropsSinceMatch++;
    playSoundCue("swish.ogg", 0.5f, 1.0f);
}

void beginBlockPass() {
    noteReplayBlockPass();
    if (aimBlockStanding() || play.currentColour == -1) chooseCurrentColour();
}

void runBlockPass() {
    beginBlockPass();
    fireShot();
}

// ---- rotation ----

static void setRatios() {
    float yaw = std::fabs(play.yawVelocity), pitch = std::fabs(play.pitchVelocity);
    play.yawRatio = play.pitchRatio = 1.0f;
    if (yaw > pitch) play.pitchRatio = pitch / yaw;
    if (pitch > yaw) play.yawRatio = yaw / pitch;
}

static void orbitCamera(float yawAngle, float pitchAngle) {
    Vec3 side = normalise(crossProduct(camera.centre - camera.eye, camera.up));
    Vec3 offset = rotateAboutAxis(camera.eye - camera.centre, side, pitchAngle);
    camera.up = normalise(rotateAboutAxis(camera.up, side, pitchAngle));
    offset = rotateAboutAxis(offset, camera.up, yawAngle);
    camera.eye = camera.centre + offset;
}

static void decayVelocity(float& velocity, float& ratio, float realDtMs) {
    if (ratio == 0.0f) ratio = 1.0f;
    if (velocity == 0.0f) {
        velocity = stalledVelocity;
        return;
    }
    float step = realDtMs / velocityDecayDivisor;
    float sign = velocity > 0 ? 1.0f : -1.0f;
    velocity = std::fabs(velocity) <= step ? sign * residualDrift * ratio : velocity - sign * step;
}

static void updateRotation(float realDtMs) {
    bool dragging = controls == 1 ? rightDown : leftDown;
    float yawAngle = play.yawVelocity / velocityToAngle / pixelsPerRadian;
    float pitchAngle = play.pitchVelocity / velocityToAngle / pixelsPerRadian;
    if (dragging) {
        float dx = dragOrigin[0] - mouseX, dy = dragOrigin[1] - mouseY;
        float height = static_cast<float>(ScreenHeight > 0 ? ScreenHeight : 1);
        play.yawVelocity += dx / height * dragVelocityScale;
        play.pitchVelocity += dy / height * dragVelocityScale;
        yawAngle = (dx + play.yawVelocity / velocityToAngle) / pixelsPerRadian;
        pitchAngle = (dy + play.pitchVelocity / velocityToAngle) / pixelsPerRadian;
        setRatios();
        dragOrigin[0] = static_cast<float>(mouseX);
        dragOrigin[1] = static_cast<float>(mouseY);
    }
    orbitCamera(yawAngle, pitchAngle);
    play.rotationSums[0] += yawAngle;
    play.rotationSums[1] += pitchAngle;
    decayVelocity(play.yawVelocity, play.yawRatio, realDtMs);
    decayVelocity(play.pitchVelocity, play.pitchRatio, realDtMs);
}

// ---- reload, flight, overlaps and arrivals ----

static void updateReload(float realDtMs) {
    play.reloadTimer = std::fmin(play.reloadTimer + realDtMs, reloadMs);
    if (play.reloadTimer >= reloadMs)
        play.aimAlpha = std::fmin(fullAlpha, play.aimAlpha + aimFadeRate * realDtMs);
}

static float stepTowards(float from, float to, float step) {
    float remaining = to - from;
    if (std::fabs(remaining) <= step) return to;
    return from + (remaining > 0 ? step : -step);
}

static void moveBlocks(float realDtMs) {
    float step = flightSpeedPerMs * realDtMs;
    for (Block& block : blockTable) {
        block.prevPos = block.pos;
        block.pos.x = stepTowards(block.pos.x, block.targetPos.x, step);
        block.pos.y = stepTowards(block.pos.y, block.targetPos.y, step);
        block.pos.z = stepTowards(block.pos.z, block.targetPos.z, step);
    }
}

// A resting block in the same cell as an earlier one goes; only the earlier
// slots that stay need looking at, and they are filed as the pass goes.
static void removeOverlaps() {
    static RestingCells earlier;
    earlier.clear();
    for (int32_t slot = 0; slot < blockSlots; slot++) {
        Block& block = blockTable[slot];
        if (!block.alive || !isAtRest(block)) continue;
        if (earlier.find(block.pos) != -1)
            block.alive = false;
        else
            earlier.file(slot);
    }
}

static void playArrivals() {
    for (Block& block : blockTable) {
        if (!block.alive || !isAtRest(block) || block.landed || block.settled) continue;
        block.landed = true;
        playSoundCue("clunk-hardcore.ogg", 0.5f, 1.0f);
        modeState.arrivals++;
    }
}

static void clearStrayBlocks() {
    for (int32_t slot = 0; slot < blockSlots; slot++) {
        const Vec3& p = blockTable[slot].pos;
        bool outside = std::fabs(p.x) > worldBound || std::fabs(p.y) > worldBound ||
                       std::fabs(p.z) > worldBound;
        if (blockTable[slot].alive && outside) clearBlock(slot);
    }
}

// ---- the frame ----

static void triggerTutorials() {
    if (play.dropsSinceMatch > comboNowDrops) showTutorialCard(CardComboNow);
    if (play.currentColour > 0 && play.aimAlpha == fullAlpha &&
        modeState.playSeconds > colourCardSeconds)
        showTutorialCard(CardColour);
}

static void handleEscape() {
    bool down = (playKeysHeld & PlayKeyEscape) != 0;
    if (down && !play.escapeWasDown && !play.tutorialShowing) play.paused = !play.paused;
    play.escapeWasDown = down;
}

// Step 9: everything that stops while paused, in its order.
static void runPlayStep(float dtMs, float realDtMs) {
    handlePowerupKeys();
    updateLevelClocks(dtMs, realDtMs);
    updateSurvivalStage(realDtMs);
    updateDisplayScore(dtMs);
    clearStrayBlocks();
    countColours();
    scanForMatches();
    updatePowerCharge(dtMs, realDtMs);
    updateFloatingTexts(dtMs);
    handlePowerupButtons();
    updateAiming();
    updateRotation(realDtMs);
    updateReload(realDtMs);
    moveBlocks(realDtMs);
    removeOverlaps();
    playArrivals();
    updateSurvivalRefill();
    updatePopping(dtMs);
    updateRushDrain(dtMs);
    updateMeter(dtMs);
    updateEndSequence(dtMs);
    play.previewSpin += dtMs / previewSpinGrowthDivisor;
}

// Step 4: the server-wait clocks; one past its limit raises the connection prompt.
static void updateServerWaits(float dtMs) {
    advanceServerClocks(dtMs);
    if (serverLink.connectionMode == ConnectionOffline) return;
    bool scoreStalled = !serverLink.scoreAnswered && meter.scoreWaitClock > serverWaitLimitMs;
    if (serverLink.highscoreWaitMs > serverWaitLimitMs ||
        serverLink.cheeveWaitMs > serverWaitLimitMs || scoreStalled) {
        // A replay plays offline: it is told when the prompt came up.
        if (!play.paused || !serverLink.connectionPrompt) recordReplayEvent(ReplayServerPrompt);
        if (!serverLink.connectionPrompt)
            logConsole("No answer from the server: the connection prompt is up");
        play.paused = serverLink.connectionPrompt = true;
    }
}

void UpdateGame(float dtMs) {
    ProfileScope section("UpdateGame");
    noteReplayGameStep(dtMs);
    applyCamera(massRatio(), playRandom);
    play.frameCounter = (play.frameCounter + 1) % framesPerCycle;
    updatePowerupOverlays(dtMs);
    if (!play.highscoreRequested && serverLink.connectionMode != ConnectionOffline) {
        requestHighscore(modeState.gameMode, modeState.levelIndex + 1);
        play.highscoreRequested = true;
    }
    updateServerWaits(dtMs);
    updatePlayAchievements(dtMs);
    triggerTutorials();
    if (leftDown) dragTime += dtMs;
    handleEscape();
    updateTutorialCard(dtMs);
    play.startDelay = std::fmax(0.0f, play.startDelay - dtMs);
    float gameDt = powerups.timewarpActive ? dtMs / timewarpSlowdown : dtMs;
    if (!play.paused) runPlayStep(gameDt, dtMs);
    if (aliveBlockCount() == 0 && handleEmptyMass(gameDt)) startLevel(0);
    play.playStarted = play.startDelay <= 0 && meter.levelClearTimer == 0;
}
