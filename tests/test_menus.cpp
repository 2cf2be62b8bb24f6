// The menus' rules without drawing: the options rows, the tutorial triggers
// of the menus and the card's one-second click rule, the pause overlay's
// panel precedence and Esc under a card, the news wrap and the session hash.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <regex>

#include "engine/gl_caps.h"
#include "engine/text_wrap.h"
#include "game_test_support.h"
#include "platform/input_state.h"
#include "platform/settings_store.h"
#include "protocol/encodings.h"
#include "screens/difficulty.h"
#include "screens/gametype.h"
#include "screens/level_select.h"
#include "screens/menu.h"
#include "screens/options.h"
#include "screens/pause.h"
#include "shell/input.h"
#include "sound/sound.h"
#include "tests/temp_folder.h"

namespace {

class MenuRules : public ::testing::Test {
  protected:
    void SetUp() override {
        settingsDirOverride = tempDir() + "/menus";
        gametest::resetWorld();
        displayModes = {{800, 600}, {1280, 720}, {1920, 1080}};
        optionsFromGame = restartNeeded = resetTutorialsChosen = false;
        resetQuestion = serverLink.connectionPrompt = serverLink.offlineWarning =
            serverLink.promptConnected = false;
        GameState = Options;
        ScreenWidth = 1280;
        ScreenHeight = 720;
    }
    void TearDown() override {
        gametest::restoreWorld();
        settingsDirOverride.clear();
    }
};

TEST_F(MenuRules, QualityAndVolumesClampAndMouseButtonsWrap) {
    VisualQuality = 1;
    changeOption(OptionQuality, -1);
    EXPECT_EQ(optionValueText(OptionQuality), "Low");
    VisualQuality = 4;
    changeOption(OptionQuality, 1);
    EXPECT_EQ(optionValueText(OptionQuality), "Ultra");
    MusicVol = 10;
    changeOption(OptionMusicVol, 1);
    EXPECT_EQ(MusicVol, 10);
    SoundVol = 0;
    changeOption(OptionSoundVol, -1);
    EXPECT_EQ(SoundVol, 0);
    controls = 2;
    changeOption(OptionMouseButtons, 1);
    EXPECT_EQ(optionValueText(OptionMouseButtons), "Normal");
    changeOption(OptionMouseButtons, -1);
    EXPECT_EQ(optionValueText(OptionMouseButtons), "Single");
}

TEST_F(MenuRules, RestartNeededStaysAfterBackAndBackReloadsTheSettings) {
    resolutionIndex = 1;
    saveSettings();
    changeOption(OptionResolution, 1);
    EXPECT_TRUE(restartNeeded);
    leaveOptionsUnsaved();
    EXPECT_EQ(GameState, OptionsToMenu);
    EXPECT_EQ(resolutionIndex, 1);
    EXPECT_TRUE(restartNeeded);
    GameState = Options;
    changeOption(OptionMusicVol, -1);
    saveOptions();
    EXPECT_EQ(GameState, OptionsToRestart);
}

TEST_F(MenuRules, MasterVolumeScalesEverythingAndTheMuteKeySilencesIt) {
    Muted = 0;
    struct Case {
        float master;
        int32_t muted;
        float gain;
    } cases[] = {{10, 0, 1.0f}, {5, 0, 0.5f}, {0, 0, 0.0f}, {10, 1, 0.0f}, {99, 0, 1.0f}};
    for (const Case& c : cases) {
        MasterVol = c.master;
        Muted = c.muted;
        EXPECT_FLOAT_EQ(masterGain(), c.gain) << c.master << " muted " << c.muted;
    }
    MasterVol = 10;
    Muted = 0;
    changeOption(OptionMasterVol, 1);
    EXPECT_EQ(MasterVol, 10) << "clamped at the top";
    changeOption(OptionMasterVol, -1);
    EXPECT_EQ(optionValueText(OptionMasterVol), "9");
    onKeyDown(muteKey);
    EXPECT_EQ(Muted, 1);
    EXPECT_EQ(optionValueText(OptionMasterVol), "Muted (M)");
    changeOption(OptionMasterVol, 1);
    EXPECT_EQ(Muted, 0) << "turning the master volume unmutes";
    EXPECT_EQ(MasterVol, 10);
}

TEST_F(MenuRules, TheMuteKeyIsSavedButTypesIntoATextField) {
    Muted = 0;
    GameState = Menu;
    onKeyDown(muteKey);
    EXPECT_EQ(Muted, 1);
    std::map<std::string, std::string> stored;
    ASSERT_TRUE(readSettingsStore(stored));
    EXPECT_EQ(stored["Mute"], "1") << "saved at once outside the options";
    GameState = CreateAcc;
    loginStep = nameStep;
    Username = "Ada";
    onKeyDown(muteKey);
    EXPECT_EQ(Muted, 1) << "a name may hold an M";
    ASSERT_EQ(Username.size(), 4u);
    EXPECT_EQ(std::tolower(Username.back()), 'm');
    // On the options screen Back keeps the mute though it reloads the settings.
    GameState = Options;
    onKeyDown(muteKey);
    EXPECT_EQ(Muted, 0);
    leaveOptionsUnsaved();
    EXPECT_EQ(Muted, 0);
}

TEST_F(MenuRules, ResolutionWrapsAtBothEnds) {
    resolutionIndex = 2;
    changeOption(OptionResolution, 1);
    EXPECT_EQ(resolutionIndex, 0);
    changeOption(OptionResolution, -1);
    EXPECT_EQ(optionValueText(OptionResolution), "1920x1080");
}

TEST_F(MenuRules, FromThePauseScreenTheFirstFourRowsAreRefused) {
    optionsFromGame = true;
    int32_t quality = VisualQuality, fullscreen = Fullscreen, vsync = VSync,
            index = resolutionIndex;
    for (int32_t item : {OptionResolution, OptionFullscreen, OptionQuality, OptionVSync})
        EXPECT_FALSE(changeOption(item, 1));
    EXPECT_EQ(VisualQuality, quality);
    EXPECT_EQ(Fullscreen, fullscreen);
    EXPECT_EQ(VSync, vsync);
    EXPECT_EQ(resolutionIndex, index);
    EXPECT_FALSE(restartNeeded);
    EXPECT_TRUE(changeOption(OptionColorblind, 1));
    saveOptions();
    EXPECT_EQ(GameState, OptionsToGame);
}

TEST_F(MenuRules, ChoosingADifficultyRaisesTheControlsCardOnceAndSavesAtOnce) {
    TuteControl = 0;
    GameState = Difficulty;
    clickDifficulty(ModeCasual);
    EXPECT_TRUE(play.tutorialShowing && play.paused && tutorialCards.showing[CardControl]);
    EXPECT_EQ(TuteControl, 1);
    EXPECT_EQ(GameState, DifficultyToClassicModeSelect);
    TuteControl = 0;
    loadSettings();
    EXPECT_EQ(TuteControl, 1);
}

TEST_F(MenuRules, APracticeLevelAfterTheControlsCardAsksAboutTheTutorials) {
    TuteControl = 1;
    GameState = LevelSelect;
    clickLevelSelect(13);
    EXPECT_TRUE(resetQuestion);
    EXPECT_TRUE(play.paused);
    EXPECT_EQ(modeState.levelIndex, 2);
    EXPECT_EQ(shownPausePanel(), PanelResetQuestion);
}

TEST_F(MenuRules, RushChosenFirstStartsPausedUnderItsCard) {
    TuteRush = 0;
    GameState = Gametype;
    clickGametype(4);
    EXPECT_EQ(modeState.gameMode, ModeRush);
    EXPECT_TRUE(tutorialCards.showing[CardRush] && play.paused);
    EXPECT_EQ(TuteRush, 1);
    EXPECT_EQ(GameState, GametypeToGame);
}

// A new game's session hash: the date and time, then the digest of a number below 99999.
TEST_F(MenuRules, SessionHashIsFourteenDigitsAndAnMd5) {
    GameState = Gametype;
    clickGametype(6);
    ASSERT_TRUE(std::regex_match(serverLink.sessionhash, std::regex("20[0-9]{12}[0-9a-f]{32}")));
    bool found = false;
    for (int number = 0; number < 99999 && !found; number++)
        found = md5Hex(std::to_string(number)) == serverLink.sessionhash.substr(14);
    EXPECT_TRUE(found) << serverLink.sessionhash;
}

TEST_F(MenuRules, ACardIgnoresClicksInItsFirstSecond) {
    TuteColor = 0;
    showTutorialCard(CardColour);
    leftDown = true;
    updateTutorialCard(500);
    EXPECT_TRUE(play.tutorialShowing);
    updateTutorialCard(501);
    EXPECT_FALSE(play.tutorialShowing);
    EXPECT_FALSE(play.paused);
}

TEST_F(MenuRules, PanelsShowCardThenQuestionThenPromptThenMenu) {
    play.paused = true;
    EXPECT_EQ(shownPausePanel(), PanelMenu);
    serverLink.connectionPrompt = true;
    EXPECT_EQ(shownPausePanel(), PanelConnection);
    resetQuestion = true;
    EXPECT_EQ(shownPausePanel(), PanelResetQuestion);
    play.tutorialShowing = true;
    EXPECT_EQ(shownPausePanel(), PanelCard);
}

TEST_F(MenuRules, EscDoesNothingUnderACardAndPausesAfterIt) {
    GameState = Game;
    TuteColor = 0;
    showTutorialCard(CardColour);
    platformHoldKeyForFrame(vk::Escape);
    gametest::runFrames(1);
    platformReleaseInjectedKeys();
    EXPECT_TRUE(play.paused);
    EXPECT_EQ(shownPausePanel(), PanelCard);
}

TEST_F(MenuRules, TheOfflineWarningsContinueGoesOffline) {
    serverLink.connectionMode = ConnectionOnline;
    serverLink.connectionPrompt = play.paused = true;
    clickPauseItem(PromptOffline);
    EXPECT_STREQ(connectionTitle(), "Offline!");
    clickPauseItem(PromptContinue);
    EXPECT_EQ(serverLink.connectionMode, ConnectionOffline);
    EXPECT_FALSE(serverLink.connectionPrompt || play.paused);
}

TEST(NewsWrap, LinesStayInsideThePanelAndEndAtLineFeeds) {
    FontData font = {};
    font.h = 20;
    for (float& advance : font.advances) advance = 10;  // getWidth is half: 5 per character
    // Panel 0.3 H = 216 at H 720, margin 0.022 H: lines close before 216 − 2 × 15.84.
    float width = 216, margin = 15.84f, limit = width - 2 * margin;
    std::string text = "The new season starts today with fresh levels\nand more";
    std::vector<std::string> lines = wrapText(text, font, 0.475f, width, margin);
    ASSERT_GE(lines.size(), 3u);
    for (const std::string& line : lines)
        EXPECT_LT(freetype::getWidth(font, line) * 2 * 0.475f, limit);
    EXPECT_EQ(lines.back(), "and more");
    // Greedy: the next word would have reached the limit.
    std::string joined = lines[0] + " " + lines[1].substr(0, lines[1].find(' '));
    EXPECT_GE(freetype::getWidth(font, joined) * 2 * 0.475f, limit);
    // At the edge: "aaa bbb" prints 35 wide at scale 0.5; half a pixel to
    // spare keeps it on one line, reaching the limit closes the line.
    using Lines = std::vector<std::string>;
    EXPECT_EQ(wrapText("aaa bbb", font, 0.5f, 35.5f, 0), Lines({"aaa bbb"}));
    EXPECT_EQ(wrapText("aaa bbb", font, 0.5f, 35.0f, 0), Lines({"aaa", "bbb"}));
}

}  // namespace
