// The texture atlas packer, the texture-matrix mapping, the page flush with
// its halving fallback, and the streamer's steps over a small archive.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "base/game_state.h"
#include "engine/preload_list.h"
#include "engine/textures.h"
#include "game/modes.h"
#include "graphics_test_support.h"
#include "screens/backdrop.h"
#include "shell/state_table.h"

using namespace graphics_test;

namespace {

AtlasRect freeRect(float w, float h, float x = 0, float y = 0) {
    return {w, h, x, y, ""};
}

// One page held in memory only: the packer works on the bound page's list.
void usePage(std::vector<AtlasRect> rects, int32_t side = 1024) {
    atlasSize = side;
    atlasPages = {std::move(rects)};
    boundAtlasPage = 0;
}

bool overlaps(const AtlasRect& a, const AtlasRect& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&
           b.y < a.y + a.height;
}

TEST(AtlasPacker, BestFitTakesLeastWasteAndKeepsTheEarlierOnTies) {
    usePage({freeRect(100, 100),
             freeRect(40, 40),
             {40, 40, 0, 0, "taken.tga"},
             freeRect(40, 40),
             freeRect(50, 50)});
    EXPECT_EQ(findAtlasSpace(30, 30), 1);
    EXPECT_EQ(findAtlasSpace(45, 45), 4);
    EXPECT_EQ(findAtlasSpace(101, 10), -1);
    EXPECT_EQ(findAtlasSpace(10, 101), -1);
}

TEST(AtlasPacker, AnExactFitWinsOverAnEarlierFit) {
    usePage({freeRect(64, 64), freeRect(64, 32), freeRect(32, 32), freeRect(32, 32)});
    EXPECT_EQ(findAtlasSpace(32, 32), 2) << "the first exact fit, though rect 0 and 1 fit too";
    atlasPages[0][2].name = "used.tga";
    EXPECT_EQ(findAtlasSpace(32, 32), 3);
}

TEST(AtlasPacker, WideImageSplitsFullWidthBelowThenRightAtImageHeight) {
    usePage({freeRect(100, 80, 10, 5)});
    float x = -1, y = -1;
    placeInAtlas(0, 30, 20, "wide.tga", &x, &y);
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, 5);
    const std::vector<AtlasRect>& rects = atlasPages[0];
    ASSERT_EQ(rects.size(), 3u);
    EXPECT_EQ(rects[0].x, 40);  // B, to the right, as high as the image
    EXPECT_EQ(rects[0].y, 5);
    EXPECT_EQ(rects[0].width, 70);
    EXPECT_EQ(rects[0].height, 20);
    EXPECT_EQ(rects[1].x, 10);  // A, below, the full width
    EXPECT_EQ(rects[1].y, 25);
    EXPECT_EQ(rects[1].width, 100);
    EXPECT_EQ(rects[1].height, 60);
    EXPECT_EQ(rects[2].name, "wide.tga");
    EXPECT_EQ(rects[2].width, 30);
}

TEST(AtlasPacker, PackedImagesStayInsideThePageAndNeverOverlap) {
    usePage({freeRect(256, 256)}, 256);
    const float sizes[][2] = {{64, 32}, {16, 100}, {50, 50}, {128, 20}, {7, 9},  {33, 64},
                              {64, 64}, {90, 12},  {5, 5},   {40, 70},  {16, 16}};
    int placed = 0;
    for (const auto& size : sizes) {
        int k = findAtlasSpace(size[0], size[1]);
        if (k < 0) continue;
        float x, y;
        placeInAtlas(k, size[0], size[1], "img" + std::to_string(placed++), &x, &y);
    }
    EXPECT_GE(placed, 10);
    std::vector<AtlasRect> used;
    for (const AtlasRect& rect : atlasPages[0])
        if (!rect.name.empty()) used.push_back(rect);
    for (size_t i = 0; i < used.size(); i++) {
        EXPECT_LE(used[i].x + used[i].width, 256);
        EXPECT_LE(used[i].y + used[i].height, 256);
        for (size_t j = i + 1; j < used.size(); j++)
            EXPECT_FALSE(overlaps(used[i], used[j])) << used[i].name << " " << used[j].name;
    }
}

