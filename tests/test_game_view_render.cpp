// The game view drawn into a real GL context: the order of its passes, the
// motion blur's copy and blend (through the half-size target or the atlas
// copy, alike), the background's copy at the window's size, the per-pass
// counts, and the level-complete veil and its sound.
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "archive/asset_archive.h"
#include "base/profiler.h"
#include "engine/clear_middle.h"
#include "engine/render_stats.h"
#include "engine/render_targets.h"
#include "game/camera.h"
#include "game_test_support.h"
#include "graphics_test_support.h"
#include "screens/backdrop.h"
#include "screens/game_view.h"

namespace {

using graphics_test::beginTestFrame;
using graphics_test::pixelAt;
using graphics_test::Rgba;
using graphics_test::windowSide;

class GameViewRender : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_GL();
        gametest::resetWorld();
        graphics_test::resetTextures(512);
        createAtlasPage();
        beginTestFrame();
        MotionBlur = 1;
        blurFrameValid = false;
        // The window code reads the version; the render targets need 3 or more.
        glMajorVersion = atoi(reinterpret_cast<const char*>(glGetString(GL_VERSION)));
    }
    void TearDown() override {
        releaseMotionBlur();
        releaseBackgroundCopy();
        glViewport(0, 0, windowSide, windowSide);
        blurTargetsAllowed = true;
        backgroundCopyAllowed = true;
        renderStatsOn = passSamplesOn = false;
        end2D();
        deleteTextures();
        profilingOn = false;
        gametest::restoreWorld();
    }
    static void fillScreen(unsigned char r, unsigned char g, unsigned char b) {
        drawUntexturedRect(0, 0, windowSide, windowSide, r, g, b, 255);
    }
    // One frame as the dispatcher draws it: a left and a right colour, then
    // the blur. Gives the middle row of the window.
    std::vector<Rgba> blurredFrame(Rgba left, Rgba right, float amount) {
        drawUntexturedRect(0, 0, windowSide / 2, windowSide, left.r, left.g, left.b, 255);
        drawUntexturedRect(windowSide / 2, 0, windowSide / 2, windowSide, right.r, right.g, right.b,
                           255);
        renderMotionBlur(0, 0, amount, true);
        std::vector<Rgba> row;
        for (int x = 0; x < windowSide; x++) row.push_back(pixelAt(x, windowSide / 2));
        return row;
    }
};

constexpr Rgba red = {255, 0, 0, 255}, blue = {0, 0, 255, 255}, black = {0, 0, 0, 255};

// Away from the colour edge in the middle, where the half-size copy blends
// neighbouring texels (two of its texels either side, as the trail repeats).
int largestDifferenceAwayFromEdge(const std::vector<Rgba>& a, const std::vector<Rgba>& b) {
    if (a.size() != b.size()) return 255;
    int largest = 0, edge = static_cast<int>(a.size()) / 2;
    for (int i = 0; i < static_cast<int>(a.size()); i++) {
        if (std::abs(i - edge) <= 4) continue;
        largest = std::max({largest, std::abs(a[i].r - b[i].r), std::abs(a[i].g - b[i].g),
                            std::abs(a[i].b - b[i].b)});
    }
    return largest;
}

// Labels of the sections directly inside the first section named parent.
std::vector<std::string> childrenOf(const std::string& parent) {
    std::vector<std::string> labels;
    int depth = -1;
    for (const ProfileSection& section : lastFrameProfile) {
        if (depth < 0) {
            if (section.label == parent) depth = section.depth;
            continue;
        }
        if (section.depth <= depth) break;
        if (section.depth == depth + 1) labels.push_back(section.label);
    }
    return labels;
}

TEST_F(GameViewRender, RenderGameRunsItsPassesInOrder) {
    ScreenWidth = ScreenHeight = windowSide;
    meter.levelClearTimer = 0;
    profilingOn = true;
    profileFrameStart();
    end2D();
    renderGame();
    profileFrameEnd();
    EXPECT_EQ(childrenOf("renderGame"),
              (std::vector<std::string>{"renderBlocks", "renderParticleSystems", "renderFloatys",
                                        "renderMotionBlur", "renderHUD"}));
    EXPECT_EQ(childrenOf("renderHUD"),
              (std::vector<std::string>{"renderMassWarning", "renderCombo", "renderLevel",
                                        "renderScore", "renderNextBlockPreview", "renderPowerups",
                                        "renderAchievementBanners"}));
}

