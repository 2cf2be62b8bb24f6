// SDL events through the real queue into the one event a frame takes:
// a burst of mouse motion arrives as one move, keys follow the layout.
#include <SDL.h>
#include <gtest/gtest.h>

#include "base/game_state.h"
#include "online/ranking.h"
#include "platform/input_state.h"
#include "platform/window.h"
#include "screens/ranking.h"
#include "shell/window.h"

namespace {

class PlatformEvents : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0) << SDL_GetError();
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    void TearDown() override { SDL_QuitSubSystem(SDL_INIT_EVENTS); }
};

void pushMotion(int x, int y) {
    SDL_Event event = {};
    event.type = SDL_MOUSEMOTION;
    event.motion.x = x;
    event.motion.y = y;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
}

void pushButton(Uint32 type, Uint8 button) {
    SDL_Event event = {};
    event.type = type;
    event.button.button = button;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
}

void pushKey(SDL_Keycode keycode, SDL_Scancode scancode) {
    SDL_Event event = {};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = keycode;
    event.key.keysym.scancode = scancode;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
}

// A touchpad turns the wheel a fraction at a time: SDL reports the fraction
// in preciseY and, in y, the whole notches its fractions have added up to.
void pushWheel(float fraction, int wholeNotches) {
    SDL_Event event = {};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.preciseY = fraction;
    event.wheel.y = wholeNotches;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
}

// The kinds and positions of every event the queue gives, one poll per frame.
std::vector<PlatformEvent> pollAll() {
    std::vector<PlatformEvent> events;
    PlatformEvent event;
    while (platformPollEvent(event)) events.push_back(event);
    return events;
}

}  // namespace

TEST_F(PlatformEvents, ABurstOfMotionIsOneMoveToTheLastPositionAndTheButtonSurvives) {
    for (int i = 1; i <= 50; i++) pushMotion(i * 3, i * 2);
    pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
    PlatformEvent frame;
    ASSERT_TRUE(platformPollEvent(frame));
    EXPECT_EQ(frame.kind, PlatformEventKind::MouseMove);
    EXPECT_EQ(frame.x, 150);
    EXPECT_EQ(frame.y, 100);
    ASSERT_TRUE(platformPollEvent(frame));
    EXPECT_EQ(frame.kind, PlatformEventKind::LeftDown);
    EXPECT_FALSE(platformPollEvent(frame));
}

TEST_F(PlatformEvents, MotionMergesOnlyUpToTheNextButtonWheelOrKey) {
    pushMotion(1, 1);
    pushMotion(2, 2);
    pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT);
    pushMotion(3, 3);
    pushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT);
    SDL_Event wheel = {};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.y = -1;
    SDL_PushEvent(&wheel);
    SDL_PushEvent(&wheel);
    pushMotion(4, 4);
    pushKey(SDLK_a, SDL_SCANCODE_A);
    pushMotion(5, 5);
    // A key release is not used by the game: the moves on both sides of it merge.
    SDL_Event release = {};
    release.type = SDL_KEYUP;
    SDL_PushEvent(&release);
    pushMotion(6, 6);

    std::vector<PlatformEvent> events = pollAll();
    using K = PlatformEventKind;
    std::vector<K> kinds;
    for (const PlatformEvent& event : events) kinds.push_back(event.kind);
    std::vector<K> expected = {K::MouseMove, K::RightDown, K::MouseMove, K::RightUp,  K::Wheel,
                               K::Wheel,     K::MouseMove, K::KeyDown,   K::MouseMove};
    ASSERT_EQ(kinds, expected);
    EXPECT_EQ(events[0].x, 2);
    EXPECT_EQ(events[2].x, 3);
    EXPECT_EQ(events[6].x, 4);
    EXPECT_EQ(events[8].x, 6);
    EXPECT_EQ(events[4].wheelDelta, -120);
}

TEST_F(PlatformEvents, PartialWheelNotchesScrollNothingUntilTheyMakeAWholeOne) {
    GameState = Ranking;
    rankingRows.assign(30, "1 player 100");
    rankingScroll = 5;
    for (int whole : {0, 0, -1, 0, 0}) pushWheel(-0.4f, whole);
    std::vector<int32_t> firstRows;
    PlatformEvent event;
    while (platformPollEvent(event)) {
        windowProcedure(event);
        firstRows.push_back(rankingScroll);
    }
    EXPECT_EQ(firstRows, (std::vector<int32_t>{5, 5, 6, 6, 6}))
        << "one row down at the third 0.4 notch, none before or after";
}

TEST_F(PlatformEvents, KeysFollowTheLayoutButTheConsoleKeyIsTheOneLeftOfOne) {
    // On AZERTY the key where QWERTY has A types q, the one where it has Q
    // types a, the number row types symbols unshifted and ² sits left of 1.
    pushKey(SDLK_q, SDL_SCANCODE_A);
    pushKey(SDLK_a, SDL_SCANCODE_Q);
    pushKey(SDLK_AMPERSAND, SDL_SCANCODE_1);
    pushKey(0xB2, SDL_SCANCODE_GRAVE);
    pushKey(SDLK_COMMA, SDL_SCANCODE_M);
    pushKey(SDLK_m, SDL_SCANCODE_SEMICOLON);
    std::vector<PlatformEvent> events = pollAll();
    std::vector<int32_t> keys;
    for (const PlatformEvent& event : events) keys.push_back(event.virtualKey);
    std::vector<int32_t> expected = {'Q', 'A', '1', vk::Oem3, 'M'};
    EXPECT_EQ(keys, expected) << "the comma key types nothing the game uses and is dropped";
}

TEST(KeyLayout, KeysThatTypeNoAsciiCharacterGoByPosition) {
    // A Cyrillic layout: the key where QWERTY has F types а (U+0430).
    EXPECT_EQ(virtualKeyFromKey(0x430, SDL_SCANCODE_F), 'F');
    EXPECT_EQ(virtualKeyFromKey(SDLK_RETURN, SDL_SCANCODE_RETURN), vk::Return);
    EXPECT_EQ(virtualKeyFromKey(SDLK_KP_1, SDL_SCANCODE_KP_1), 0x61);
    EXPECT_EQ(virtualKeyFromKey(SDLK_LCTRL, SDL_SCANCODE_LCTRL), vk::LeftControl);
    // A German layout types the minus where QWERTY has the slash.
    EXPECT_EQ(virtualKeyFromKey(SDLK_MINUS, SDL_SCANCODE_SLASH), vk::OemMinus);
    EXPECT_EQ(virtualKeyFromKey(SDLK_z, SDL_SCANCODE_Y), 'Z');
}