TEST(BackgroundName, FollowsLevelModeAndScreen) {
    struct Case {
        int32_t state, mode, level;
        const char* name;
    };
    const Case cases[] = {
        {Menu, ModeRush, 7, "background1.tga"},
        {Game, ModeNormal, 0, "background1.tga"},
        {Game, ModeSurvival, 0, "background9.tga"},
        {Game, ModeMeditation, 0, "background10.tga"},
        {Game, ModeNormal, 1, "background2.tga"},
        {GameToMenu, ModeNormal, 4, "background5.tga"},
        {Game, ModeRush, 4, "background5.tga"},
        {Game, ModeRush, 12, "background6.tga"},
        {Game, ModeCasual, 7, "background8.tga"},
        {GameToGrats, ModeCasual, 9, "background10.tga"},
        {GameToGrats, ModeRush, 12, ""},
        {Game, ModeSurvival, 1, "background9.tga"},
    };
    for (const Case& c : cases) {
        GameState = c.state;
        modeState.gameMode = c.mode;
        modeState.levelIndex = c.level;
        EXPECT_EQ(backgroundTextureName(currentStateHas(GameBackground)), c.name)
            << "state " << c.state << " mode " << c.mode << " level " << c.level;
    }
    GameState = Intro;
    modeState.levelIndex = 0;
}

// ---- with a GL context ----

class AtlasPages : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_GL();
        startLogCapture();
        assetIndex.clear();
        resetTextures(256);
    }
    void TearDown() override { deleteTextures(); }
};

TEST_F(AtlasPages, AFullPageMakesANewOne) {
    float x, y;
    EXPECT_EQ(allocateAtlasSpace(200, 200, "one", &x, &y), 0);
    EXPECT_EQ(allocateAtlasSpace(200, 200, "two", &x, &y), 1);
    EXPECT_EQ(atlasPages.size(), 2u);
    EXPECT_TRUE(logHas("creating atlas 1"));
    EXPECT_TRUE(logHas("flushing atlas 1 @ 256 texels"));
    EXPECT_EQ(allocateAtlasSpace(300, 10, "huge", &x, &y), -1) << "wider than any page";
    EXPECT_EQ(atlasPages.size(), 3u) << "one new page is tried, then it gives up";
}

TEST_F(AtlasPages, APageTheGLCannotHoldIsHalvedUntilItFits) {
    atlasSize = 1024;
    maxTextureSize = 256;
    createAtlasPage();
    EXPECT_EQ(atlasSize, 256);
    EXPECT_TRUE(smallTextures);
    std::vector<std::string> expected = {
        "creating atlas 0", "setting up anisotropy", "flushing atlas 0 @ 1024 texels",
        "flushing atlas 0 @ 512 texels", "flushing atlas 0 @ 256 texels"};
    std::vector<std::string> lines = capturedLog();
    lines.resize(std::min(lines.size(), expected.size()));
    EXPECT_EQ(lines, expected);
    ASSERT_EQ(atlasPages[0].size(), 1u);
    EXPECT_EQ(atlasPages[0][0].width, 256) << "the flushed page is one free rectangle";
}

TEST_F(AtlasPages, ActivatingLoadsTheMappingOnlyWhenTheChunkChanges) {
    createAtlasPage();
    textureList = {{"a.tga", 0, 34, 66, 10, 20, 0}};
    activateAtlasChunk(0);
    float m[16];
    glGetFloatv(GL_TEXTURE_MATRIX, m);
    EXPECT_FLOAT_EQ(m[0], 32.0f / 256);
    EXPECT_FLOAT_EQ(m[5], 64.0f / 256);
    EXPECT_FLOAT_EQ(m[12], 11.0f / 256);
    EXPECT_FLOAT_EQ(m[13], 21.0f / 256);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    activateAtlasChunk(0);
    activateAtlasChunk(textureNotLoaded);
    activateAtlasChunk(1);
    glGetFloatv(GL_TEXTURE_MATRIX, m);
    EXPECT_FLOAT_EQ(m[0], 1.0f) << "same chunk again, -99 and past the end change nothing";
}

// ---- streaming over a small archive ----

class Streaming : public AtlasPages {
  protected:
    void SetUp() override {
        AtlasPages::SetUp();
        if (IsSkipped()) return;
        noDialogs = true;
        hasBGRA = true;
    }
    void TearDown() override {
        closeAssetArchive();
        AtlasPages::TearDown();
    }
    void openArchive(const std::vector<Asset>& assets, const std::string& header = "test") {
        // Page 0 first: its flush builds the fonts, and these archives hold none.
        createAtlasPage();
        assetArchivePath = tempDir() + "/assets.ass";
        writeArchive(assetArchivePath, assets, header);
        openAssetArchive();
        startLogCapture();
    }
    // Runs frames until the queue is empty; gives the frame count.
    int streamAll(float dtMs = 16) {
        int frames = 0;
        while (!textureQueue.empty() && frames < 1000) {
            updateStreamingTextures(dtMs);
            frames++;
        }
        return frames;
    }
    // The texel of page `page` at (x, y) as RGBA.
    Rgba texel(int page, int x, int y) {
        std::vector<unsigned char> pixels(atlasSize * atlasSize * 4);
        glBindTexture(GL_TEXTURE_2D, atlasPageTextures[page]);
        boundAtlasPage = page;
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        const unsigned char* p = &pixels[(y * atlasSize + x) * 4];
        return {p[0], p[1], p[2], p[3]};
    }
};

