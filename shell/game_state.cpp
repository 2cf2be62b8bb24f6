#include "shell/game_state.h"

#include <GL/gl.h>

#include <algorithm>

#include "engine/camera.h"
#include "engine/draw2d.h"
#include "game/modes.h"
#include "game/play.h"
#include "online/account.h"
#include "screens/screens.h"
#include "settings/settings.h"
#include "shell/input.h"
#include "shell/main_loop.h"
#include "shell/overlays.h"
#include "shell/profiler.h"
#include "sound/sound.h"

int32_t GameState = Intro;
float fadeTimer = 0.0f;
float fadeDuration = 500.0f;
int32_t hoverItem = 0;
int32_t lastHoverItem = 0;

// Frames this long (a stall, the first frame) move no timer, fade or screen.
static constexpr float longFrameMs = 1000.0f;

// ---- side effects run when a transition's fade ends ----

static void startScoreScreenSlide() {
    scoreSlideActive = true;
    scoreSlideOffset = -static_cast<float>(ScreenWidth);
}

static void continueFromScoreScreen() {
    if (levelIndex < lastLevelIndex && gameMode != ModeSurvival && !scoreRetry) levelIndex++;
    scoreRetry = false;
    startLevel(0);
}

static void enterLoginFromCreateAcc() {
    if (loginStep != 13) loginStep = 1;
}

static void enterCreateAccFromLogin() {
    loginStep = 20;
}
static void clearStoredPasswordText() {
    loginPassword.clear();
}
static void startFreshLevel() {
    startLevel(1);
}
static void startChosenLevel() {
    startLevel(0);
}
static void leaveOptionsForGame() {
    optionsFromGame = false;
}

// ---- the table of every value GameState can take ----