TEST_F(GameViewRender, HudOutsideClassicHasNoPowerupPanelAndEndsWithThePanelAfterAClear) {
    gametest::resetWorld(ModeRush);
    ScreenWidth = ScreenHeight = windowSide;
    meter.levelClearTimer = 100;
    profilingOn = true;
    profileFrameStart();
    renderHUD();
    profileFrameEnd();
    std::vector<std::string> parts = childrenOf("renderHUD");
    EXPECT_EQ(std::count(parts.begin(), parts.end(), "renderPowerups"), 0);
    ASSERT_FALSE(parts.empty());
    EXPECT_EQ(parts.back(), "renderLevelComplete");
}

TEST_F(GameViewRender, MotionBlurCopiesFirstAndBlendsThePreviousFrameNext) {
    reserveMotionBlurCopy();
    fillScreen(255, 0, 0);
    renderMotionBlur(0, 0, 0.5f, true);
    EXPECT_TRUE(blurFrameValid);
    EXPECT_EQ(pixelAt(128, 128).r, 255) << "the first frame is only copied";
    fillScreen(0, 0, 0);
    renderMotionBlur(0, 0, 0.5f, true);
    EXPECT_NEAR(pixelAt(128, 128).r, 128, 3) << "half of the red frame over black";
    fillScreen(0, 0, 0);
    renderMotionBlur(0, 0, 0.0f, true);
    EXPECT_EQ(pixelAt(128, 128).r, 0) << "no amount, no blend";
    fillScreen(255, 0, 0);
    renderMotionBlur(0, 0, 0.5f, true);
    MotionBlur = 0;
    fillScreen(0, 0, 0);
    renderMotionBlur(0, 0, 0.5f, true);
    EXPECT_EQ(pixelAt(128, 128).r, 0) << "the setting off, no blend";
}

TEST_F(GameViewRender, MotionBlurThroughTheHalfSizeTargetLooksAsTheAtlasCopy) {
    reserveMotionBlurCopy();
    std::vector<std::vector<Rgba>> rows[2];
    for (bool targets : {false, true}) {
        blurTargetsAllowed = targets;
        releaseMotionBlur();
        rows[targets].push_back(blurredFrame(red, blue, 0.6f));
        rows[targets].push_back(blurredFrame(black, black, 0.6f));
        rows[targets].push_back(blurredFrame(blue, red, 0.6f));
        rows[targets].push_back(blurredFrame(black, black, 0.3f));
        EXPECT_EQ(blurTarget.framebuffer != 0, targets) << "the target is used when allowed";
    }
    for (size_t frame = 0; frame < rows[0].size(); frame++)
        EXPECT_LE(largestDifferenceAwayFromEdge(rows[0][frame], rows[1][frame]), 1)
            << "frame " << frame;
    EXPECT_NEAR(rows[1][1][32].r, 153, 3) << "60 % of the red frame over black";
    EXPECT_NEAR(rows[1][1][224].b, 153, 3);
    // At the edge the trail is softened, never a colour of its own.
    int middle = windowSide / 2;
    EXPECT_NEAR(rows[1][1][middle - 1].r + rows[1][1][middle - 1].b, 153, 4);
}

TEST_F(GameViewRender, TheBlurTargetIsHalfTheDrawableAndFollowsItsSize) {
    ASSERT_TRUE(prepareBlurTarget(windowSide, windowSide));
    EXPECT_EQ(blurTarget.width, windowSide / 2);
    GLuint first = blurTarget.colour;
    ASSERT_TRUE(prepareBlurTarget(windowSide, windowSide));
    EXPECT_EQ(blurTarget.colour, first) << "the same size keeps the target";
    // A smaller window: a copy into the old target would be stretched wrongly.
    ASSERT_TRUE(prepareBlurTarget(windowSide / 2, windowSide));
    EXPECT_EQ(blurTarget.width, windowSide / 4);
    EXPECT_EQ(blurTarget.height, windowSide / 2);
    // Odd sizes round up, so the last row and column of pixels are kept.
    ASSERT_TRUE(prepareBlurTarget(101, 51));
    EXPECT_EQ(blurTarget.width, 51);
    EXPECT_EQ(blurTarget.height, 26);
    EXPECT_FALSE(prepareBlurTarget(0, windowSide));
    releaseBlurTarget();
    EXPECT_EQ(blurTarget.framebuffer, 0u);
}