TEST_F(Streaming, ServesRequestsInOrderOnceEach) {
    openArchive({{"textures\\a.tga", makeTga(4, 4, 32, 255, 0, 0)},
                 {"textures\\b.tga", makeTga(3, 2, 24, 0, 0, 255)}});
    EXPECT_EQ(getTexture("a.tga"), textureNotLoaded);
    EXPECT_EQ(getTexture("b.tga"), textureNotLoaded);
    EXPECT_EQ(getTexture("a.tga"), textureNotLoaded);
    EXPECT_EQ(textureQueue.size(), 2u) << "a queued name is not queued twice";
    while (textureQueue.size() == 2) updateStreamingTextures(16);
    ASSERT_EQ(textureList.size(), 1u);
    EXPECT_EQ(textureList[0].name, "a.tga");
    // b starts where a ended: no seek step, so exactly four frames.
    EXPECT_EQ(streamAll(), 4);
    EXPECT_EQ(getTexture("b.tga"), 1);
    EXPECT_EQ(textureList[1].width, 3);
    EXPECT_TRUE(logHas("3 channel")) << "b is a 24-bit image";
}

TEST_F(Streaming, UploadsColoursRightWithAndWithoutBgra) {
    openArchive({{"textures\\red.tga", makeTga(4, 4, 32, 250, 10, 0)},
                 {"textures\\green.tga", makeTga(4, 4, 24, 0, 240, 20)}});
    getTexture("red.tga");
    streamAll();
    hasBGRA = false;
    getTexture("green.tga");
    streamAll();
    ASSERT_EQ(textureList.size(), 2u);
    Rgba red = texel(0, static_cast<int>(textureList[0].atlasX) + 1,
                     static_cast<int>(textureList[0].atlasY) + 1);
    EXPECT_EQ(red.r, 250);
    EXPECT_EQ(red.g, 10);
    EXPECT_EQ(red.b, 0);
    Rgba green = texel(0, static_cast<int>(textureList[1].atlasX) + 2,
                       static_cast<int>(textureList[1].atlasY) + 2);
    EXPECT_EQ(green.r, 0);
    EXPECT_EQ(green.g, 240);
    EXPECT_EQ(green.b, 20);
}

TEST_F(Streaming, SeeksForwardInGrowingStepsAndRewindsForAnEarlierImage) {
    // A long header text puts the images far into the stream.
    openArchive(
        {{"textures\\early.tga", makeTga(2, 2, 32)}, {"textures\\late.tga", makeTga(2, 2, 32)}},
        std::string(5000, 'h'));
    getTexture("late.tga");
    streamAll();
    EXPECT_GT(seekStep, 1);
    getTexture("early.tga");
    streamAll();
    EXPECT_TRUE(logHas("rewinding seek"));
    EXPECT_EQ(getTexture("early.tga"), 1);
    EXPECT_EQ(getTexture("late.tga"), 0);
}

TEST_F(Streaming, AMissingImageIsDroppedAndQueuedAgainWhenAskedFor) {
    openArchive({{"textures\\here.tga", makeTga(2, 2, 32)}});
    getTexture("gone.tga");
    getTexture("here.tga");
    updateStreamingTextures(16);
    EXPECT_TRUE(logHas("WARNING: texture textures\\gone.tga not found!"));
    EXPECT_TRUE(logHas("file failed"));
    EXPECT_EQ(textureQueue.front(), "here.tga");
    streamAll();
    EXPECT_EQ(getTexture("gone.tga"), textureNotLoaded);
    EXPECT_EQ(textureQueue.size(), 1u);
}

