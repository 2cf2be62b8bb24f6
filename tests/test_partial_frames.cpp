// An idle menu drawn by the game's own dispatcher in a real GL window, with
// the built asset archive: frames drawn only inside the stars' boxes over the
// frame before come out byte for byte as frames drawn whole.
#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "base/game_state.h"
#include "engine/fonts.h"
#include "engine/frame_damage.h"
#include "engine/meshes.h"
#include "engine/textures.h"
#include "game/camera.h"
#include "game/server_link.h"
#include "game_test_support.h"
#include "graphics_test_support.h"
#include "online/account.h"
#include "screens/backdrop.h"
#include "shell/partial_frames.h"
#include "shell/state_table.h"

namespace {

using graphics_test::windowSide;

constexpr int frameCount = 12;
constexpr float frameMs = 50.0f;  // the idle pace: the stars move furthest between frames

class PartialFrames : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_GL();
        gametest::resetWorld();
        ASSERT_TRUE(graphics_test::openBuiltArchive())
            << "no asset archive at " << assetArchivePath;
        graphics_test::beginTestFrame();
        setupFonts();
        buildParticleQuad(particleQuad);
        showIdleLogin();
    }
    void TearDown() override {
        partialFramesAllowed = true;
        forgetShownFrames();
        releaseBackgroundCopy();
        destroyFonts();
        closeAssetArchive();
        deleteTextures();
        gametest::restoreWorld();
    }
    // The Login screen's offline step, settled and shown, every texture it
    // draws streamed and faded in.
    static void showIdleLogin() {
        GameState = Login;
        loginStep = offlineStep;
        fadeTimer = fadeDuration;
        for (int frame = 0; frame < 3000; frame++) {
            Draw();
            updateStreamingTextures(16);
            if (textureQueue.empty() && frame > 100) break;
        }
        ASSERT_TRUE(textureQueue.empty());
    }
    // The X server's word that the window was uncovered, taken as the game
    // takes events.
    static void exposeWindow() {
        SDL_Event event = {};
        event.type = SDL_WINDOWEVENT;
        event.window.event = SDL_WINDOWEVENT_EXPOSED;
        SDL_PushEvent(&event);
        PlatformEvent taken;
        while (platformPollEvent(taken)) {
        }
    }
    static std::vector<unsigned char> windowPixels() {
        std::vector<unsigned char> pixels(windowSide * windowSide * 4);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, windowSide, windowSide, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }
    // The same star field, frame by frame, drawn whole or in part; the
    // pixels of each frame, and how many frames were drawn in part.
    // changeAt: the frame from which the status line reads otherwise (-1: never).
    // exposedAt: the window is uncovered before that frame (-1: never).
    static std::vector<std::vector<unsigned char>> idleFrames(bool inPart, int& partial,
                                                              int changeAt = -1,
                                                              int exposedAt = -1) {
        serverLink.connectionMode = ConnectionOffline;
        partialFramesAllowed = inPart;
        forgetShownFrames();
        placeStartupCamera();
        srand(5);
        resetStarfield();
        std::vector<std::vector<unsigned char>> frames;
        partial = 0;
        for (int frame = 0; frame < frameCount; frame++) {
            UpdateStarfield(frameMs);
            if (frame == changeAt) serverLink.connectionMode = ConnectionOnline;
            if (frame == exposedAt) exposeWindow();
            drawFrame(Draw, true, windowSide, windowSide);
            if (partialFramePasses > 0) partial++;
            frames.push_back(windowPixels());
            presentFrame(gameWindow);
        }
        return frames;
    }
};

TEST_F(PartialFrames, AnIdleMenuDrawnInPartLooksExactlyAsDrawnWhole) {
    ASSERT_TRUE(platformCanPresentRects())
        << "this X server's GL offers no copy of parts of the back buffer";
    int partial = 0;
    std::vector<std::vector<unsigned char>> whole = idleFrames(false, partial);
    EXPECT_EQ(partial, 0);
    std::vector<std::vector<unsigned char>> inPart = idleFrames(true, partial);
    // Recording a frame's draws asks the GL only what it can answer.
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    // The first frame finds nothing in the back buffer to build on.
    EXPECT_EQ(partial, frameCount - 1);
    for (int frame = 0; frame < frameCount; frame++)
        EXPECT_TRUE(whole[frame] == inPart[frame]) << "frame " << frame;
    // The stars moved, so each frame had something to draw again.
    for (int frame = 1; frame < frameCount; frame++)
        EXPECT_FALSE(whole[frame] == whole[frame - 1]) << "frame " << frame;
}

}  // namespace

namespace {

// The status line changes under the moving stars: that frame is drawn whole,
// and the frames after it build on it again.
TEST_F(PartialFrames, AnyOtherChangeDrawsThatFrameWhole) {
    int partial = 0;
    std::vector<std::vector<unsigned char>> whole = idleFrames(false, partial, 6);
    std::vector<std::vector<unsigned char>> inPart = idleFrames(true, partial, 6);
    EXPECT_EQ(partial, frameCount - 2);
    for (int frame = 0; frame < frameCount; frame++)
        EXPECT_TRUE(whole[frame] == inPart[frame]) << "frame " << frame;
    std::vector<std::vector<unsigned char>> unchanged = idleFrames(false, partial);
    EXPECT_FALSE(unchanged[6] == whole[6]) << "the change shows nothing";
}

}  // namespace

namespace {

// Covered parts of a window without backing store come back empty: the
// frame after an uncovering is drawn and shown whole.
TEST_F(PartialFrames, AnUncoveredWindowIsDrawnWholeOnce) {
    int partial = 0;
    std::vector<std::vector<unsigned char>> whole = idleFrames(false, partial);
    std::vector<std::vector<unsigned char>> inPart = idleFrames(true, partial, -1, 4);
    EXPECT_EQ(partial, frameCount - 2);
    for (int frame = 0; frame < frameCount; frame++)
        EXPECT_TRUE(whole[frame] == inPart[frame]) << "frame " << frame;
}

}  // namespace

namespace {

// A resize reaches the X server, and the back buffer, before its event
// reaches the game. Rectangles drawn for the size before are then not copied
// (outside the new buffer that is an X error, which ends the program): the
// frame is swapped whole instead.
TEST_F(PartialFrames, AFrameDrawnBeforeAResizeIsSwappedNotCopied) {
    int partial = 0;
    idleFrames(true, partial);
    SDL_Window* window = SDL_GL_GetCurrentWindow();
    ASSERT_NE(window, nullptr);
    const int32_t smaller = windowSide / 2;
    SDL_SetWindowSize(window, smaller, smaller);
    UpdateStarfield(frameMs);
    drawFrame(Draw, true, windowSide, windowSide);
    presentFrame(gameWindow);
    std::vector<PixelRect> whole = {{0, 0, windowSide, windowSide}};
    EXPECT_FALSE(platformPresentRects(whole, windowSide, windowSide));
    EXPECT_TRUE(platformPresentRects({{0, 0, smaller, smaller}}, smaller, smaller));
    SDL_SetWindowSize(window, windowSide, windowSide);
    PlatformEvent taken;
    while (platformPollEvent(taken)) {
    }
    EXPECT_TRUE(platformPresentRects(whole, windowSide, windowSide));
}

}  // namespace
