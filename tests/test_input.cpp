// Button timing and counting, click routing, the wheel, typed characters,
// the account text fields and the console's key handling.
#include <gtest/gtest.h>

#include <string>

#include "base/game_state.h"
#include "game/modes.h"
#include "game/play.h"
#include "online/account.h"
#include "online/ranking.h"
#include "platform/input_state.h"
#include "platform/key_text.h"
#include "screens/account_fields.h"
#include "screens/achieves.h"
#include "screens/ranking.h"
#include "settings/settings.h"
#include "shell/console.h"
#include "shell/input.h"
#include "shell/state_table.h"

namespace {

constexpr int32_t capsLockKey = 0x14;
constexpr int32_t keypad1 = 0x61;

class InputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        GameState = Game;
        controls = 0;
        play.paused = play.tutorialShowing = false;
        play.playStarted = true;
        leftDown = rightDown = false;
        holdTime = rightHoldTime = 0;
        dragTime = 0.0f;
        modeState.actionCount = 0.0f;
        modeState.rotateCount = 0;
        hoverItem = 0;
        mouseX = mouseY = 0;
        loginStep = 1;
        emailText.clear();
        Username.clear();
        loginPassword.clear();
        retypedPassword.clear();
        ScreenHeight = 1000;
        consoleOpen = false;
        consoleLine.clear();
        lastConsoleLine.clear();
        selectRankingCategory(overallCategory);
        achievesPage = 1;
        achievesSlideResting = true;
        platformReleaseInjectedKeys();
    }
    void TearDown() override {
        consoleOpen = false;
        platformReleaseInjectedKeys();
    }

    // Presses and releases the left button with frames of 50 ms in between.
    void leftClickHeldFor(int32_t ms) {
        onLeftButtonDown();
        for (int32_t t = 0; t < ms; t += 50) updateHoldTimers(50.0f);
        onLeftButtonUp();
    }
    // Types a text of lower-case letters and digits.
    void type(const std::string& text) {
        for (char c : text) onKeyDown(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
};

TEST_F(InputTest, SingleButtonShortClickFiresOneBriefRightPress) {
    controls = 2;
    leftClickHeldFor(150);
    EXPECT_FALSE(leftDown);
    ASSERT_TRUE(rightDown);
    updateHoldTimers(100.0f);
    EXPECT_TRUE(rightDown);  // released only once the hold exceeds 100 ms
    updateHoldTimers(1.0f);
    EXPECT_FALSE(rightDown);
    updateHoldTimers(50.0f);
    EXPECT_FALSE(rightDown);
}

// The button that drags rotates on a release after a drag of more than 200 ms
// and counts an action; the other counts an action on every release.
TEST_F(InputTest, EachSchemeCountsItsDragsAndTheOtherButtonsReleases) {
    const struct {
        int32_t scheme;
        bool left;
        float dragMs, actions;
        int32_t rotations;
    } cases[] = {{0, true, 100, 0, 0}, {0, true, 250, 1, 1}, {0, false, 0, 1, 0},
                 {1, true, 0, 1, 0},   {1, false, 0, 0, 0},  {1, false, 250, 1, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.scheme) + (c.left ? " left " : " right ") +
                     std::to_string(c.dragMs));
        controls = c.scheme;
        modeState.actionCount = 0.0f;
        modeState.rotateCount = 0;
        dragTime = c.dragMs;
        c.left ? onLeftButtonUp() : onRightButtonUp();
        EXPECT_EQ(modeState.actionCount, c.actions);
        EXPECT_EQ(modeState.rotateCount, c.rotations);
    }
}

TEST_F(InputTest, NothingCountsBeforePlayOrUnderTutorial) {
    dragTime = 250.0f;
    play.playStarted = false;
    onLeftButtonUp();
    onRightButtonUp();
    play.playStarted = true;
    play.tutorialShowing = true;
    onLeftButtonUp();
    onRightButtonUp();
    EXPECT_EQ(modeState.actionCount, 0.0f);
    // The tutorial blocks the actions, not the rotations.
    EXPECT_EQ(modeState.rotateCount, 1);
}