TEST_F(Streaming, WrongDepthCompressedAndDamagedImagesAreRejectedAndTheNextLoads) {
    std::string shortPixels = makeTga(16, 16, 32);
    shortPixels.resize(100);
    std::string huge = makeTga(2, 2, 32);
    huge[12] = huge[13] = '\xff';  // claims 65535 x 65535
    openArchive({{"textures\\sixteen.tga", makeTga(4, 4, 16)},
                 {"textures\\rle.tga", makeTga(4, 4, 32, 0, 0, 0, 10)},
                 {"textures\\short.tga", shortPixels},
                 {"textures\\huge.tga", huge},
                 {"textures\\good.tga", makeTga(4, 4, 32)},
                 {"textures\\cut.tga", makeTga(2, 2, 32).substr(0, 10)}});
    for (const char* name : {"sixteen.tga", "rle.tga", "short.tga", "huge.tga", "cut.tga"})
        getTexture(name);
    getTexture("good.tga");
    streamAll();
    EXPECT_TRUE(logHas("rejected 16bit file"));
    EXPECT_TRUE(logHas("Error: Unable to load file sixteen.tga"));
    EXPECT_TRUE(logHas("Error: Unable to load file rle.tga"));
    EXPECT_TRUE(logHas("texture short.tga is truncated"));
    EXPECT_TRUE(logHas("texture huge.tga is larger than the atlas"));
    EXPECT_TRUE(logHas("texture cut.tga is truncated"));
    ASSERT_EQ(textureList.size(), 1u);
    EXPECT_EQ(textureList[0].name, "good.tga");
}

// Drawn every frame, an image wider than the atlas is read and refused once,
// not dropped and queued again each frame, and the queue behind it moves on.
TEST_F(Streaming, AnImageTooLargeForTheAtlasIsRefusedOnceAndNeverQueuedAgain) {
    openArchive({{"textures\\wide.tga", makeTga(atlasSize + 1, 2, 32)},
                 {"textures\\good.tga", makeTga(4, 4, 32)}});
    for (int frame = 0; frame < 40; frame++) {
        getTexture("wide.tga");
        getTexture("good.tga");
        updateStreamingTextures(16);
    }
    std::vector<std::string> lines = capturedLog();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "streaming textures\\wide.tga"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "texture wide.tga is larger than the atlas"),
              1);
    EXPECT_TRUE(textureQueue.empty());
    EXPECT_NE(getTexture("good.tga"), textureNotLoaded);
    deleteTextures();
    getTexture("wide.tga");
    EXPECT_EQ(textureQueue.back(), "wide.tga") << "a rebuilt atlas may be large enough";
}

TEST_F(Streaming, AnArchiveThatEndsEarlyNeverStallsTheQueue) {
    std::string image = makeTga(32, 32, 32);
    uint32_t noise = 12345;
    for (size_t i = 18; i < image.size(); i++) {
        noise = noise * 1103515245u + 12345u;
        image[i] = static_cast<char>(noise >> 24);
    }
    openArchive({{"textures\\last.tga", image}});
    // Cut the compressed file: the index still promises all the pixels.
    closeAssetArchive();
    std::string bytes = readWholeFile(assetArchivePath);
    std::ofstream(assetArchivePath, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size() - 1000));
    openAssetArchive();
    getTexture("last.tga");
    EXPECT_LT(streamAll(), 1000);
    EXPECT_TRUE(textureList.empty());
    EXPECT_TRUE(logHas("texture last.tga is truncated"));
}

TEST_F(Streaming, SmallTexturesComeFromTheirOwnFolder) {
    openArchive({{"textures\\small\\tiny.tga", makeTga(2, 2, 32)}});
    smallTextures = true;
    getTexture("tiny.tga");
    streamAll();
    EXPECT_TRUE(logHas("streaming textures\\small\\tiny.tga"));
    EXPECT_EQ(getTexture("tiny.tga"), 0);
}

TEST_F(Streaming, ANewBackgroundTakesTheOldOnesPlace) {
    openArchive({{"textures\\background1.tga", makeTga(32, 16, 24)},
                 {"textures\\other.tga", makeTga(8, 8, 24)},
                 {"textures\\background2.tga", makeTga(32, 16, 24)}});
    for (const char* name : {"background1.tga", "other.tga", "background2.tga"}) getTexture(name);
    streamAll();
    ASSERT_EQ(textureList.size(), 2u);
    EXPECT_EQ(textureList[0].name, "other.tga");
    EXPECT_EQ(textureList[1].name, "background2.tga");
    EXPECT_EQ(textureList[1].atlasX, 0);
    EXPECT_EQ(textureList[1].atlasY, 0);
    EXPECT_EQ(getTexture("background1.tga"), textureNotLoaded);
    int named = 0;
    for (const AtlasRect& rect : atlasPages[0]) named += rect.name == "background2.tga";
    EXPECT_EQ(named, 1);
}

