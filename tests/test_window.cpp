// Window creation on the real display (the tests run under Xvfb, where
// Mesa's software renderer offers 4 samples but not 8 or 16).
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/console_log.h"
#include "base/player_settings.h"
#include "engine/gl_caps.h"
#include "engine/textures.h"
#include "platform/window.h"
#include "settings/settings.h"
#include "shell/launch_options.h"
#include "shell/startup.h"
#include "shell/window.h"

namespace {

std::vector<std::string> historyLines() {
    return std::vector<std::string>(consoleHistory.begin(), consoleHistory.end());
}

bool tryOnlyFourSamples(int32_t samples) {
    return samples == 4;
}

std::vector<int32_t> triedCounts;
bool recordTry(int32_t samples) {
    triedCounts.push_back(samples);
    return false;
}

TEST(MultisampleQuery, HalvesTheLevelUntilACountWorks) {
    AAlevel = 16;
    EXPECT_EQ(queryMultisample(tryOnlyFourSamples), 4);
    EXPECT_EQ(AAlevel, 4);

    triedCounts.clear();
    AAlevel = 12;
    EXPECT_EQ(queryMultisample(recordTry), 0);
    EXPECT_EQ(triedCounts, (std::vector<int32_t>{8, 4, 2}));
    EXPECT_EQ(AAlevel, 1) << "each failed try above 2 halves the level: 12, 6, 3, 1";

    for (int32_t level : {0, 1}) {
        triedCounts.clear();
        AAlevel = level;
        EXPECT_EQ(queryMultisample(recordTry), 0);
        EXPECT_TRUE(triedCounts.empty()) << "level " << level << " never multisamples";
    }
}

TEST(Extensions, MatchWholeWordsOnly) {
    const char* list = "GL_EXT_bgra GL_ARB_multisample_extra GL_ARB_multisample GL_X";
    EXPECT_TRUE(extensionListHas(list, "GL_EXT_bgra"));
    EXPECT_TRUE(extensionListHas(list, "GL_ARB_multisample"));
    EXPECT_TRUE(extensionListHas(list, "GL_X"));
    EXPECT_FALSE(extensionListHas(list, "GL_ARB_multi"));
    EXPECT_FALSE(extensionListHas(list, "EXT_bgra"));
    EXPECT_FALSE(extensionListHas("GL_EXT_bgra2", "GL_EXT_bgra"));
    EXPECT_FALSE(extensionListHas(nullptr, "GL_EXT_bgra"));
    EXPECT_FALSE(extensionListHas(list, ""));
}

TEST(Window, QueryPassRecreatesTheWindowWithTheFoundCount) {
    if (!getenv("DISPLAY")) GTEST_SKIP() << "needs a display (scripts/test runs Xvfb)";
    ASSERT_TRUE(platformInitVideo());
    noDialogs = true;
    launchOptions.windowedWidth = 1024;
    launchOptions.windowedHeight = 768;
    ScreenWidth = 1024;
    ScreenHeight = 768;
    AAlevel = 16;
    multisampleChosen = false;
    settingsFileFound = true;  // a stored quality: the software-renderer rule stays out
    consoleHistory.clear();

    ASSERT_TRUE(createGLWindow(windowRecord));
    std::vector<std::string> expected = {
        "Creating window", "Resolution 1024x768", "Setting up antialiasing query pass",
        "Creating window", "Resolution 1024x768", "Setting up antialiasing at 4x"};
    std::vector<std::string> lines = historyLines();
    lines.resize(std::min(lines.size(), expected.size()));
    EXPECT_EQ(lines, expected);
    EXPECT_TRUE(multisampleChosen);
    EXPECT_EQ(multisampleFormat, 4);
    EXPECT_FALSE(windowRecord.fullscreen) << "--windowed never switches the display mode";
    EXPECT_TRUE(windowRecord.visible);
    EXPECT_GE(glMajorVersion, 1);
    EXPECT_LE(atlasSize, maxTextureSize);
    EXPECT_EQ(smallTextures, atlasSize < 2048);
    // 16 depth bits show seams between neighbouring cubes.
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_GE(depthBits, 24);

    destroyGLWindow(windowRecord);
    EXPECT_EQ(gameWindow, nullptr);
    platformQuitVideo();
}

// High quality asks for anisotropic filtering; llvmpipe offers the extension
// but then takes seconds a frame, so the atlas page must come out without it.
TEST(Window, HighQualityOnTheSoftwareRendererMakesPagesWithoutAnisotropy) {
    if (!getenv("DISPLAY")) GTEST_SKIP() << "needs a display (scripts/test runs Xvfb)";
    ASSERT_TRUE(platformInitVideo());
    noDialogs = true;
    launchOptions.windowedWidth = ScreenWidth = 640;
    launchOptions.windowedHeight = ScreenHeight = 480;
    AAlevel = 0;
    multisampleChosen = true;
    settingsFileFound = true;
    ASSERT_TRUE(createGLWindow(windowRecord));
    videoCard = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    ASSERT_TRUE(isSoftwareRenderer(videoCard)) << videoCard << ": the rule is for llvmpipe";
    ASSERT_TRUE(isWGLExtensionSupported("GL_EXT_texture_filter_anisotropic"));
    VisualQuality = 3;
    applyQualityPresets();
    ASSERT_EQ(anisotropyWanted, 1);
    consoleHistory.clear();

    readTextureCapabilities();
    EXPECT_FALSE(anisotropySupported);
    std::vector<std::string> lines = historyLines();
    EXPECT_NE(
        std::find(lines.begin(), lines.end(), "Software renderer: anisotropic filtering stays off"),
        lines.end());
    int32_t sideBefore = atlasSize;
    setAtlasSize(smallTextureLimit);
    deleteTextures();
    createAtlasPage();
    GLfloat anisotropy = 0;
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &anisotropy);
    EXPECT_EQ(anisotropy, 1.0f);
    deleteTextures();
    setAtlasSize(sideBefore);
    smallTextures = sideBefore < smallTextureLimit;
    destroyGLWindow(windowRecord);
    platformQuitVideo();
}