static const GameStateEntry gameStateTable[] = {
    {Intro, "Intro", UpdateIntro, renderIntro, 0, nullptr, nullptr},
    {Menu, "Menu", UpdateMenu, renderMenu, 0, nullptr, clickMenu},
    {Game, "Game", UpdateGame, renderGame, 0, nullptr, nullptr},
    {Options, "Options", UpdateOptions, renderOptions, 0, nullptr, clickOptions},
    {Credits, "Credits", UpdateCredits, renderCredits, 0, nullptr, clickCredits},
    {Restart, "Restart", UpdateRestart, renderRestart, 0, nullptr, nullptr},
    {GameToMenu, "GameToMenu", nullptr, renderGame, Menu, nullptr, nullptr},
    {MenuToOptions, "MenuToOptions", nullptr, renderMenu, Options, nullptr, nullptr},
    {OptionsToMenu, "OptionsToMenu", nullptr, renderOptions, Menu, nullptr, nullptr},
    {OptionsToRestart, "OptionsToRestart", nullptr, renderOptions, Restart, nullptr, nullptr},
    {CreateAcc, "CreateAcc", UpdateCreateAcc, renderCreateAcc, 0, nullptr, clickCreateAcc},
    {Login, "Login", UpdateLogin, renderLogin, 0, nullptr, clickLogin},
    {GameToScoreScreen, "GameToScoreScreen", UpdateGame, renderGame, ScoreScreen,
     startScoreScreenSlide, nullptr},
    {ScoreScreenToGame, "ScoreScreenToGame", nullptr, renderScoreScreen, Game,
     continueFromScoreScreen, nullptr},
    {ScoreScreenToMenu, "ScoreScreenToMenu", nullptr, renderScoreScreen, Menu, nullptr, nullptr},
    {ScoreScreen, "ScoreScreen", UpdateScoreScreen, renderScoreScreen, 0, nullptr, nullptr},
    {IntroToCreateAcc, "IntroToCreateAcc", nullptr, renderIntro, CreateAcc, nullptr, nullptr},
    {CreateAccToMenu, "CreateAccToMenu", nullptr, renderCreateAcc, Menu, nullptr, nullptr},
    {CreateAccToLogin, "CreateAccToLogin", nullptr, renderCreateAcc, Login, enterLoginFromCreateAcc,
     nullptr},
    {LoginToMenu, "LoginToMenu", nullptr, renderLogin, Menu, nullptr, nullptr},
    {LoginToCreateAcc, "LoginToCreateAcc", nullptr, renderLogin, CreateAcc, enterCreateAccFromLogin,
     nullptr},
    {Gametype, "Gametype", UpdateGametype, renderGametype, 0, nullptr, clickGametype},
    {MenuToGametype, "MenuToGametype", nullptr, renderMenu, Gametype, nullptr, nullptr},
    {GametypeToGame, "GametypeToGame", nullptr, renderGametype, Game, startFreshLevel, nullptr},
    {GametypeToMenu, "GametypeToMenu", nullptr, renderGametype, Menu, nullptr, nullptr},
    {MenuToLogin, "MenuToLogin", nullptr, renderMenu, Login, clearStoredPasswordText, nullptr},
    {IntroToLogin, "IntroToLogin", nullptr, renderIntro, Login, nullptr, nullptr},
    {Ranking, "Ranking", UpdateRanking, renderRanking, 0, nullptr, clickRanking},
    {MenuToCredits, "MenuToCredits", nullptr, renderMenu, Credits, nullptr, nullptr},
    {CreditsToMenu, "CreditsToMenu", nullptr, renderCredits, Menu, nullptr, nullptr},
    {Grats, "Grats", UpdateGrats, renderGrats, 0, nullptr, nullptr},
    {GameToGrats, "GameToGrats", nullptr, renderGame, Grats, nullptr, nullptr},
    {GratsToScoreScreen, "GratsToScoreScreen", UpdateGrats, renderGrats, ScoreScreen,
     startScoreScreenSlide, nullptr},
    {Exiting, "Exiting", nullptr, renderMenu, 0, quitProgram, nullptr},
    {MenuToRanking, "MenuToRanking", nullptr, renderMenu, Ranking, nullptr, nullptr},
    {RankingToMenu, "RankingToMenu", nullptr, renderRanking, Menu, nullptr, nullptr},
    {GameToOptions, "GameToOptions", nullptr, renderGame, Options, nullptr, nullptr},
    {OptionsToGame, "OptionsToGame", nullptr, renderOptions, Game, leaveOptionsForGame, nullptr},
    {GametypeToDifficulty, "GametypeToDifficulty", nullptr, renderGametype, Difficulty, nullptr,
     nullptr},
    {DifficultyToGametype, "DifficultyToGametype", nullptr, renderDifficulty, Gametype, nullptr,
     nullptr},
    {Difficulty, "Difficulty", UpdateDifficulty, renderDifficulty, 0, nullptr, clickDifficulty},
    {Achieves, "Achieves", UpdateAchieves, renderAchieves, 0, nullptr, clickAchieves},
    {MenuToAchieves, "MenuToAchieves", nullptr, renderMenu, Achieves, nullptr, nullptr},
    {AchievesToMenu, "AchievesToMenu", nullptr, renderAchieves, Menu, nullptr, nullptr},
    {Patching, "Patching", UpdatePatching, renderPatching, 0, nullptr, nullptr},
    {LevelSelect, "LevelSelect", UpdateLevelSelect, renderLevelSelect, 0, nullptr,
     clickLevelSelect},
    {LevelSelectToGame, "LevelSelectToGame", nullptr, renderLevelSelect, Game, startChosenLevel,
     nullptr},
    {DifficultyToClassicModeSelect, "DifficultyToClassicModeSelect", nullptr, renderDifficulty,
     ClassicModeSelect, nullptr, nullptr},
    {ClassicModeSelect, "ClassicModeSelect", UpdateClassicModeSelect, renderClassicModeSelect, 0,
     nullptr, clickClassicModeSelect},
    {ClassicModeSelectToLevelSelect, "ClassicModeSelectToLevelSelect", nullptr,
     renderClassicModeSelect, LevelSelect, nullptr, nullptr},
    {ClassicModeSelectToDifficulty, "ClassicModeSelectToDifficulty", nullptr,
     renderClassicModeSelect, Difficulty, nullptr, nullptr},
    {LevelSelectToClassicModeSelect, "LevelSelectToClassicModeSelect", nullptr, renderLevelSelect,
     ClassicModeSelect, nullptr, nullptr},
    {ClassicModeSelectToGame, "ClassicModeSelectToGame", nullptr, renderClassicModeSelect, Game,
     startFreshLevel, nullptr},
};

static constexpr int gameStateTableSize =
    static_cast<int>(sizeof(gameStateTable) / sizeof(gameStateTable[0]));

// The order in which screens get their update; each test reads GameState
// afresh, so a screen that moves to a later one lets that one run too.
static const int32_t updateOrder[] = {
    Intro,
    Menu,
    Gametype,
    Difficulty,
    LevelSelect,
    ClassicModeSelect,
    Ranking,
    Achieves,
    Patching,
    CreateAcc,
    Options,
    Game,
    GameToScoreScreen,
    ScoreScreen,
    Grats,
    GratsToScoreScreen,
    Restart,
    Login,
    Credits,
};

static const int32_t settledStates[] = {
    Intro,    Menu,    Game,  Options,    Credits,  CreateAcc, Login,       ScoreScreen,
    Gametype, Ranking, Grats, Difficulty, Achieves, Patching,  LevelSelect, ClassicModeSelect,
};

