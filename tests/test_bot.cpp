// The autoplay bot plays on what a player sees: faces in sight, the shown
// colour, the aim preview, the meter and the powerup charge; the harness
// counts a clear once the game has left the level.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>

#include "dev/bot.h"
#include "dev/bot_view.h"
#include "engine/fonts.h"
#include "game/server_link.h"
#include "game_test_support.h"
#include "online/account.h"
#include "platform/input_state.h"
#include "screens/pause.h"

namespace {

class Bot : public ::testing::Test {
  protected:
    void SetUp() override {
        gametest::resetWorld();
        savedSkill = botSkill;
        // Every face in view is weighed and no shot goes astray.
        botSkill = {100.0f, 0.0f, 1000};
        resetBot(1);
    }
    void TearDown() override {
        botSkill = savedSkill;
        platformReleaseInjectedKeys();
        gametest::restoreWorld();
    }
    BotSkill savedSkill;
};

// Frames as the harness runs them, without the block pass: nothing flies or
// lands. Stops on the frame the bot presses the fire button.
bool runUntilFire(int frames) {
    for (int i = 0; i < frames; i++) {
        botStep(16.0f);
        if (rightDown) return true;
        updateHoldTimers(16.0f);
        playKeysHeld = heldPlayKeys();
        UpdateGame(16.0f);
        platformReleaseInjectedKeys();
    }
    return false;
}

Vec3 aimedCell() {
    return blockTable[play.aimBlock].pos + directionVector(play.aimFace) * blockUnit;
}

Vec3 cellAt(int x, int y, int z) {
    return {x * blockUnit, y * blockUnit, z * blockUnit};
}

// A 3 x 3 x 3 cube around the origin, seen from above, left and front.
TEST_F(Bot, SeesExactlyTheFacesThePickerFindsAtTheirCentres) {
    for (int x = -1; x <= 1; x++)
        for (int y = -1; y <= 1; y++)
            for (int z = -1; z <= 1; z++) gametest::placeBlock(x, y, z, 1 + (x + y + z + 3) % 5);
    camera.eye = normalise(Vec3{-300, -500, 250}) * cameraDistance;
    applyCamera(0.0f);
    BotView view;
    lookAtMass(view);
    std::set<std::pair<int32_t, int32_t>> seen;
    for (const SeenFace& f : view.faces) {
        seen.insert({f.slot, f.face});
        int32_t slot = -1, face = -1;
        ASSERT_TRUE(pickFaceAt(static_cast<int32_t>(f.x), static_cast<int32_t>(f.y), slot, face));
        EXPECT_EQ(std::make_pair(slot, face), std::make_pair(f.slot, f.face))
            << "the face at a seen face's centre is that face";
    }
    EXPECT_EQ(seen.size(), 27u) << "three sides of nine faces";
    int32_t centre = findRestingBlockAt(0, 0, 0);
    for (int32_t face = MinusX; face <= MinusY; face++) EXPECT_FALSE(faceInSight(centre, face));
    int32_t farCorner = findRestingBlockAt(blockUnit, blockUnit, -blockUnit);
    for (int32_t face = MinusX; face <= MinusY; face++)
        EXPECT_EQ(seen.count({farCorner, face}), 0u) << "the corner turned away shows nothing";
}

// Red at the front (x 0) leads back into two hidden reds: a shot there would
// really complete a group of four, but only one red shows. The gap at x 4
// between two reds in view makes a group of three anyone can see.
void buildHiddenGroupMass() {
    gametest::placeBlock(0, 0, 0, Red);
    gametest::placeBlock(0, 1, 0, Red);
    gametest::placeBlock(0, 2, 0, Red);
    gametest::placeBlock(3, 0, 0, Red);
    gametest::placeBlock(4, 1, 0, Blue);
    gametest::placeBlock(5, 0, 0, Red);
    play.currentColour = Red;
}

TEST_F(Bot, ValuesAShotOnlyByTheBlocksItCanSee) {
    buildHiddenGroupMass();
    ASSERT_TRUE(runUntilFire(600));
    EXPECT_EQ(aimedCell(), cellAt(4, 0, 0)) << "two reds in view beat one red in view";
}

TEST_F(Bot, DoesNotKnowWhereAnotherFlyingBlockWillLand) {
    buildHiddenGroupMass();
    int32_t flying = spawnBlock();
    blockTable[flying].alive = true;
    blockTable[flying].colour = Blue;
    blockTable[flying].pos = blockTable[flying].prevPos =
        cellAt(4, -150, 0);  // still flying when the bot fires
    blockTable[flying].targetPos = cellAt(4, 0, 0);
    ASSERT_TRUE(runUntilFire(600));
    EXPECT_EQ(aimedCell(), cellAt(4, 0, 0));
}

TEST_F(Bot, RemembersItsOwnShotAndAimsElsewhereNext) {
    buildHiddenGroupMass();
    ASSERT_TRUE(runUntilFire(600));
    ASSERT_EQ(aimedCell(), cellAt(4, 0, 0));
    // Nothing lands here, so only the bot's memory keeps the cell apart.
    ASSERT_TRUE(runUntilFire(600));
    EXPECT_FALSE(aimedCell() == cellAt(4, 0, 0));
}

struct RescueCase {
    float meter, charge;
    bool timewarp, fusion;
};

TEST_F(Bot, CallsFusionPulseOrTimewarpOnlyWhenTheMeterRunsHigh) {
    const RescueCase cases[] = {{0.5f, 300, false, false},
                                {0.7f, 200, true, false},
                                {0.7f, 100, false, false},
                                {0.85f, 300, false, true},
                                {0.85f, 200, true, false}};
    for (const RescueCase& c : cases) {
        gametest::resetWorld();
        resetBot(1);
        buildHiddenGroupMass();
        powerups.powerCharge = c.charge;
        meter.mass = c.meter * meter.massLimit;
        runUntilFire(600);
        EXPECT_EQ(powerups.timewarpActive, c.timewarp)
            << "meter " << c.meter << " charge " << c.charge;
        EXPECT_EQ(powerups.fusionActive, c.fusion) << "meter " << c.meter << " charge " << c.charge;
    }
}

// Red groups of five in view on both sides of the gap: a shot there joins eleven.
TEST_F(Bot, SpendsAFullChargeOnMultiplierForABigGroupOnly) {
    for (int x : {0, 1, 2, 3, 4, 6, 7, 8, 9, 10}) gametest::placeBlock(x - 5, 0, 0, Red);
    gametest::placeBlock(0, 1, 0, Blue);
    play.currentColour = Red;
    powerups.powerCharge = maxPowerCharge;
    ASSERT_TRUE(runUntilFire(600));
    ASSERT_EQ(aimedCell(), cellAt(0, 0, 0));
    updateHoldTimers(16.0f);
    playKeysHeld = heldPlayKeys();
    UpdateGame(16.0f);
    EXPECT_TRUE(powerups.multiplierActive);

    gametest::resetWorld();
    resetBot(1);
    buildHiddenGroupMass();
    powerups.powerCharge = maxPowerCharge;
    ASSERT_TRUE(runUntilFire(600));
    playKeysHeld = heldPlayKeys();
    UpdateGame(16.0f);
    EXPECT_FALSE(powerups.multiplierActive) << "a group of three is not worth it";
}

// A level the bot empties: the harness ends when the game moves to the score
// screen, after the result's wait, not on the first frame the mass is empty;
// the same seed and step play the same game again.
TEST_F(Bot, TheHarnessCountsAClearOnlyWhenTheGameLeavesTheLevel) {
    SimulationSetup setup;
    setup.mode = ModeCasual;
    setup.seed = 3;
    setup.skill = skilledBot;
    for (int x = -2; x < 2; x++)
        for (int y = -1; y < 2; y++)
            for (int z = -2; z < 2; z++) setup.blocks.push_back(cellAt(x, y, z));
    SimulationResult result = runSimulation(setup);
    ASSERT_TRUE(result.cleared);
    EXPECT_EQ(GameState, GameToScoreScreen);
    EXPECT_GT(meter.levelClearTimer, levelClearWaitMs);
    EXPECT_FALSE(meter.endSequence);
    SimulationResult again = runSimulation(setup);
    EXPECT_GT(result.shots, 0);
    EXPECT_EQ(again.score, result.score);
    EXPECT_EQ(again.frames, result.frames);
    EXPECT_EQ(again.shots, result.shots);
}

// The bot on the connection prompt, through the overlay's own click handling:
// it resumes as soon as a reply has come, and goes offline only after a long wait.
TEST_F(Bot, AnswersTheConnectionPromptAsAPatientPlayerWould) {
    auto promptFrames = [](int frames) {
        for (int i = 0; i < frames && serverLink.connectionPrompt; i++) {
            botStep(100.0f);
            updatePause(100.0f);
        }
    };
    float savedFontHeight = mediumFont.h;
    mediumFont.h = 20;  // the prompt's buttons are as tall as the menu font
    GameState = Game;
    serverLink.connectionMode = ConnectionOnline;
    serverLink.connectionPrompt = true;
    promptFrames(280);
    EXPECT_TRUE(serverLink.connectionPrompt && play.paused) << "28 s is not yet too long to wait";
    EXPECT_FALSE(serverLink.offlineWarning);
    serverLink.promptConnected = true;
    promptFrames(30);
    EXPECT_FALSE(serverLink.connectionPrompt || play.paused);
    EXPECT_EQ(serverLink.connectionMode, ConnectionOnline);

    serverLink.connectionPrompt = true;
    promptFrames(330);
    EXPECT_FALSE(serverLink.connectionPrompt || play.paused);
    EXPECT_EQ(serverLink.connectionMode, ConnectionOffline);
    mediumFont.h = savedFontHeight;
}

}  // namespace
