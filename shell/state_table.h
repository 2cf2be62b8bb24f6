// The state table: one row for every value GameState can take, saying all
// the main loop knows of that screen or transition. Update and Draw
// dispatch through it.
#pragma once

#include <cstdint>

// Facts about a screen, one bit each.
enum ScreenFact : uint32_t {
    Settled = 1,           // a screen that fades in and stays, rather than a transition
    NoBackdrop = 2,        // draws no backdrop (the intro and the credits)
    GameView = 4,          // draws the 3D game view, which enters 2D drawing itself
    GameBackground = 8,    // the backdrop shows the level's background, not the menu's
    PressesButtons = 16,   // a press holds the game-side button instead of clicking
    ReleasesButtons = 32,  // a release clears the game-side button
    HidesCursor = 64,      // no cursor is drawn
};

// One row of the state table. A settled screen has no target; a transition
// has a target and an optional side effect run when its fade ends.
struct GameStateEntry {
    int32_t value;
    const char* name;
    void (*update)(float dtMs);  // null: no screen update
    void (*render)();
    int32_t target;                                   // 0: no state follows the fade
    void (*onFadeEnd)();                              // null: no side effect
    void (*click)(int32_t item);                      // left click with hoverItem; null: none
    void (*wheel)(int32_t steps);                     // null: the wheel does nothing
    void (*key)(int32_t virtualKey, bool upperCase);  // typed keys; null: none
    bool (*cursorHidden)();                           // null: the HidesCursor fact decides
    uint32_t facts;                                   // ScreenFact bits
};

const GameStateEntry* findGameState(int32_t value);  // null for values never entered
int gameStateCount();
const GameStateEntry& gameStateAt(int index);
// The current state's row has the fact (false for a value without a row).
bool currentStateHas(ScreenFact fact);
bool isSettledState(int32_t value);

// The Game screen's update: UpdateGame, then the pause overlay's clicks.
void updateGameScreen(float dtMs);
void Update(float dtMs);
void Draw();
void UpdateFadeIn(float dtMs);
// Moves fadeTimer one frame and sets the transition's target at its end.
void advanceFade(float dtMs);