// States that draw no backdrop and no cursor.
static bool isIntroOrCredits(int32_t state) {
    return state == Intro || state == IntroToCreateAcc || state == IntroToLogin ||
           state == Credits || state == CreditsToMenu;
}

// States whose game view draws in 3D and enters 2D drawing itself.
static bool drawsGameView(int32_t state) {
    return state == Game || state == GameToMenu || state == GameToScoreScreen ||
           state == GameToGrats || state == GameToOptions;
}

const GameStateEntry* findGameState(int32_t value) {
    for (const GameStateEntry& entry : gameStateTable)
        if (entry.value == value) return &entry;
    return nullptr;
}

int gameStateCount() {
    return gameStateTableSize;
}
const GameStateEntry& gameStateAt(int index) {
    return gameStateTable[index];
}

bool isSettledState(int32_t value) {
    return std::find(std::begin(settledStates), std::end(settledStates), value) !=
           std::end(settledStates);
}

// ---- fade ----

// Whether the fade may move this frame in a settled state.
static bool settledFadeMayMove() {
    if (!backgroundTextureLoaded()) return false;
    if (GameState != ScoreScreen) return true;
    return scoreAwaitingReply || connectionMode == ConnectionOffline || practiceMode;
}

static void endTransition() {
    const GameStateEntry* entry = findGameState(GameState);
    if (!entry) return;
    if (entry->target != 0) GameState = entry->target;
    if (entry->onFadeEnd) entry->onFadeEnd();
}

void advanceFade(float dtMs) {
    if (isSettledState(GameState)) {
        if (fadeTimer < fadeDuration && settledFadeMayMove()) fadeTimer += dtMs;
        return;
    }
    if (fadeTimer > 0) {
        bool halfSpeed = GameState == GametypeToGame && gameMode == ModeMeditation;
        fadeTimer -= halfSpeed ? dtMs / 2 : dtMs;
    }
    if (fadeTimer <= 0) endTransition();
}

// Plays the hover tick when the item under the mouse changes on a shown screen.
static void updateHoverSound() {
    if (hoverItem == lastHoverItem) return;
    lastHoverItem = hoverItem;
    if (hoverItem > 0 && fadeTimer >= fadeDuration) PlaySound("tick.ogg", 0.5f, 1.0f);
}

void UpdateFadeIn(float dtMs) {
    ProfileScope section("UpdateFadeIn");
    updateHoverSound();
    UpdateMusic(dtMs);
    advanceFade(dtMs);
}

float fadeAlpha() {
    float clamped = std::clamp(fadeTimer, 0.0f, fadeDuration);
    return 255.0f - clamped / fadeDuration * 255.0f;
}

void renderFadeIn() {
    float alpha = fadeAlpha();
    if (alpha <= 0) return;
    float side = static_cast<float>(ScreenWidth);
    drawUntexturedRect(ScreenWidth / 2.0f - side / 2, ScreenHeight / 2.0f - side / 2, side, side, 0,
                       0, 0, alpha);
}

// ---- dispatchers ----

static void updateCurrentScreen(float dtMs) {
    for (int32_t state : updateOrder) {
        if (GameState != state) continue;
        const GameStateEntry* entry = findGameState(state);
        if (entry && entry->update) entry->update(dtMs);
    }
}

void Update(float dtMs) {
    ProfileScope section("Update");
    curlprocess();
    UpdateSound(dtMs);
    recordFrameStatistics();
    if (dtMs >= longFrameMs) return;
    updateBlink(dtMs);
    updateHoldTimers(dtMs);
    UpdateStarfield(dtMs);
    UpdateFadeIn(dtMs);
    updateCurrentScreen(dtMs);
}

static void clearAndPlaceCamera() {
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    applyCamera();
}

static void drawScreen() {
    const GameStateEntry* entry = findGameState(GameState);
    if (entry && entry->render) entry->render();
    if (paused && (GameState == Game || GameState == GameToOptions)) renderPause();
}

static bool cursorHidden() {
    if (isIntroOrCredits(GameState)) return true;
    return GameState == Login && (loginStep == 12 || loginStep == 13);
}

void Draw() {
    {
        ProfileScope section("Draw");
        clearAndPlaceCamera();
        begin2D();
        if (!isIntroOrCredits(GameState)) {
            renderBackground();
            if (!drawsGameView(GameState)) begin2D();
        }
        drawScreen();
        if (!cursorHidden()) renderCursor();
        renderFadeIn();
    }
    renderDebugOverlays();
    end2D();
}