// A background larger than the one whose place it would take is put in a
// place of its own: its neighbours in the atlas keep their pixels.
TEST_F(Streaming, ALargerBackgroundIsPlacedApartAndLeavesItsNeighboursAlone) {
    openArchive({{"textures\\background1.tga", makeTga(32, 16, 24, 0, 0, 255)},
                 {"textures\\other.tga", makeTga(8, 8, 24, 0, 255, 0)},
                 {"textures\\background2.tga", makeTga(64, 64, 24, 255, 0, 0)}});
    for (const char* name : {"background1.tga", "other.tga", "background2.tga"}) getTexture(name);
    streamAll();
    EXPECT_TRUE(
        logHas("texture background2.tga is larger than background1.tga, whose place it "
               "would take; placed apart"));
    ASSERT_EQ(textureList.size(), 3u);
    const TextureRecord& other = textureList[1];
    const TextureRecord& second = textureList[2];
    EXPECT_EQ(second.name, "background2.tga");
    bool apart = second.atlasX >= other.atlasX + other.width ||
                 second.atlasY >= other.atlasY + other.height ||
                 other.atlasX >= second.atlasX + second.width ||
                 other.atlasY >= second.atlasY + second.height;
    EXPECT_TRUE(apart);
    Rgba green =
        texel(other.page, static_cast<int>(other.atlasX) + 4, static_cast<int>(other.atlasY) + 4);
    EXPECT_EQ(green.g, 255) << "the neighbour keeps its pixels";
    EXPECT_EQ(green.r, 0);
}

// An inflate error leaves a zlib handle stuck for good: the streamer says
// what happened, refuses that image, reopens the archive and goes on.
TEST_F(Streaming, AnInflateErrorIsReportedAndTheStreamerGoesOnWithAFreshHandle) {
    // Four byte values at random: Huffman-coded blocks, which damage breaks;
    // large enough that zlib's read-ahead for the index stops short of it.
    std::string image = makeTga(atlasSize, atlasSize, 32);
    uint32_t noise = 99;
    for (size_t i = 18; i < image.size(); i++) {
        noise = noise * 1103515245u + 12345u;
        image[i] = static_cast<char>(64 * (noise >> 30));
    }
    openArchive({{"textures\\early.tga", makeTga(2, 2, 32)}, {"textures\\noisy.tga", image}});
    closeAssetArchive();
    std::string bytes = readWholeFile(assetArchivePath);
    // Damage the deflate data in the last part of the noisy image.
    for (size_t i = bytes.size() * 3 / 4; i < bytes.size() - 100; i++) bytes[i] ^= 0x5a;
    std::ofstream(assetArchivePath, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    openAssetArchive();
    getTexture("noisy.tga");
    EXPECT_LT(streamAll(), 1000);
    EXPECT_EQ(getTexture("noisy.tga"), textureNotLoaded);
    std::vector<std::string> lines = capturedLog();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.rfind("texture noisy.tga: the archive ", 0) == 0 &&
               line.find(" cannot be inflated (") != std::string::npos;
    }));
    EXPECT_FALSE(logHas("texture noisy.tga lies past the end of the archive"));
    // The streamer is not stuck: an image before the damage still loads.
    getTexture("early.tga");
    EXPECT_LT(streamAll(), 1000);
    EXPECT_NE(getTexture("early.tga"), textureNotLoaded);
}

TEST_F(Streaming, ArrivedTexturesFadeInOver250Ms) {
    openArchive({{"textures\\fade.tga", makeTga(2, 2, 32)}});
    getTexture("fade.tga");
    streamAll(16);
    EXPECT_EQ(textureFade(0), 0.0f);
    updateStreamingTextures(100);
    EXPECT_FLOAT_EQ(textureFade(0), 0.4f);
    updateStreamingTextures(200);
    updateStreamingTextures(200);
    EXPECT_FLOAT_EQ(textureList[0].loadAge, 300.0f) << "stops growing once past 250";
    EXPECT_EQ(textureFade(0), 1.0f);
}

TEST_F(Streaming, ReloadRebuildsTheAtlasAtTheNewSize) {
    // No archive: the fonts that page 0's flush builds stay empty and take no room.
    ScreenWidth = 64;
    ScreenHeight = 32;
    atlasSize = 512;
    reloadTextures();
    EXPECT_EQ(textureList.size(), 1u);
    EXPECT_EQ(textureList[0].name, "motionblur");
    EXPECT_EQ(textureList[0].width, 64);
    EXPECT_EQ(textureQueue.front(), "briskogames.tga");
    EXPECT_EQ(textureQueue.size(), std::size(preloadTextureNames));
    EXPECT_EQ(atlasPages[0][0].width, 512 - 64) << "page 0 was flushed at 512 texels";
}

}  // namespace
