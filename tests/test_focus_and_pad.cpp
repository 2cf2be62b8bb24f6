// The keyboard and controller focus: how arrows and Tab walk a screen's
// buttons, how Enter, Escape and the pad's buttons press them through the
// real input handlers, the sticks' dead zone, and a virtual controller
// going through SDL's own game-controller layer into the event queue.
#include <SDL.h>
#include <gtest/gtest.h>

#include <string>

#include "base/game_state.h"
#include "base/player_settings.h"
#include "base/pointer.h"
#include "game/play.h"
#include "online/account.h"
#include "platform/gamepad.h"
#include "platform/input_state.h"
#include "screens/account_text.h"
#include "screens/button_focus.h"
#include "shell/gamepad_input.h"
#include "shell/input.h"
#include "shell/launch_options.h"

namespace {

// A column of three rows, and below them "<" and ">" on one line, as the
// menus and the options lay their buttons out.
const FocusTarget layout[] = {
    {1, {100, 100, 300, 130}, false},  // 0: top row
    {2, {100, 200, 300, 230}, false},  // 1: middle row
    {3, {100, 300, 300, 330}, true},   // 2: "Back"
    {4, {50, 400, 90, 430}, false},    // 3: "<"
    {4, {310, 400, 350, 430}, false},  // 4: ">"
};
constexpr int layoutCount = sizeof(layout) / sizeof(layout[0]);

void useLayout(int count = layoutCount) {
    for (int i = 0; i < count; i++) focusTargets[i] = layout[i];
    focusTargetCount = count;
}

TEST(FocusWalk, ArrowsGoToTheNearestButtonThatWayAndTabFollowsTheOrder) {
    struct Case {
        int from;
        FocusMove move;
        int expected;
    };
    const Case cases[] = {
        {-1, FocusDown, 0},  // nothing focused yet: the first button
        {-1, FocusPrevious, 0}, {0, FocusDown, 1}, {1, FocusUp, 0},
        {2, FocusDown, 3},                        // the nearer of the two arrows below
        {3, FocusRight, 4},                       // across the line, not down the order
        {4, FocusLeft, 3},      {0, FocusUp, 0},  // nothing above: the focus stays
        {4, FocusRight, 4},     {3, FocusLeft, 3}, {4, FocusNext, 0},
        {0, FocusPrevious, 4},  {1, FocusNext, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(nextFocusTarget(layout, layoutCount, c.from, c.move), c.expected)
            << "from " << c.from << " move " << c.move;
    EXPECT_EQ(nextFocusTarget(layout, 0, -1, FocusNext), -1);
    EXPECT_EQ(nextFocusTarget(layout, 1, 0, FocusDown), 0);
}

TEST(FocusWalk, ButtonsOfferedInAFrameBecomeTheTargetsWhenTheNextBegins) {
    beginFocusFrame();
    beginFocusFrame();
    mouseX = 150, mouseY = 110;
    EXPECT_TRUE(itemHovered(7, {100, 100, 200, 120}));
    EXPECT_FALSE(itemHovered(8, {100, 200, 200, 220}, true));
    EXPECT_FALSE(itemHovered(8, {100, 200, 200, 220}, true));  // tested twice, offered once
    EXPECT_EQ(focusTargetCount, 0);
    beginFocusFrame();
    ASSERT_EQ(focusTargetCount, 2);
    EXPECT_EQ(focusTargets[0].item, 7);
    EXPECT_EQ(backTarget(), 1);
    EXPECT_EQ(focusedTarget(150, 110), 0);
    EXPECT_EQ(focusedTarget(100, 110), -1);  // the edge is outside, as for the mouse
    // A screen with more buttons than the table holds loses the extra ones, nothing else.
    for (int i = 0; i <= maxFocusTargets; i++) itemHovered(i + 1, {i, 0, i + 1, 1});
    beginFocusFrame();
    EXPECT_EQ(focusTargetCount, maxFocusTargets);
    beginFocusFrame();
}

class FocusKeys : public ::testing::Test {
  protected:
    void SetUp() override {
        GameState = Credits;
        play.paused = play.tutorialShowing = false;
        controls = 0;
        leftDown = rightDown = false;
        focusShown = hoverLagsPointer = false;
        focusPressKey = 0;
        backPressPending = false;
        mouseX = mouseY = 5;
        hoverItem = 0;
        useLayout();
        platformReleaseInjectedKeys();
    }
    void TearDown() override {
        focusTargetCount = 0;
        platformReleaseInjectedKeys();
    }
};

TEST_F(FocusKeys, KeysLeaveTheAimAloneWhileALevelPlays) {
    GameState = Game;
    onKeyDown(vk::Down);
    onKeyDown(vk::Tab);
    EXPECT_EQ(mouseX, 5);
    EXPECT_FALSE(focusShown);
}

TEST_F(FocusKeys, EnterHoldsTheButtonOfThePausedGameUntilItsRelease) {
    GameState = Game;
    play.paused = true;
    onKeyDown(vk::Return);  // nothing focused: the first button is
    EXPECT_FALSE(leftDown);
    EXPECT_EQ(mouseY, 115);
    onKeyDown(vk::Return);
    EXPECT_TRUE(leftDown);
    onKeyUp(vk::Space);  // another key's release ends nothing
    EXPECT_TRUE(leftDown);
    onKeyUp(vk::Return);
    EXPECT_FALSE(leftDown);
}

TEST_F(FocusKeys, EscapePressesTheWayBackOnlyIfTheScreenStillOffersIt) {
    onKeyDown(vk::Escape);
    EXPECT_EQ(mouseY, 315);  // on "Back"
    focusTargetCount = 0;    // the screen went before the release
    onKeyUp(vk::Escape);
    EXPECT_EQ(GameState, Credits);
    useLayout();
    onKeyDown(vk::Escape);
    onKeyUp(vk::Escape);
    EXPECT_EQ(GameState, CreditsToMenu);
}

// A frame of a second or more skips the screens' update, so the hover can
// still name the button before when a key's press or a click arrives.
TEST_F(FocusKeys, PressesGoToTheButtonUnderThePointerThoughTheHoverLagsBehind) {
    focusTargets[2].item = 6;  // the game types' "Back"
    GameState = Gametype;
    onKeyDown(vk::Escape);
    onKeyUp(vk::Escape);
    EXPECT_EQ(GameState, GametypeToMenu);
    GameState = Gametype;
    mouseX = mouseY = 5;  // nothing focused
    onKeyDown(vk::Down);  // "Classic", the first row
    onKeyDown(vk::Return);
    onKeyUp(vk::Return);
    EXPECT_EQ(GameState, GametypeToDifficulty);
    // The mouse: the hover still names "Classic" where the pointer left it.
    GameState = Gametype;
    hoverItem = 1;
    onMouseMove(200, 315);  // onto "Back"
    onLeftButtonDown();
    onLeftButtonUp();
    EXPECT_EQ(GameState, GametypeToMenu);
    GameState = Gametype;
    hoverItem = 1;
    onMouseMove(5, 5);  // off every button
    onLeftButtonDown();
    onLeftButtonUp();
    EXPECT_EQ(GameState, Gametype);
    // Once the screens have followed the pointer, the hover holds.
    hoverLagsPointer = false;
    hoverItem = 1;
    onLeftButtonDown();
    onLeftButtonUp();
    EXPECT_EQ(GameState, GametypeToDifficulty);
}

TEST_F(FocusKeys, ATextFieldKeepsEnterUntilTheKeysWalkAway) {
    GameState = Login;
    loginStep = nameStep;
    Username = "pilot";
    onKeyDown(vk::Return);
    EXPECT_EQ(loginStep, passwordStep);  // submitted as before
    loginStep = nameStep;
    onKeyDown(vk::Tab);
    onKeyDown(vk::Return);
    EXPECT_EQ(loginStep, nameStep);  // pressed the focused button, no submit
    onKeyUp(vk::Return);
    Username.clear();
    clearAccountFields();
}

TEST(PadSticks, DeadZoneAndCurve) {
    struct Case {
        float in, out;
    };
    const Case cases[] = {{0.0f, 0.0f},    {0.2f, 0.0f}, {-0.2f, 0.0f}, {0.6f, 0.25f},
                          {-0.6f, -0.25f}, {1.0f, 1.0f}, {1.5f, 1.0f},  {-1.0f, -1.0f}};
    for (const Case& c : cases) EXPECT_NEAR(shapeStick(c.in), c.out, 1e-5f) << c.in;
    EXPECT_GT(shapeStick(0.21f), 0.0f);
}

TEST(PadSticks, AMenuStickPointsOneWayPastHalfItsTravel) {
    struct Case {
        float x, y;
        int32_t direction;
    };
    const Case cases[] = {{0.49f, 0.0f, -1},
                          {0.5f, 0.0f, FocusRight},
                          {0.0f, -0.6f, FocusUp},
                          {-0.7f, 0.6f, FocusLeft},
                          {0.3f, 0.9f, FocusDown}};
    for (const Case& c : cases)
        EXPECT_EQ(stickDirection(c.x, c.y), c.direction) << c.x << "," << c.y;
}

class PadButtons : public FocusKeys {};

PlatformEvent padEvent(PlatformEventKind kind, int32_t button = 0) {
    PlatformEvent event;
    event.kind = kind;
    event.padButton = button;
    return event;
}

TEST_F(PadButtons, AFiresWithTheSchemesFireButtonAndReleasesIt) {
    GameState = Game;
    for (int32_t scheme : {0, 1}) {
        controls = scheme;
        onPadEvent(padEvent(PlatformEventKind::PadDown, PadA));
        EXPECT_EQ(scheme == 0 ? rightDown : leftDown, true) << scheme;
        EXPECT_EQ(scheme == 0 ? leftDown : rightDown, false) << scheme;
        onPadEvent(padEvent(PlatformEventKind::PadUp, PadA));
        EXPECT_FALSE(leftDown || rightDown) << scheme;
    }
}

TEST_F(PadButtons, StartAndAnUnpluggedPadPauseOnlyInPlay) {
    GameState = Game;
    onPadEvent(padEvent(PlatformEventKind::PadDown, PadStart));
    EXPECT_TRUE(platformKeyHeld(vk::Escape));
    platformReleaseInjectedKeys();
    onPadEvent(padEvent(PlatformEventKind::PadRemoved));
    EXPECT_TRUE(platformKeyHeld(vk::Escape));
    platformReleaseInjectedKeys();
    GameState = Credits;
    onPadEvent(padEvent(PlatformEventKind::PadRemoved));
    EXPECT_FALSE(platformKeyHeld(vk::Escape));
}

TEST_F(PadButtons, InAMenuTheCrossMovesTheFocusAndBGoesBack) {
    onPadEvent(padEvent(PlatformEventKind::PadDown, PadDown));
    EXPECT_EQ(mouseY, 115);
    onPadEvent(padEvent(PlatformEventKind::PadDown, PadB));
    EXPECT_EQ(mouseY, 315);
    onPadEvent(padEvent(PlatformEventKind::PadUp, PadB));
    EXPECT_EQ(GameState, CreditsToMenu);
}

// The next event of a kind, skipping others, within a few hundred polls.
bool nextEventOf(PlatformEventKind kind, PlatformEvent& event) {
    for (int i = 0; i < 500; i++) {
        if (platformPollEvent(event) && event.kind == kind) return true;
        SDL_Delay(1);
    }
    return false;
}

TEST(VirtualPad, ArrivesPressesSteersAndLeavesThroughSdlsControllerLayer) {
    // Windows other tests left open hold no focus; SDL would then hold back
    // the controller's events, as it does for a game in the background.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0) << SDL_GetError();
    ASSERT_TRUE(platformInitGamepads()) << SDL_GetError();
    ASSERT_TRUE(platformAttachVirtualPad()) << SDL_GetError();
    PlatformEvent event;
    ASSERT_TRUE(nextEventOf(PlatformEventKind::PadAdded, event));
    EXPECT_EQ(platformPadCount(), 1);
    platformSetVirtualPadButton(PadA, true);
    platformSetVirtualPadAxis(0, 32767);
    platformSetVirtualPadAxis(3, -32768);
    ASSERT_TRUE(nextEventOf(PlatformEventKind::PadDown, event));
    EXPECT_EQ(event.padButton, PadA);
    PadSticks sticks = platformPadSticks();
    EXPECT_FLOAT_EQ(sticks.leftX, 1.0f);
    EXPECT_FLOAT_EQ(sticks.rightY, -1.0f);
    EXPECT_FLOAT_EQ(sticks.leftY, 0.0f);
    platformDetachVirtualPad();
    ASSERT_TRUE(nextEventOf(PlatformEventKind::PadRemoved, event));
    EXPECT_EQ(platformPadCount(), 0);
    PadSticks rest = platformPadSticks();
    EXPECT_EQ(rest.leftX, 0.0f);
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER | SDL_INIT_EVENTS);
    SDL_ResetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS);
}

}  // namespace