TEST_F(GameViewRender, PassCountsHoldTheCallsThatReachTheGLAndTheSamplesDrawn) {
    clearPassCounts();
    renderStatsOn = passSamplesOn = true;
    enterRenderPass(PassHud);
    setBlendFunction(GL_SRC_ALPHA, GL_ONE);
    setBlendFunction(GL_SRC_ALPHA, GL_ONE);
    enableState(GL_TEXTURE_2D);
    enableState(GL_TEXTURE_2D);
    fillScreen(255, 255, 255);
    enterRenderPass(PassTexts);
    setBlendFunction(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    endRenderPasses();
    renderStatsOn = passSamplesOn = false;
    const PassCounts& hud = passCounts[PassHud];
    EXPECT_EQ(hud.blendChanges, 1) << "the repeated blend function stays in the shadow";
    EXPECT_EQ(hud.switches, 2) << "texturing on once, then off for the untextured quad";
    EXPECT_EQ(hud.draws, 1);
    EXPECT_EQ(hud.samples, static_cast<uint64_t>(windowSide * windowSide));
    EXPECT_EQ(passCounts[PassTexts].blendChanges, 1);
    EXPECT_EQ(passCounts[PassTexts].samples, 0u);
    EXPECT_EQ(passCounts[PassBlocks].draws, 0);
}

// A window-filling background image, streamed from an archive as in the game.
void loadBackgroundImage() {
    assetArchivePath = tempDir() + "/assets.ass";
    graphics_test::writeArchive(assetArchivePath, {{"textures\\background1.tga",
                                                    graphics_test::makeTga(8, 8, 24, 0, 0, 255)}});
    openAssetArchive();
    for (int frame = 0; frame < 100 && !backgroundTextureLoaded(false); frame++)
        updateStreamingTextures(16);
    for (int frame = 0; frame < 20; frame++) updateStreamingTextures(16);  // faded in
}

// An opaque green square around the mass's centre, square to the start-up view.
void drawGreenSquare() {
    enableState(GL_DEPTH_TEST);
    disableState(GL_TEXTURE_2D);
    glColor4ub(0, 255, 0, 255);
    glBegin(GL_QUADS);
    glVertex3f(-200, 0, -200);
    glVertex3f(200, 0, -200);
    glVertex3f(200, 0, 200);
    glVertex3f(-200, 0, 200);
    glEnd();
    glColor4ub(255, 255, 255, 255);
}

std::vector<unsigned char> windowPixels() {
    std::vector<unsigned char> pixels(windowSide * windowSide * 4);
    glReadPixels(0, 0, windowSide, windowSide, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// The backdrop drawn first and the square over it, or the square first and
// the backdrop only around it: the same picture, fewer background samples.
TEST_F(GameViewRender, BackdropBehindAnOpaqueFrontLooksTheSameAndShadesLess) {
    loadBackgroundImage();
    ASSERT_TRUE(backgroundTextureLoaded(false));
    // The image's copy at the window's size would shade none of its samples.
    backgroundCopyAllowed = false;
    std::vector<unsigned char> pictures[2];
    uint64_t backgroundSamples[2] = {};
    for (bool frontFirst : {false, true}) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        begin2D();
        clearPassCounts();
        renderStatsOn = passSamplesOn = true;
        renderBackground(false, frontFirst ? drawGreenSquare : nullptr);
        if (!frontFirst) drawGreenSquare();
        endRenderPasses();
        renderStatsOn = passSamplesOn = false;
        pictures[frontFirst] = windowPixels();
        backgroundSamples[frontFirst] = passCounts[PassBackground].samples;
    }
    closeAssetArchive();
    EXPECT_EQ(pictures[0], pictures[1]);
    EXPECT_EQ(pixelAt(windowSide / 2, windowSide / 2).g, 255) << "the square in the middle";
    EXPECT_EQ(pixelAt(2, 2).b, 255) << "the background at the corner";
    EXPECT_EQ(backgroundSamples[0], static_cast<uint64_t>(windowSide * windowSide));
    EXPECT_LT(backgroundSamples[1], backgroundSamples[0] * 3 / 4);
    // What comes after is drawn with the ordinary depth test again.
    GLint depthFunction = 0;
    GLboolean depthWrites = GL_FALSE;
    GLfloat depthRange[2] = {};
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunction);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    glGetFloatv(GL_DEPTH_RANGE, depthRange);
    EXPECT_EQ(depthFunction, GL_LESS);
    EXPECT_TRUE(depthWrites);
    EXPECT_EQ(depthRange[0], 0.0f);
    EXPECT_EQ(depthRange[1], 1.0f);
}

// RGBA texels, opaque red, with the texels in [x0, x1) x [y0, y1) transparent.
std::vector<unsigned char> imageWithHole(int width, int height, int x0, int y0, int x1, int y1) {
    std::vector<unsigned char> texels;
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            bool hole = x >= x0 && x < x1 && y >= y0 && y < y1;
            texels.insert(texels.end(), {255, 0, 0, static_cast<unsigned char>(hole ? 0 : 255)});
        }
    }
    return texels;
}