TEST_F(InputTest, ButtonsPressOnlyOnPlayScreens) {
    GameState = Grats;
    onLeftButtonDown();
    onRightButtonDown();
    EXPECT_TRUE(leftDown && rightDown);
    onLeftButtonUp();
    onRightButtonUp();
    EXPECT_TRUE(leftDown && rightDown);  // Grats presses but never releases
    leftDown = rightDown = false;
    GameState = Ranking;
    onRightButtonDown();
    EXPECT_FALSE(rightDown);
    rightDown = true;
    onRightButtonUp();
    EXPECT_FALSE(rightDown);
}

TEST_F(InputTest, WheelScrollsRankingWithinItsRows) {
    GameState = Ranking;
    rankingRows.assign(12, "row");
    onMouseWheel(1);
    EXPECT_EQ(rankingScroll, 0);
    onMouseWheel(-1);
    onMouseWheel(-3);
    EXPECT_EQ(rankingScroll, 2);
    onMouseWheel(-1);
    EXPECT_EQ(rankingScroll, 2);  // the last ten rows are shown
    onMouseWheel(2);
    EXPECT_EQ(rankingScroll, 1);
}

TEST_F(InputTest, ScancodesAndScriptNamesGiveVirtualKeys) {
    // SDL scancodes are USB usage codes: 4 = A, 53 = grave, 88 = keypad Enter, 89 = keypad 1.
    EXPECT_EQ(virtualKeyFromScancode(4), 'A');
    EXPECT_EQ(virtualKeyFromScancode(53), vk::Oem3);
    EXPECT_EQ(virtualKeyFromScancode(88), vk::Return);
    EXPECT_EQ(virtualKeyFromScancode(89), keypad1);
    EXPECT_EQ(virtualKeyFromName("f12"), vk::F12);
    EXPECT_EQ(virtualKeyFromName("kp0"), vk::Numpad0);
    EXPECT_EQ(virtualKeyFromName("f13"), 0);
    platformHoldKeyForFrame(virtualKeyFromName("lctrl"));
    EXPECT_TRUE(platformKeyHeld(vk::Control));
    EXPECT_FALSE(platformKeyHeld(vk::Shift));
}

// Every digit key types its digit, the first and the last as well.
TEST_F(InputTest, EveryDigitKeyTypesItsDigit) {
    for (char digit = '0'; digit <= '9'; digit++)
        EXPECT_EQ(keyCharacter(digit, false, false, false), std::string(1, digit));
}

TEST_F(InputTest, AtAndPeriodOnlyInTheEmailField) {
    GameState = CreateAcc;
    platformHoldKeyForFrame(vk::Shift);
    loginStep = nameStep;
    onKeyDown('2');
    onKeyDown(vk::OemPeriod);
    EXPECT_EQ(Username, "2");
    loginStep = emailStep;
    onKeyDown('2');
    onKeyDown(vk::OemPeriod);
    onKeyDown(vk::OemMinus);
    platformReleaseInjectedKeys();
    onKeyDown('2');
    onKeyDown(vk::OemMinus);
    EXPECT_EQ(emailText, "@._2-");
}

TEST_F(InputTest, CaseFollowsCapsLockOrShiftButNotBoth) {
    GameState = Login;
    onKeyDown('A');
    platformHoldKeyForFrame(vk::Shift);
    onKeyDown('B');
    platformHoldKeyForFrame(capsLockKey);
    onKeyDown('C');
    platformReleaseInjectedKeys();
    platformHoldKeyForFrame(capsLockKey);
    onKeyDown('D');
    EXPECT_EQ(Username, "aBcD");
}

