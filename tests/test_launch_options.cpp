// The command-line options for tests and development, and script files.
#include <gtest/gtest.h>

#include <vector>

#include "base/game_state.h"
#include "shell/launch_options.h"

namespace {

bool parse(std::vector<const char*> words, LaunchOptions& options, std::string& error) {
    words.insert(words.begin(), "zentrix");
    return parseLaunchOptions(static_cast<int>(words.size()), const_cast<char**>(words.data()),
                              options, error);
}

TEST(LaunchOptions, AllOptionsParse) {
    LaunchOptions options;
    std::string error;
    ASSERT_TRUE(parse(
        {"--windowed", "1280x720", "--config-dir", "/tmp/c", "--server",
         "http://h/secure.php?data=", "--offline", "--seed", "42", "--fixed-step", "16", "--frames",
         "90", "--script", "s.txt", "--start", "expert:3", "--autoplay", "--no-dialogs"},
        options, error))
        << error;
    EXPECT_EQ(options.windowedWidth, 1280);
    EXPECT_EQ(options.windowedHeight, 720);
    EXPECT_EQ(options.configDir, "/tmp/c");
    EXPECT_EQ(options.serverUrl, "http://h/secure.php?data=");
    EXPECT_TRUE(options.offline);
    EXPECT_TRUE(options.hasSeed);
    EXPECT_EQ(options.seed, 42u);
    EXPECT_EQ(options.fixedStepMs, 16.0f);
    EXPECT_EQ(options.frameLimit, 90);
    EXPECT_EQ(options.scriptPath, "s.txt");
    EXPECT_EQ(options.startMode, "expert:3");
    EXPECT_TRUE(options.autoplay);
    EXPECT_TRUE(options.noDialogs);
}

TEST(LaunchOptions, MalformedValuesAreRefusedWithAMessage) {
    std::vector<std::vector<const char*>> bad = {
        {"--windowed", "1280"}, {"--windowed", "0x0"}, {"--windowed", "12ax7"},
        {"--seed", "-3"},       {"--frames", "ten"},   {"--fixed-step", "0"},
        {"--start", "arcade"},  {"--bogus"},           {"--frames"},
    };
    for (const auto& words : bad) {
        LaunchOptions options;
        std::string error;
        EXPECT_FALSE(parse(words, options, error)) << words[0];
        EXPECT_FALSE(error.empty()) << words[0];
    }
}

// A window from 64 to 16384 pixels a side and a fixed step from 1 to 999 ms
// a frame; one beyond either end is refused.
TEST(LaunchOptions, ValuesAtTheirLimits) {
    const struct {
        const char* option;
        const char* value;
        bool taken;
    } cases[] = {{"--windowed", "64x64", true},      {"--windowed", "63x64", false},
                 {"--windowed", "64x63", false},     {"--windowed", "16384x16384", true},
                 {"--windowed", "16385x720", false}, {"--windowed", "1280x16385", false},
                 {"--fixed-step", "1", true},        {"--fixed-step", "999", true},
                 {"--fixed-step", "0", false},       {"--fixed-step", "1000", false}};
    for (const auto& c : cases) {
        LaunchOptions options;
        std::string error;
        EXPECT_EQ(parse({c.option, c.value}, options, error), c.taken)
            << c.option << " " << c.value;
    }
}

TEST(Script, ParsesEveryCommandAndReportsBadLines) {
    std::string error;
    auto commands = parseScript(
        "# a comment\n"
        "10 move 100 200\n"
        "11 ldown\n12 lup\n13 rdown\n14 rup\n"
        "15 key escape\n16 wheel -2\n20 shot out.png\r\n"
        "\n"
        "21 fly away\n"
        "22 key nosuchkey\n"
        "30 quit\n",
        error);
    ASSERT_EQ(commands.size(), 9u);
    EXPECT_EQ(commands[0].action, "move");
    EXPECT_EQ(commands[0].x, 100);
    EXPECT_EQ(commands[0].y, 200);
    EXPECT_EQ(commands[5].argument, "escape");
    EXPECT_EQ(commands[6].amount, -2);
    EXPECT_EQ(commands[7].argument, "out.png");
    EXPECT_EQ(commands[8].frame, 30);
    EXPECT_NE(error.find("line 11"), std::string::npos) << error;
    EXPECT_NE(error.find("line 12"), std::string::npos) << error;
}

TEST(Script, AnchoredLinesCountFromTheKthEntryIntoAState) {
    std::string error;
    auto commands = parseScript(
        "ScoreScreen+40 shot a.png\n"
        "Menu#2+30 ldown\n"
        "Menu+5 lup\n"
        "Nowhere+3 lup\n"
        "Menu#0+1 lup\n"
        "Menu+x lup\n",
        error);
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_NE(error.find("line 4"), std::string::npos) << "an unknown state";
    EXPECT_NE(error.find("line 5"), std::string::npos) << "entries count from 1";
    EXPECT_NE(error.find("line 6"), std::string::npos);
    EXPECT_EQ(commands[1].anchor, "Menu");
    EXPECT_EQ(commands[1].anchorEntry, 2);

    resetScriptStateEntries();
    int32_t saved = GameState;
    GameState = Menu;
    noteScriptStateEntry(100);
    noteScriptStateEntry(101);
    GameState = Game;
    noteScriptStateEntry(150);
    EXPECT_EQ(scriptCommandFrame(commands[1]), -1) << "Menu entered once so far";
    GameState = Menu;
    noteScriptStateEntry(200);
    EXPECT_EQ(scriptCommandFrame(commands[1]), 230);
    EXPECT_EQ(scriptCommandFrame(commands[2]), 105) << "the first entry by default";
    EXPECT_EQ(scriptCommandFrame(commands[0]), -1);
    resetScriptStateEntries();
    GameState = saved;
}

}  // namespace
