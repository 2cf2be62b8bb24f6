// Headless runs of the bot: the same seed and step give the same game.
#include <gtest/gtest.h>

#include "dev/simulation.h"
#include "game_test_support.h"

namespace {

// Every test ends with the globals the gameplay tests change put back.
class RestoreGameplayGlobals : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override { gametest::restoreWorld(); }
};

const bool restoreRegistered = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new RestoreGameplayGlobals);
    return true;
}();

// A 4 x 4 x 3 block of level blocks around the origin.
std::vector<Vec3> smallLevel() {
    std::vector<Vec3> blocks;
    for (int x = -2; x < 2; x++)
        for (int y = -1; y < 2; y++)
            for (int z = -2; z < 2; z++)
                blocks.push_back({x * blockUnit, y * blockUnit, z * blockUnit});
    return blocks;
}

SimulationSetup casualSetup(uint32_t seed) {
    SimulationSetup setup;
    setup.mode = ModeCasual;
    setup.seed = seed;
    setup.stepMs = 16.0f;
    setup.blocks = smallLevel();
    setup.maxMs = 5 * 60 * 1000.0f;
    return setup;
}

TEST(Simulation, SameSeedAndStepGiveTheSameScoreTwice) {
    gametest::resetWorld();
    SimulationResult first = runSimulation(casualSetup(7));
    SimulationResult second = runSimulation(casualSetup(7));
    EXPECT_GT(first.shots, 0);
    EXPECT_EQ(first.score, second.score);
    EXPECT_EQ(first.frames, second.frames);
    EXPECT_EQ(first.shots, second.shots);
    EXPECT_EQ(first.cleared, second.cleared);
}

TEST(Simulation, SkilledBotClearsASmallCasualLevel) {
    gametest::resetWorld();
    int cleared = 0;
    for (uint32_t seed = 1; seed <= 5; seed++) {
        SimulationResult result = runSimulation(casualSetup(seed));
        EXPECT_FALSE(result.timedOut) << "seed " << seed;
        cleared += result.cleared ? 1 : 0;
        if (result.cleared) {
            EXPECT_GT(result.score, 0);
        }
    }
    EXPECT_GE(cleared, 4);
}

}  // namespace
