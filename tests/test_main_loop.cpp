// Frame statistics, quality reduction, the frame pacer, the profiler, the
// version text and the window procedure's routing.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>

#include "base/game_state.h"
#include "base/profiler.h"
#include "game/play.h"
#include "platform/system.h"
#include "settings/settings.h"
#include "shell/input.h"
#include "shell/main_loop.h"
#include "shell/program.h"
#include "shell/window.h"

namespace {

class FrameStatisticsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        frameTimeHistory.clear();
        particleDeg = 1.0f;
        particlesDrawn = 0;
        MotionBlur = 1;
        powerups.timewarpActive = false;
        GameState = Game;
    }

    void recordFrames(int count, float ms, int particles) {
        for (int i = 0; i < count; i++) {
            frameTime = ms;
            particlesDrawn = particles;
            recordFrameStatistics();
        }
    }
};

TEST_F(FrameStatisticsTest, HistoryKeepsTheNewest100AndAveragesThem) {
    recordFrames(100, 10.0f, 0);
    recordFrames(30, 40.0f, 0);
    ASSERT_EQ(frameTimeHistory.size(), 100u);
    EXPECT_FLOAT_EQ(frameTimeHistory.front(), 40.0f);
    EXPECT_FLOAT_EQ(frameTimeHistory.back(), 10.0f);
    EXPECT_NEAR(averageFps, 1000.0f / 19.0f, 0.01f);
}

TEST_F(FrameStatisticsTest, SlowFramesWithParticlesThinThemOut) {
    recordFrames(10, 25.0f, 0);
    EXPECT_FLOAT_EQ(particleDeg, 1.0f) << "no particles drawn, nothing to thin";
    recordFrames(10, 25.0f, 50);
    EXPECT_NEAR(particleDeg, 1.1f, 1e-4);
    EXPECT_EQ(particlesDrawn, 0) << "the counter restarts every frame";
    EXPECT_EQ(MotionBlur, 1) << "motion blur only goes under Timewarp or on Grats";
}

TEST_F(FrameStatisticsTest, TimewarpKeepsParticlesButDropsMotionBlurWhenSlow) {
    powerups.timewarpActive = true;
    recordFrames(5, 25.0f, 50);
    EXPECT_FLOAT_EQ(particleDeg, 1.0f);
    EXPECT_EQ(MotionBlur, 0);
}

TEST_F(FrameStatisticsTest, FastFramesChangeNothing) {
    GameState = Grats;
    recordFrames(20, 10.0f, 500);
    EXPECT_FLOAT_EQ(particleDeg, 1.0f);
    EXPECT_EQ(MotionBlur, 1);
    recordFrames(200, 30.0f, 0);
    EXPECT_EQ(MotionBlur, 0) << "the congratulations fireworks drop blur when slow";
}