TEST(ClearMiddle, TheLargestCentredClearRectangleKeepsTwoTexelsFromAnythingVisible) {
    struct Case {
        const char* what;
        int width, height, x0, y0, x1, y1;
        float halfWidth, halfHeight;
    } cases[] = {
        {"opaque", 64, 64, 0, 0, 0, 0, 0, 0},
        {"hole of the middle half", 64, 64, 16, 16, 48, 48, 14 / 64.0f, 14 / 64.0f},
        {"hole one texel short at the top", 64, 64, 16, 16, 48, 47, 13 / 64.0f, 13 / 64.0f},
        {"all clear", 64, 64, 0, 0, 64, 64, 30 / 64.0f, 30 / 64.0f},
        {"clear left half only", 64, 64, 0, 0, 32, 64, 0, 0},
        {"wide image, wide hole", 128, 32, 32, 8, 96, 24, 27 / 128.0f, 6 / 32.0f},
        {"too small to hold a margin", 4, 4, 0, 0, 4, 4, 0, 0},
    };
    for (const Case& c : cases) {
        std::vector<unsigned char> texels =
            imageWithHole(c.width, c.height, c.x0, c.y0, c.x1, c.y1);
        ClearMiddle middle = findClearMiddle(texels.data(), c.width, c.height);
        EXPECT_FLOAT_EQ(middle.halfWidth, c.halfWidth) << c.what;
        EXPECT_FLOAT_EQ(middle.halfHeight, c.halfHeight) << c.what;
    }
    std::vector<unsigned char> dot = imageWithHole(64, 64, 0, 0, 64, 64);
    dot[(32 * 64 + 32) * 4 + 3] = 1;
    EXPECT_FLOAT_EQ(findClearMiddle(dot.data(), 64, 64).halfWidth, 0) << "one faint texel";
}

