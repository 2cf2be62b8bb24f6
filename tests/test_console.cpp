// The console log's history and file, the console commands and the word
// suggestions.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "base/console_log.h"
#include "base/profiler.h"
#include "engine/textures.h"
#include "graphics_test_support.h"
#include "settings/settings.h"
#include "shell/console.h"
#include "shell/main_loop.h"
#include "shell/window.h"
#include "tests/temp_folder.h"

namespace {

namespace fs = std::filesystem;

class ConsoleLogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        savedDirectory = logDirectory;
        directory = fs::path(tempDir()) /
                    ("console_log_" +
                     std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(directory);
        fs::create_directories(directory);
        logDirectory = directory.string();
        consoleHistory.clear();
    }
    void TearDown() override {
        logDirectory = savedDirectory;
        fs::remove_all(directory);
    }

    fs::path directory;
    std::string savedDirectory;
};

TEST_F(ConsoleLogTest, HistoryKeepsTwentyWhileFileKeepsEveryLine) {
    emptyLogFiles();
    std::string expected;
    for (int i = 1; i <= 25; ++i) {
        logConsole("line " + std::to_string(i));
        expected += "line " + std::to_string(i) + "\r\n";
    }
    ASSERT_EQ(consoleHistory.size(), 20u);
    EXPECT_EQ(consoleHistory.front(), "line 6");
    EXPECT_EQ(consoleHistory.back(), "line 25");
    EXPECT_EQ(readWholeFile(directory / "console.log"), expected);
}

TEST_F(ConsoleLogTest, EmptyingStartsFreshFiles) {
    logConsole("first run");
    emptyLogFiles();
    EXPECT_TRUE(fs::exists(directory / "trace.log"));
    EXPECT_EQ(fs::file_size(directory / "trace.log"), 0u);
    logConsole("second run");
    EXPECT_EQ(readWholeFile(directory / "console.log"), "second run\r\n");
    emptyConsoleLog();
    EXPECT_EQ(fs::file_size(directory / "console.log"), 0u);
}

TEST_F(ConsoleLogTest, UnwritableFolderStillFeedsHistory) {
    logDirectory = (directory / "missing" / "folder").string();
    logConsole("lost in the file");
    emptyLogFiles();
    ASSERT_EQ(consoleHistory.size(), 1u);
    EXPECT_EQ(consoleHistory.back(), "lost in the file");
    EXPECT_FALSE(fs::exists(directory / "missing"));
}

class ConsoleCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        savedAtlasSize = atlasSize;
        showAtlas = showCurlConsole = showFps = showParticleCount = false;
        profilingOn = false;
        MotionBlur = 1;
        particleDeg = 1.0f;
        smallTextures = false;
        buildConsoleWordTree();
    }
    void TearDown() override {
        atlasSize = savedAtlasSize;
        smallTextures = false;
        particleDeg = 1.0f;
        profilingOn = false;
    }
    int32_t savedAtlasSize = 0;
};

TEST_F(ConsoleCommandTest, SetNeedsExactlyThreeWords) {
    runConsoleCommand("set motionblur");
    EXPECT_EQ(MotionBlur, 1);
    runConsoleCommand("set motionblur 0 1");
    EXPECT_EQ(MotionBlur, 1);
    runConsoleCommand("set  motionblur   0");
    EXPECT_EQ(MotionBlur, 0);
    runConsoleCommand("set particledeg 3x");
    EXPECT_EQ(particleDeg, 3.0f) << "a number's prefix is read";
}

// The console's atlas size switches the half-size images on below 2048, as
// the driver's limit and a refused page do; a side that is no power of two
// is refused with a line in the log.
TEST_F(ConsoleCommandTest, AtlasSizeBelowTheLimitTakesSmallTextures) {
    struct Case {
        const char* line;
        int32_t atlas;
        bool small;
    };
    const Case cases[] = {
        {"set atlassize 2048", 2048, false},  {"set atlassize 1024", 1024, true},
        {"set atlassize 2047", 4096, false},  {"set atlassize 0", 4096, false},
        {"set atlassize -1024", 4096, false},
    };
    for (const Case& c : cases) {
        atlasSize = 4096;
        smallTextures = false;
        runConsoleCommand(c.line);
        EXPECT_EQ(atlasSize, c.atlas) << c.line;
        EXPECT_EQ(smallTextures, c.small) << c.line;
    }
    EXPECT_EQ(consoleHistory.back(), "atlassize must be a power of two, not -1024");
}

TEST_F(ConsoleCommandTest, ShowAndHideDebugSwitchThreeOverlays) {
    runConsoleCommand("show debug");
    EXPECT_TRUE(showFps && showParticleCount && profilingOn);
    EXPECT_FALSE(showAtlas || showCurlConsole);
    runConsoleCommand("hide debug");
    EXPECT_FALSE(showFps || showParticleCount || profilingOn);
}

// The console's atlas size takes effect when the textures are reloaded: the
// pages are then made at the new size.
TEST_F(ConsoleCommandTest, ReloadingTexturesRebuildsTheAtlasAtTheSetSize) {
    REQUIRE_GL();
    graphics_test::resetTextures(1024);
    ScreenWidth = 640;
    ScreenHeight = 360;
    runConsoleCommand("set atlassize 2048");
    runConsoleCommand("reload textures");
    ASSERT_FALSE(atlasPageTextures.empty()) << "the motion blur copy takes the first page";
    glBindTexture(GL_TEXTURE_2D, atlasPageTextures[0]);
    GLint width = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 2048);
    boundAtlasPage = -1;
    textureQueue.clear();
    deleteTextures();
}

std::vector<std::string> suggestionWords(const std::string& typed) {
    std::vector<std::string> words;
    for (const ConsoleWord* word : consoleSuggestions(typed)) words.push_back(word->word);
    return words;
}

using Words = std::vector<std::string>;

TEST_F(ConsoleCommandTest, SuggestionsFollowTheTypedWords) {
    EXPECT_EQ(suggestionWords(""), (Words{"set", "show", "hide", "flush", "reload", "config"}));
    EXPECT_EQ(suggestionWords("s"), (Words{"set", "show"}));
    EXPECT_EQ(suggestionWords("set "),
              (Words{"smalltextures", "motionblur", "atlassize", "particledeg"}));
    EXPECT_EQ(suggestionWords("hide p"), (Words{"particlecount", "profiling"}));
    EXPECT_EQ(suggestionWords("config load "), Words{});
    EXPECT_EQ(suggestionWords("bogus "), Words{});
    EXPECT_EQ(suggestionWords("show x"), Words{});
    ASSERT_EQ(consoleSuggestions("set at").size(), 1u);
    EXPECT_EQ(consoleSuggestions("set at")[0]->hint, "power of two [4096]");
}

}  // namespace