TEST(FramePacer, MenusAndThePauseWaitTheRunningGameFixedStepsAndLoadingDoNot) {
    struct Case {
        int32_t state;
        bool paused;
        float fixedStepMs;
        bool streaming, paced;
    } cases[] = {
        {Menu, false, 0, false, true},  {Options, false, 0, false, true},
        {Game, true, 0, false, true},   {GameToMenu, false, 0, false, true},
        {Game, false, 0, false, false}, {Menu, false, 16, false, false},
        {Game, true, 16, false, false}, {Menu, false, 0.5f, false, false},
        {Intro, false, 0, true, false}, {Game, true, 0, true, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(framePaced(c.state, c.paused, c.fixedStepMs, c.streaming), c.paced)
            << "state " << c.state << " paused " << c.paused << " step " << c.fixedStepMs
            << " streaming " << c.streaming;
}

TEST(FramePacer, SleepsTheRestOfTheFrameInWholeMillisecondsNeverTooLong) {
    struct Case {
        double elapsedMs, frameMs;
        uint32_t waitMs;
    } cases[] = {
        {0, pacedFrameMs, 16},   {0.9, pacedFrameMs, 15}, {10, pacedFrameMs, 6},
        {15.9, pacedFrameMs, 0}, {16.6, pacedFrameMs, 0}, {16.7, pacedFrameMs, 0},
        {250, pacedFrameMs, 0},  {-3, pacedFrameMs, 0},   {std::nan(""), pacedFrameMs, 0},
        {10, idleFrameMs, 40},   {49.9, idleFrameMs, 0},  {50, idleFrameMs, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pacedWaitMs(c.elapsedMs, c.frameMs), c.waitMs)
            << c.elapsedMs << " of " << c.frameMs;
}

TEST(FramePacer, AScreenGoesIdleASecondAfterTheLastInputOnceSettledAndShown) {
    struct Case {
        bool shown;
        double sinceInputMs;
        bool idle;
    } cases[] = {
        {true, 0, false},    {true, 999.9, false}, {true, 1000, true},
        {true, 60000, true}, {false, 1000, false}, {false, 60000, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(screenIdle(c.shown, c.sinceInputMs), c.idle) << c.shown << " " << c.sinceInputMs;
}

TEST(Profiler, RecordsNestedSectionsOnlyWhileSwitchedOn) {
    profilingOn = false;
    profileFrameStart();
    { ProfileScope update("Update"); }
    profileFrameEnd();
    EXPECT_TRUE(lastFrameProfile.empty());
    EXPECT_GE(frameTime, 0.0f);

    profilingOn = true;
    profileFrameStart();
    {
        ProfileScope update("Update");
        ProfileScope fade("UpdateFadeIn");
    }
    { ProfileScope swap("SwapBuffers"); }
    profileFrameEnd();
    profilingOn = false;
    ASSERT_EQ(lastFrameProfile.size(), 3u);
    EXPECT_EQ(lastFrameProfile[0].label, "Update");
    EXPECT_EQ(lastFrameProfile[1].label, "UpdateFadeIn");
    EXPECT_EQ(lastFrameProfile[1].depth, 1);
    EXPECT_EQ(lastFrameProfile[2].depth, 0);
    for (const ProfileSection& section : lastFrameProfile)
        EXPECT_GE(section.endMs, section.startMs) << section.label;
}

TEST(VersionText, DropsBlanksAndUsesDots) {
    EXPECT_EQ(makeVersionText("1, 0, 0, 0"), "Version 1.0.0.0");
    EXPECT_EQ(makeVersionText("2, 10, 3, 45"), "Version 2.10.3.45");
    EXPECT_EQ(makeVersionText(""), "Version ");
}

TEST(WindowProcedure, RoutesEventsToTheHandlers) {
    programRunning = true;
    quitPosted = false;
    windowProcedure({PlatformEventKind::MouseMove, 321, 123, 0, 0});
    EXPECT_EQ(mouseX, 321);
    EXPECT_EQ(mouseY, 123);

    windowProcedure({PlatformEventKind::Minimized, 0, 0, 0, 0});
    EXPECT_FALSE(windowRecord.visible);
    windowProcedure({PlatformEventKind::Restored, 0, 0, 0, 0});
    EXPECT_TRUE(windowRecord.visible);

    windowProcedure({PlatformEventKind::Close, 0, 0, 0, 0});
    EXPECT_FALSE(programRunning);
    EXPECT_TRUE(quitPosted);
    quitPosted = false;
    programRunning = true;
}

}  // namespace

// The random seed counts from the machine's boot, not from the program's start,
// so two launches draw different masses. The steady clock counts from boot too
// and, like the game's count, stands still while the machine sleeps (uptime
// runs on, so a comparison with it drifts after a suspend).
TEST(TickCount, CountsFromBootNotFromStart) {
    auto sinceBoot = std::chrono::steady_clock::now().time_since_epoch();
    uint64_t expected =
        static_cast<uint64_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(sinceBoot).count()) &
        0xffffffffu;
    int64_t difference = static_cast<int64_t>(platformTicksMs()) - static_cast<int64_t>(expected);
    EXPECT_LT(std::llabs(difference), 2000);
}