// The mass warning, an edge glow with a clear middle, drawn whole and as the
// bands around its middle over a blue window: the same picture, fewer samples.
TEST_F(GameViewRender, AWarningWithAClearMiddleIsDrawnAroundItAlike) {
    std::string tga = graphics_test::makeTga(32, 32, 32, 255, 0, 0);
    for (int y = 8; y < 24; y++)
        for (int x = 8; x < 24; x++) tga[18 + (y * 32 + x) * 4 + 3] = 0;
    assetArchivePath = tempDir() + "/assets.ass";
    graphics_test::writeArchive(assetArchivePath, {{"textures\\masswarning.tga", tga}});
    openAssetArchive();
    for (int frame = 0; frame < 100 && getTexture("masswarning.tga") == textureNotLoaded; frame++)
        updateStreamingTextures(16);
    for (int frame = 0; frame < 20; frame++) updateStreamingTextures(16);  // faded in
    closeAssetArchive();
    ASSERT_NE(getTexture("masswarning.tga"), textureNotLoaded);
    EXPECT_FLOAT_EQ(clearMiddleOf("masswarning.tga").halfWidth, 6 / 32.0f);
    meter.massLimit = 100;
    meter.mass = 95;
    std::vector<unsigned char> pictures[2];
    uint64_t samples[2] = {};
    for (bool bands : {false, true}) {
        fillScreen(0, 0, 255);
        clearPassCounts();
        renderStatsOn = passSamplesOn = true;
        enterRenderPass(PassHud);
        if (bands)
            renderMassWarning();
        else
            Render2D({windowSide / 2.0f, windowSide / 2.0f}, {windowSide, windowSide}, AnchorCentre,
                     "masswarning.tga", 150);
        endRenderPasses();
        renderStatsOn = passSamplesOn = false;
        pictures[bands] = windowPixels();
        samples[bands] = passCounts[PassHud].samples;
    }
    int largest = 0;
    for (size_t i = 0; i < pictures[0].size(); i++)
        largest = std::max(largest, std::abs(pictures[0][i] - pictures[1][i]));
    EXPECT_LE(largest, 1);
    EXPECT_EQ(pixelAt(windowSide / 2, windowSide / 2).b, 255) << "the middle left alone";
    EXPECT_GT(pixelAt(2, 2).r, 100) << "the edge glows";
    EXPECT_LT(samples[1], samples[0] * 9 / 10);
}

TEST_F(GameViewRender, MotionBlurOutsideTimewarpUnforcedDropsTheCopy) {
    reserveMotionBlurCopy();
    powerups.timewarpActive = false;
    fillScreen(255, 0, 0);
    renderMotionBlur(0, 0, 0.5f, true);
    ASSERT_TRUE(blurFrameValid);
    fillScreen(0, 0, 0);
    renderMotionBlur(0, 0, 0.5f, false);
    EXPECT_FALSE(blurFrameValid);
    EXPECT_EQ(pixelAt(128, 128).r, 0);
}

TEST_F(GameViewRender, LevelCompleteVeilDarkensAndItsSoundPlaysOnce) {
    ScreenWidth = ScreenHeight = windowSide;
    fillScreen(255, 255, 255);
    meter.levelClearTimer = 250;
    renderLevelComplete();
    EXPECT_NEAR(pixelAt(10, 10).r, 255 - 50, 3) << "the veil at half its darkness";
    meter.levelClearTimer = 600;
    renderLevelComplete();
    meter.levelClearTimer = 700;
    renderLevelComplete();
    int plays = 0;
    for (const SoundRequest& sound : gametest::recordedSounds)
        if (sound.name == "endbreakshort3.ogg") plays++;
    EXPECT_EQ(plays, 1);
}

TEST_F(GameViewRender, TwoPopupsShowHalfASecondApartEachSoundingOnce) {
    ScreenWidth = ScreenHeight = windowSide;
    serverLink.unlockPopups = {{20, false}, {6, false}};
    bannerClock = 0;
    std::vector<float> soundedAt;
    for (int frame = 0; frame < 600 && !serverLink.unlockPopups.empty(); frame++) {
        advanceBannerClock(10);
        size_t before = gametest::recordedSounds.size();
        renderAchievementBanners();
        for (size_t i = before; i < gametest::recordedSounds.size(); i++)
            if (gametest::recordedSounds[i].name == "cheeve6.ogg") soundedAt.push_back(bannerClock);
    }
    EXPECT_EQ(soundedAt, (std::vector<float>{510.0f, 1010.0f}));
    EXPECT_TRUE(serverLink.unlockPopups.empty()) << "emptied once every banner has faded";
}

// The background image drawn from its copy at the window's size gives the
// very picture the atlas gives, and the copy follows a new image, a new
// window size and a rebuilt atlas.

// A 24-bit image whose every texel differs from its neighbours, so that a
// copy shifted or scaled by one pixel shows.
std::string patternTga(int width, int height, int seed) {
    std::string tga = graphics_test::makeTga(width, height, 24);
    for (int i = 0; i < width * height; i++) {
        int x = i % width, y = i / width;
        tga[18 + i * 3] = static_cast<char>(x * 37 + seed);
        tga[18 + i * 3 + 1] = static_cast<char>(y * 53 + seed * 3);
        tga[18 + i * 3 + 2] = static_cast<char>((x ^ y) * 29 + seed * 7);
    }
    return tga;
}