TEST_F(InputTest, EnterAdvancesOnlyWithMoreThanThreeCharacters) {
    GameState = Login;
    type("abc");
    onKeyDown(vk::Return);
    EXPECT_EQ(loginStep, 1);
    type("d");
    onKeyDown(vk::Return);
    EXPECT_EQ(loginStep, 2);
    GameState = CreateAcc;
    loginStep = 20;
    type("ab");
    onKeyDown(vk::OemPeriod);
    onKeyDown(vk::Return);
    EXPECT_EQ(loginStep, 20);
    type("c");
    onKeyDown(vk::Return);
    EXPECT_EQ(emailText, "ab.c");
    EXPECT_EQ(loginStep, 1);
}

TEST_F(InputTest, BackspaceAndOtherScreensLeaveFieldsAlone) {
    GameState = Login;
    type("ab1");
    onKeyDown(vk::Back);
    EXPECT_EQ(Username, "ab");
    GameState = Menu;
    type("cd");
    EXPECT_EQ(Username, "ab");
    GameState = Login;
    onKeyDown(vk::OemPeriod);  // no period outside the e-mail step
    onKeyDown(vk::Space);
    EXPECT_EQ(Username, "ab");
}

// However narrow the letters, no field takes more than the server does.
TEST_F(InputTest, FieldsStopAtTheLengthTheServerTakes) {
    ScreenHeight = 4000;  // wide enough for 128 characters
    struct Field {
        int32_t screen, step;
        const std::string* text;
        size_t longest;
    };
    const Field fields[] = {
        {CreateAcc, 20, &emailText, 128},   {CreateAcc, 1, &Username, 24},
        {CreateAcc, 2, &loginPassword, 64}, {CreateAcc, 3, &retypedPassword, 64},
        {Login, 1, &Username, 24},          {Login, 2, &loginPassword, 64},
    };
    for (const Field& field : fields) {
        SCOPED_TRACE(std::to_string(field.screen) + "/" + std::to_string(field.step));
        GameState = field.screen;
        loginStep = field.step;
        Username.clear();
        loginPassword.clear();
        type(std::string(field.longest - 1, 'i'));
        type("ij");  // the last character that fits, and one over
        EXPECT_EQ(*field.text, std::string(field.longest - 1, 'i') + "i");
    }
}

// Enter on a password of four characters or more starts a fresh attempt.
TEST_F(InputTest, LoginPasswordEnterStartsLogin) {
    GameState = Login;
    loginStep = 2;
    loginIssued = true;  // left over from an attempt before
    loginRetries = 2;
    type("abc");
    onKeyDown(vk::Return);
    EXPECT_EQ(loginStep, 2);
    EXPECT_TRUE(loginIssued);
    type("d");
    onKeyDown(vk::Return);
    EXPECT_EQ(loginStep, 13);
    EXPECT_FALSE(loginIssued);
    EXPECT_EQ(loginRetries, 0);
}

TEST_F(InputTest, RetypedPasswordIsComparedAtAnyLength) {
    GameState = CreateAcc;
    loginPassword = "abcd";
    loginStep = 3;
    onKeyDown(vk::Return);
    EXPECT_EQ(loginStep, 5);
    loginPassword = "ab";
    loginStep = 3;
    type("ab");
    onKeyDown(vk::Return);
    EXPECT_EQ(loginStep, 9);
}

TEST_F(InputTest, OpenConsoleTakesEveryKeyUntilEnter) {
    GameState = Login;
    platformHoldKeyForFrame(vk::LeftControl);
    onKeyDown(vk::Oem3);
    platformReleaseInjectedKeys();
    ASSERT_TRUE(consoleOpen);
    type("show");
    onKeyDown(vk::Space);
    type("fpsx");
    onKeyDown(vk::Back);
    onKeyDown(0x100 + 'A');  // outside the key range
    EXPECT_EQ(consoleLine, "show fps");
    EXPECT_EQ(Username, "");
    showFps = false;
    onKeyDown(vk::Return);
    EXPECT_TRUE(showFps);
    EXPECT_FALSE(consoleOpen);
    EXPECT_EQ(consoleLine, "");
    EXPECT_EQ(lastConsoleLine, "show fps");
    type("a");
    EXPECT_EQ(Username, "a");
    showFps = false;
}

}  // namespace