TEST(DisplayModes, OneEntryPerResolution) {
    if (!getenv("DISPLAY")) GTEST_SKIP() << "needs a display (scripts/test runs Xvfb)";
    ASSERT_TRUE(platformInitVideo());
    listDisplayModes();
    ASSERT_FALSE(displayModes.empty());
    for (size_t i = 1; i < displayModes.size(); i++)
        EXPECT_NE(displayModes[i], displayModes[i - 1]);
    int32_t width = 0, height = 0;
    platformDesktopSize(&width, &height);
    ScreenWidth = width;
    ScreenHeight = height;
    std::string listed;
    for (auto [w, h] : displayModes)
        listed += " " + std::to_string(int(w)) + "x" + std::to_string(int(h));
    EXPECT_GE(findDisplayMode(ScreenWidth, ScreenHeight), 0)
        << width << "x" << height << " in" << listed;
    ScreenWidth = 123;
    EXPECT_EQ(findDisplayMode(ScreenWidth, ScreenHeight), -1);
    platformQuitVideo();
}

// Full screen as the settings ask for it (no --windowed), on the real display
// unless a test puts another answer in platformRequestFullscreen.
class FullScreen : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!getenv("DISPLAY")) GTEST_SKIP() << "needs a display (scripts/test runs Xvfb)";
        ASSERT_TRUE(platformInitVideo());
        noDialogs = true;
        launchOptions.windowedWidth = launchOptions.windowedHeight = 0;
        Fullscreen = 1;
        multisampleChosen = true;  // one window, no query pass
        multisampleFormat = 0;
        settingsFileFound = true;
        platformDesktopSize(&desktopWidth, &desktopHeight);
        consoleHistory.clear();
    }
    void TearDown() override {
        destroyGLWindow(windowRecord);
        platformRequestFullscreen = realRequest;
        multisampleChosen = false;
        platformQuitVideo();
    }
    // Creates the window at width x height as the outer loop does.
    void create(int32_t width, int32_t height) {
        ScreenWidth = width;
        ScreenHeight = height;
        windowRecord.fullscreen = true;
        ASSERT_TRUE(createGLWindow(windowRecord));
    }
    bool messageShown() {
        const std::string line = "Error: Mode Switch Failed.\nRunning In Windowed Mode.";
        return std::count(consoleHistory.begin(), consoleHistory.end(), line) == 1;
    }
    std::pair<int32_t, int32_t> drawableSize() {
        std::pair<int32_t, int32_t> size;
        platformDrawableSize(gameWindow, &size.first, &size.second);
        return size;
    }

    int32_t desktopWidth = 0, desktopHeight = 0;
    bool (*realRequest)(PlatformWindow*, int32_t, int32_t, bool) = platformRequestFullscreen;
};

struct FullscreenAsk {
    int32_t width, height;
    bool desktop;
};
std::vector<FullscreenAsk> refusedAsks;
bool refuseFullscreen(PlatformWindow*, int32_t width, int32_t height, bool desktop) {
    refusedAsks.push_back({width, height, desktop});
    return false;
}

TEST_F(FullScreen, AtTheDesktopSizeTakesTheScreenWithoutAMessage) {
    create(desktopWidth, desktopHeight);
    EXPECT_TRUE(windowRecord.fullscreen);
    EXPECT_FALSE(messageShown());
    EXPECT_EQ(drawableSize(), std::make_pair(desktopWidth, desktopHeight));
}

// The desktop mode is on the display's list, so only the switch itself can
// say no: its answer has to reach the message.
TEST_F(FullScreen, ARefusedSwitchShowsTheMessageAndRunsWindowed) {
    refusedAsks.clear();
    platformRequestFullscreen = refuseFullscreen;
    create(desktopWidth, desktopHeight);
    ASSERT_EQ(refusedAsks.size(), 1u);
    EXPECT_EQ(refusedAsks[0].width, desktopWidth);
    EXPECT_EQ(refusedAsks[0].height, desktopHeight);
    EXPECT_TRUE(refusedAsks[0].desktop) << "the desktop size keeps the display mode";
    EXPECT_TRUE(messageShown());
    EXPECT_FALSE(windowRecord.fullscreen);
    EXPECT_TRUE(windowRecord.visible);
}

TEST_F(FullScreen, ASizeTheDisplayLacksRunsWindowedAtThatSize) {
    const int32_t width = 1000, height = 700;
    for (auto mode : platformDisplayModes())
        ASSERT_NE(mode, std::make_pair(width, height)) << "pick a size this display lacks";
    create(width, height);
    EXPECT_TRUE(messageShown());
    EXPECT_FALSE(windowRecord.fullscreen);
    EXPECT_EQ(drawableSize(), std::make_pair(width, height));
}

TEST_F(FullScreen, TheWindowedSettingNeverAsksTheDisplay) {
    refusedAsks.clear();
    platformRequestFullscreen = refuseFullscreen;
    Fullscreen = 0;
    create(desktopWidth, desktopHeight);
    EXPECT_TRUE(refusedAsks.empty());
    EXPECT_FALSE(messageShown());
    EXPECT_FALSE(windowRecord.fullscreen);
}

}  // namespace