// Streams both backgrounds from a fresh archive until they have faded in.
void loadBackgrounds(int seed) {
    assetArchivePath = tempDir() + "/assets.ass";
    graphics_test::writeArchive(assetArchivePath,
                                {{"textures\\background1.tga", patternTga(40, 30, seed)},
                                 {"textures\\background2.tga", patternTga(33, 47, seed + 1)}});
    openAssetArchive();
    for (bool showsGame : {false, true}) {
        modeState.levelIndex = showsGame ? 1 : 0;
        for (int frame = 0; frame < 200 && !backgroundTextureLoaded(showsGame); frame++)
            updateStreamingTextures(16);
    }
    for (int frame = 0; frame < 20; frame++) updateStreamingTextures(16);  // faded in
    closeAssetArchive();
}

std::vector<unsigned char> backgroundPicture(bool showsGame, bool fromCopy, bool front,
                                             bool copiedFirst = false) {
    backgroundCopyAllowed = fromCopy;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    begin2D();
    // Whatever came before may have left texturing off, as the opaque blocks do.
    disableState(GL_TEXTURE_2D);
    clearPassCounts();
    renderStatsOn = true;
    renderBackground(showsGame, front ? drawGreenSquare : nullptr, copiedFirst);
    renderStatsOn = false;
    return windowPixels();
}

// Each step changes what the window shows, on top of the copy the step
// before left: a stale copy would show the picture before.
TEST_F(GameViewRender, BackgroundCopyLooksExactlyAsTheAtlasDrawsItAfterEveryChange) {
    struct Step {
        const char* what;
        int level;
        int viewportWidth, viewportHeight;
        int reloadSeed;    // > 0: the atlas is rebuilt with other pictures of the same names
        bool front;        // an opaque square drawn first, the backdrop around it
        bool copiedFirst;  // the square covers little: the copy goes in whole before it
    } steps[] = {
        {"first image", 0, windowSide, windowSide, 0, false, false},
        {"the copy first, a square over it", 0, windowSide, windowSide, 0, true, true},
        {"the level's own image", 1, windowSide, windowSide, 0, false, false},
        {"behind an opaque square", 1, windowSide, windowSide, 0, true, false},
        {"a smaller, uneven window", 1, 201, 151, 0, false, false},
        {"the first image in that window", 0, 201, 151, 0, false, false},
        {"rebuilt atlas, copy first", 0, 201, 151, 90, true, true},
        {"back to the whole window", 0, windowSide, windowSide, 0, false, false},
    };
    resetStarfield();
    loadBackgrounds(10);
    std::vector<unsigned char> before;
    for (const Step& step : steps) {
        if (step.reloadSeed > 0) {
            graphics_test::resetTextures(512);
            createAtlasPage();
            loadBackgrounds(step.reloadSeed);
        }
        modeState.levelIndex = step.level;
        bool showsGame = step.level > 0;
        ASSERT_TRUE(backgroundTextureLoaded(showsGame)) << step.what;
        glViewport(0, 0, step.viewportWidth, step.viewportHeight);
        std::vector<unsigned char> fromAtlas =
            backgroundPicture(showsGame, false, step.front, step.copiedFirst);
        std::vector<unsigned char> fromCopy =
            backgroundPicture(showsGame, true, step.front, step.copiedFirst);
        // Copied in first, the image binds no texture: the blit puts it there.
        if (step.copiedFirst) {
            EXPECT_EQ(passCounts[PassBackground].binds, 0) << step.what;
        }
        EXPECT_EQ(fromAtlas, fromCopy) << step.what;
        EXPECT_NE(fromAtlas, before) << step.what << ": the step changes nothing";
        EXPECT_EQ(backgroundTarget.width, step.viewportWidth) << step.what;
        EXPECT_EQ(backgroundTarget.height, step.viewportHeight) << step.what;
        before = fromAtlas;
    }
}

