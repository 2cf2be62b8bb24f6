// Matching: which groups clear, in what order their blocks pop, and what a
// cleared group scores and unlocks.
#include <gtest/gtest.h>

#include "game_test_support.h"

namespace {

using gametest::buildMass;
using gametest::placeBlock;

int dyingCount() {
    int n = 0;
    for (const Block& block : blockTable) n += block.alive && block.dying ? 1 : 0;
    return n;
}

class MatchingTest : public ::testing::Test {
  protected:
    void SetUp() override { gametest::resetWorld(); }
};

TEST_F(MatchingTest, ThreeNeverClearButFourDo) {
    buildMass({{"rr.b"}});
    placeBlock(2, 0, 0, Red, false);
    scanForMatches();
    EXPECT_EQ(dyingCount(), 0);

    gametest::resetWorld();
    buildMass({{"rrr"}});
    int32_t shot = placeBlock(3, 0, 0, Red, false);
    scanForMatches();
    EXPECT_EQ(dyingCount(), 4);
    EXPECT_EQ(blockTable[shot].popOrder, 0) << "the fill starts at the shot";
    EXPECT_EQ(matching.lastGroupSize, 4);
    EXPECT_EQ(modeState.score, 1600);
}

TEST_F(MatchingTest, DiagonalContactDoesNotJoinAGroup) {
    buildMass({{"r...", ".rr."}});
    placeBlock(3, 0, 1, Red, false);
    scanForMatches();
    EXPECT_EQ(dyingCount(), 0);
}

TEST_F(MatchingTest, LevelBlocksJoinAShotsGroupButNeverStartOne) {
    buildMass({{"yyyy"}, {"y..."}});
    scanForMatches();
    EXPECT_EQ(dyingCount(), 0) << "five settled blocks alone clear nothing";
    placeBlock(4, 0, 0, Yellow, false);
    scanForMatches();
    EXPECT_EQ(dyingCount(), 6) << "the layer behind joins through the face contact";
}

TEST_F(MatchingTest, TwoCompletedGroupsClearOnConsecutiveFramesLowerSlotFirst) {
    buildMass({{"bbb.ggg"}});
    int32_t blueShot = placeBlock(2, 0, 1, Blue, false);
    int32_t greenShot = placeBlock(4, 0, 1, Green, false);
    scanForMatches();
    EXPECT_TRUE(blockTable[blueShot].dying);
    EXPECT_FALSE(blockTable[greenShot].dying);
    scanForMatches();
    EXPECT_TRUE(blockTable[greenShot].dying);
    EXPECT_EQ(dyingCount(), 8);
}

TEST_F(MatchingTest, GroupPopsOneBlockEvery130msWithRisingPitch) {
    buildMass({{"ooo"}});
    placeBlock(3, 0, 0, Orange, false);
    scanForMatches();
    std::vector<float> popTimes;
    for (int ms = 0; ms <= 500; ms += 10) {
        int before = aliveBlockCount();
        updatePopping(ms == 0 ? 0.0f : 10.0f);
        if (aliveBlockCount() == before) continue;
        popTimes.push_back(static_cast<float>(ms));
        EXPECT_FLOAT_EQ(matching.popPulse, 1.4f);
        EXPECT_EQ(matching.lastPopOrder, static_cast<int32_t>(popTimes.size()));
    }
    ASSERT_EQ(popTimes.size(), 4u);
    EXPECT_EQ(popTimes, (std::vector<float>{0, 130, 260, 390}));
    ASSERT_EQ(gametest::countSounds("stab6.ogg"), 4);
    EXPECT_FLOAT_EQ(gametest::recordedSounds.back().pitch, 1.6f);
    EXPECT_EQ(matching.lastPopOrder, 4) << "the combo counter reaches the group size";
}

TEST_F(MatchingTest, MultiplierTriplesPointsAndRushScoresNothing) {
    powerups.multiplierActive = true;
    buildMass({{"ppp"}});
    placeBlock(3, 0, 0, Pink, false);
    scanForMatches();
    EXPECT_EQ(modeState.score, 4800);
    ASSERT_EQ(matching.floatingTexts.size(), 1u);
    EXPECT_EQ(matching.floatingTexts[0].text, "4800");

    gametest::resetWorld(ModeRush);
    buildMass({{"ppp"}});
    placeBlock(3, 0, 0, Pink, false);
    scanForMatches();
    EXPECT_EQ(dyingCount(), 4);
    EXPECT_EQ(modeState.score, rushStartScore);
    EXPECT_TRUE(matching.floatingTexts.empty());
}

TEST_F(MatchingTest, ThirteenUnlocksChainReactionAndSixteenZenMasterInMeditation) {
    gametest::goOnline();
    buildMass({{"rrrrrrrrrrrr"}});
    placeBlock(12, 0, 0, Red, false);
    scanForMatches();
    EXPECT_EQ(gametest::unlockedKeys(), (std::vector<std::string>{"chainreaction"}));

    gametest::resetWorld(ModeMeditation);
    gametest::goOnline();
    buildMass({{".rrrrrrrrrrrrrrr"}});
    placeBlock(0, 0, 0, Red, false);
    scanForMatches();
    EXPECT_EQ(gametest::unlockedKeys(), (std::vector<std::string>{"zenmaster"}));
}

TEST_F(MatchingTest, KillstreakNeedsSixRushClearsWithinTenSeconds) {
    gametest::resetWorld(ModeRush);
    gametest::goOnline();
    for (int i = 0; i < 6; i++) {
        modeState.playSeconds = i * 3.0f;
        clearGroup(4);
    }
    EXPECT_TRUE(gametest::unlockedKeys().empty()) << "newest 15 s minus fifth newest 3 s is 12 s";
    gametest::resetWorld(ModeRush);
    gametest::goOnline();
    for (int i = 0; i < 6; i++) {
        modeState.playSeconds = i * 2.5f;
        clearGroup(4);
        if (i < 5) {
            EXPECT_TRUE(gametest::unlockedKeys().empty()) << "needs more than five clears";
        }
    }
    EXPECT_EQ(gametest::unlockedKeys(), (std::vector<std::string>{"killstreak"}));
}

TEST_F(MatchingTest, FloatingTextsRiseAndExpireOneAFrame) {
    addFloatingText(100, 500, "a", 1);
    addFloatingText(100, 500, "b", 1);
    updateFloatingTexts(1600);
    EXPECT_FLOAT_EQ(matching.floatingTexts[0].y, 400.0f);
    updateFloatingTexts(3401);
    EXPECT_EQ(matching.floatingTexts.size(), 1u);
    updateFloatingTexts(0);
    EXPECT_TRUE(matching.floatingTexts.empty());
}

}  // namespace