// While the image fades in it is blended over the frame, so the copy (an
// opaque picture) is not used until it is whole.
TEST_F(GameViewRender, BackgroundCopyAnImageStillFadingInIsDrawnFromTheAtlas) {
    assetArchivePath = tempDir() + "/assets.ass";
    graphics_test::writeArchive(assetArchivePath,
                                {{"textures\\background1.tga", patternTga(40, 30, 5)}});
    openAssetArchive();
    for (int frame = 0; frame < 200 && !backgroundTextureLoaded(false); frame++)
        updateStreamingTextures(16);
    closeAssetArchive();
    ASSERT_LT(textureFade(getTexture("background1.tga")), 1.0f);
    resetStarfield();
    std::vector<unsigned char> fromAtlas = backgroundPicture(false, false, false);
    EXPECT_EQ(backgroundPicture(false, true, false), fromAtlas);
    EXPECT_EQ(backgroundTarget.framebuffer, 0u);
}

// The box around the mass holds every corner of every living block on
// screen, and no more than a few times their own box.
TEST(MassBox, HoldsEveryCubeCornerOnScreenAndGrowsWithTheMass) {
    for (Block& block : blockTable) block = {};
    setViewSize(1280, 720);
    resetCamera();
    applyCamera(0);
    EXPECT_EQ(massBoxWindowShare(), 0) << "no blocks";
    GLint viewport[4] = {0, 0, 1280, 720};
    struct Case {
        const char* what;
        Vec3 first, last;  // the corners of a box of cells filled with blocks
        float ratio;       // the mass ratio the camera comes in by
    } cases[] = {
        {"one block at the centre", {0, 0, 0}, {0, 0, 0}, 0},
        {"one block off to the side", {160, 96, -64}, {160, 96, -64}, 0},
        {"a level-3 sized mass", {-64, -64, -64}, {64, 64, 32}, 0.4f},
        {"a full mass, the eye come in", {-96, -96, -96}, {128, 128, 128}, 0.85f},
    };
    float shares[4] = {};
    for (size_t i = 0; i < std::size(cases); i++) {
        const Case& c = cases[i];
        for (Block& block : blockTable) block = {};
        int slot = 0;
        double left = 1280, right = 0, bottom = 720, top = 0;
        for (float x = c.first.x; x <= c.last.x; x += blockUnit)
            for (float y = c.first.y; y <= c.last.y; y += blockUnit)
                for (float z = c.first.z; z <= c.last.z; z += blockUnit) {
                    blockTable[slot].pos = {x, y, z};
                    blockTable[slot++].alive = true;
                }
        resetCamera();
        applyCamera(c.ratio, [] { return 0; });
        for (int b = 0; b < slot; b++)
            for (int corner = 0; corner < 8; corner++) {
                Vec3 p = blockTable[b].pos;
                GLdouble wx = 0, wy = 0, wz = 0;
                gluProject(p.x + (corner & 1 ? 16 : -16), p.y + (corner & 2 ? 16 : -16),
                           p.z + (corner & 4 ? 16 : -16), camera.modelviewMatrix,
                           camera.projectionMatrix, viewport, &wx, &wy, &wz);
                left = std::min(left, wx), right = std::max(right, wx);
                bottom = std::min(bottom, wy), top = std::max(top, wy);
            }
        left = std::max(left, 0.0), right = std::min(right, 1280.0);
        bottom = std::max(bottom, 0.0), top = std::min(top, 720.0);
        double cornerShare = (right - left) * (top - bottom) / (1280.0 * 720.0);
        shares[i] = massBoxWindowShare();
        EXPECT_GE(shares[i], cornerShare) << c.what;
        EXPECT_LE(shares[i], std::max(cornerShare * 4, 0.02)) << c.what;
    }
    EXPECT_LT(shares[2], 0.5f) << "a level-3 mass takes the copy first";
    EXPECT_GT(shares[3], 0.5f) << "a full mass keeps the backdrop behind it";
    blockTable[0].pos = camera.shakenEye;
    EXPECT_EQ(massBoxWindowShare(), 1) << "a block at the eye";
    for (Block& block : blockTable) block = {};
    setViewSize(0, 0);
    resetCamera();
}

}  // namespace
