#include "shell/state_table.h"

#include <GL/gl.h>

#include <algorithm>

#include "base/frame_state.h"
#include "base/game_state.h"
#include "base/pointer.h"
#include "base/profiler.h"
#include "engine/draw2d.h"
#include "engine/render_stats.h"
#include "game/camera.h"
#include "game/meter.h"
#include "game/modes.h"
#include "game/play.h"
#include "game/play_input.h"
#include "game/powerups.h"
#include "online/account.h"
#include "online/replies.h"
#include "online/requests.h"
#include "online/scores.h"
#include "screens/account_fields.h"
#include "screens/achieves.h"
#include "screens/backdrop.h"
#include "screens/button_focus.h"
#include "screens/classic_mode_select.h"
#include "screens/create_acc.h"
#include "screens/credits.h"
#include "screens/difficulty.h"
#include "screens/fade.h"
#include "screens/game_view.h"
#include "screens/gametype.h"
#include "screens/grats.h"
#include "screens/intro.h"
#include "screens/level_select.h"
#include "screens/login.h"
#include "screens/menu.h"
#include "screens/music_mixer.h"
#include "screens/options.h"
#include "screens/patching.h"
#include "screens/pause.h"
#include "screens/ranking.h"
#include "screens/restart.h"
#include "screens/score_screen.h"
#include "settings/settings.h"
#include "shell/overlays.h"
#include "shell/play_keys.h"
#include "shell/program.h"
#include "sound/sound.h"

// Frames this long (a stall, the first frame) move no timer, fade or screen.
static constexpr float longFrameMs = 1000.0f;
// Behind a mass whose box on screen covers less than this share of the
// window, the background goes in whole first (see renderBackground).
static constexpr float smallMassWindowShare = 0.5f;

// ---- side effects run when a transition's fade ends ----

static void continueFromScoreScreen() {
    if (modeState.levelIndex < levelIndexAdvanceLimit && modeState.gameMode != ModeSurvival &&
        !scoreRetry)
        modeState.levelIndex++;
    scoreRetry = false;
    startLevel(0);
}

static void enterLoginFromCreateAcc() {
    if (loginStep != loggingInStep) loginStep = nameStep;
}

static void enterCreateAccFromLogin() {
    loginStep = emailStep;
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
// The options opened from the pause menu return to the paused game.
static void leaveOptionsForGame() {
    optionsFromGame = false;
    play.paused = true;
}
// The game's frame, then the pause overlay's clicks on top of it.
void updateGameScreen(float dtMs) {
    advanceParticleBursts(powerups.timewarpActive ? dtMs / timewarpSlowdown : dtMs);
    // A replay shown holds the keys it recorded.
    if (!replayDrivesInput) playKeysHeld = heldPlayKeys();
    UpdateGame(dtMs);
    updatePause(dtMs);
}

// ---- the table of every value GameState can take ----

using Update_ = void (*)(float);
using Render_ = void (*)();
using Click_ = void (*)(int32_t);

static constexpr GameStateEntry screen(int32_t value, const char* name, Update_ update,
                                       Render_ render, Click_ click, uint32_t facts = 0) {
    return {value,   name,    update,  render,         0, nullptr, click,
            nullptr, nullptr, nullptr, facts | Settled};
}

static constexpr GameStateEntry transition(int32_t value, const char* name, Render_ render,
                                           int32_t target, Render_ onFadeEnd = nullptr,
                                           uint32_t facts = 0, Update_ update = nullptr) {
    return {value,   name,    update,  render,  target, onFadeEnd,
            nullptr, nullptr, nullptr, nullptr, facts};
}

static constexpr GameStateEntry withWheel(GameStateEntry entry, void (*wheel)(int32_t)) {
    entry.wheel = wheel;
    return entry;
}

static constexpr GameStateEntry withTyping(GameStateEntry entry, bool (*cursorHidden)()) {
    entry.key = typeIntoAccountField;
    entry.cursorHidden = cursorHidden;
    return entry;
}

static constexpr uint32_t playing = GameView | GameBackground;
static constexpr uint32_t heldButtons = PressesButtons | ReleasesButtons;
static constexpr uint32_t bare = NoBackdrop | HidesCursor;

static const GameStateEntry gameStateTable[] = {
    screen(Intro, "Intro", UpdateIntro, renderIntro, nullptr, bare),
    screen(Menu, "Menu", UpdateMenu, renderMenu, clickMenu),
    screen(Game, "Game", updateGameScreen, renderGame, nullptr, playing | heldButtons),
    screen(Options, "Options", UpdateOptions, renderOptions, clickOptions),
    screen(Credits, "Credits", UpdateCredits, renderCredits, clickCredits, bare),
    // The restart screen fades out to the relaunch; it never settles.
    transition(Restart, "Restart", renderRestart, 0, nullptr, 0, UpdateRestart),
    transition(GameToMenu, "GameToMenu", renderGame, Menu, nullptr, playing),
    transition(MenuToOptions, "MenuToOptions", renderMenu, Options),
    transition(OptionsToMenu, "OptionsToMenu", renderOptions, Menu),
    transition(OptionsToRestart, "OptionsToRestart", renderOptions, Restart),
    withTyping(screen(CreateAcc, "CreateAcc", UpdateCreateAcc, renderCreateAcc, clickCreateAcc),
               nullptr),
    withTyping(screen(Login, "Login", UpdateLogin, renderLogin, clickLogin), loginHidesCursor),
    transition(GameToScoreScreen, "GameToScoreScreen", renderGame, ScoreScreen,
               startScoreScreenSlide, playing, UpdateGame),
    transition(ScoreScreenToGame, "ScoreScreenToGame", renderScoreScreen, Game,
               continueFromScoreScreen),
    transition(ScoreScreenToMenu, "ScoreScreenToMenu", renderScoreScreen, Menu),
    screen(ScoreScreen, "ScoreScreen", UpdateScoreScreen, renderScoreScreen, nullptr, heldButtons),
    transition(IntroToCreateAcc, "IntroToCreateAcc", renderIntro, CreateAcc, nullptr, bare),
    transition(CreateAccToMenu, "CreateAccToMenu", renderCreateAcc, Menu),
    transition(CreateAccToLogin, "CreateAccToLogin", renderCreateAcc, Login,
               enterLoginFromCreateAcc),
    transition(LoginToMenu, "LoginToMenu", renderLogin, Menu),
    transition(LoginToCreateAcc, "LoginToCreateAcc", renderLogin, CreateAcc,
               enterCreateAccFromLogin),
    screen(Gametype, "Gametype", UpdateGametype, renderGametype, clickGametype),
    transition(MenuToGametype, "MenuToGametype", renderMenu, Gametype),
    transition(GametypeToGame, "GametypeToGame", renderGametype, Game, startFreshLevel),
    transition(GametypeToMenu, "GametypeToMenu", renderGametype, Menu),
    transition(MenuToLogin, "MenuToLogin", renderMenu, Login, clearStoredPasswordText),
    transition(IntroToLogin, "IntroToLogin", renderIntro, Login, nullptr, bare),
    withWheel(
        screen(Ranking, "Ranking", UpdateRanking, renderRanking, clickRanking, ReleasesButtons),
        wheelRanking),
    transition(MenuToCredits, "MenuToCredits", renderMenu, Credits),
    transition(CreditsToMenu, "CreditsToMenu", renderCredits, Menu, nullptr, bare),
    screen(Grats, "Grats", UpdateGrats, renderGrats, nullptr, PressesButtons),
    // The congratulations bring their own background, so the level's is not shown.
    transition(GameToGrats, "GameToGrats", renderGame, Grats, nullptr, GameView),
    transition(GratsToScoreScreen, "GratsToScoreScreen", renderGrats, ScoreScreen,
               startScoreScreenSlide, 0, UpdateGrats),
    transition(Exiting, "Exiting", renderMenu, 0, quitProgram),
    transition(MenuToRanking, "MenuToRanking", renderMenu, Ranking),
    transition(RankingToMenu, "RankingToMenu", renderRanking, Menu, nullptr, ReleasesButtons),
    transition(GameToOptions, "GameToOptions", renderGame, Options, nullptr, playing),
    transition(OptionsToGame, "OptionsToGame", renderOptions, Game, leaveOptionsForGame),
    transition(GametypeToDifficulty, "GametypeToDifficulty", renderGametype, Difficulty),
    transition(DifficultyToGametype, "DifficultyToGametype", renderDifficulty, Gametype),
    screen(Difficulty, "Difficulty", UpdateDifficulty, renderDifficulty, clickDifficulty),
    withWheel(screen(Achieves, "Achieves", UpdateAchieves, renderAchieves, clickAchieves),
              wheelAchieves),
    transition(MenuToAchieves, "MenuToAchieves", renderMenu, Achieves),
    transition(AchievesToMenu, "AchievesToMenu", renderAchieves, Menu),
    screen(Patching, "Patching", UpdatePatching, renderPatching, nullptr),
    screen(LevelSelect, "LevelSelect", UpdateLevelSelect, renderLevelSelect, clickLevelSelect),
    transition(LevelSelectToGame, "LevelSelectToGame", renderLevelSelect, Game, startChosenLevel),
    transition(DifficultyToClassicModeSelect, "DifficultyToClassicModeSelect", renderDifficulty,
               ClassicModeSelect),
    screen(ClassicModeSelect, "ClassicModeSelect", UpdateClassicModeSelect, renderClassicModeSelect,
           clickClassicModeSelect),
    transition(ClassicModeSelectToLevelSelect, "ClassicModeSelectToLevelSelect",
               renderClassicModeSelect, LevelSelect),
    transition(ClassicModeSelectToDifficulty, "ClassicModeSelectToDifficulty",
               renderClassicModeSelect, Difficulty),
    transition(LevelSelectToClassicModeSelect, "LevelSelectToClassicModeSelect", renderLevelSelect,
               ClassicModeSelect),
    transition(ClassicModeSelectToGame, "ClassicModeSelectToGame", renderClassicModeSelect, Game,
               startFreshLevel),
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

bool currentStateHas(ScreenFact fact) {
    const GameStateEntry* entry = findGameState(GameState);
    return entry && (entry->facts & fact) != 0;
}

bool isSettledState(int32_t value) {
    const GameStateEntry* entry = findGameState(value);
    return entry && (entry->facts & Settled) != 0;
}

// ---- fade ----

// Whether the fade may move this frame in a settled state.
static bool settledFadeMayMove() {
    if (!backgroundTextureLoaded(currentStateHas(GameBackground))) return false;
    if (GameState != ScoreScreen) return true;
    return scoreAwaitingReply || serverLink.connectionMode == ConnectionOffline ||
           modeState.practiceMode;
}

static void endTransition() {
    const GameStateEntry* entry = findGameState(GameState);
    if (!entry) return;
    if (entry->target != 0) GameState = entry->target;
    if (entry->onFadeEnd) entry->onFadeEnd();
}

void advanceFade(float dtMs) {
    if (isSettledState(GameState)) {
        bool held = fadeTimer < fadeDuration && !settledFadeMayMove();
        if (fadeTimer < fadeDuration && !held) fadeTimer += dtMs;
        noteFadeHeld(held, dtMs);
        return;
    }
    noteFadeHeld(false, dtMs);
    if (fadeTimer > 0) {
        bool halfSpeed = GameState == GametypeToGame && modeState.gameMode == ModeMeditation;
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
    beginFocusFrame();
    updateCurrentScreen(dtMs);
    hoverLagsPointer = false;
}

static void clearAndPlaceCamera() {
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    placeCameraForDrawing();
}

// A value without a row draws the backdrop and the cursor, and no screen.
static const GameStateEntry emptyScreen = {0,       "",      nullptr, nullptr, 0, nullptr,
                                           nullptr, nullptr, nullptr, nullptr, 0};

static void drawScreen(const GameStateEntry& entry) {
    if (entry.render) entry.render();
    if (play.paused && (GameState == Game || GameState == GameToOptions)) renderPause();
}

static bool cursorHidden(const GameStateEntry& entry) {
    // The focus drawn on a button stands for the cursor, except over play.
    if (focusShown && (GameState != Game || play.paused)) return true;
    if (entry.cursorHidden) return entry.cursorHidden();
    return (entry.facts & HidesCursor) != 0;
}

void Draw() {
    {
        ProfileScope section("Draw");
        enterRenderPass(PassOther);
        const GameStateEntry* found = findGameState(GameState);
        const GameStateEntry& entry = found ? *found : emptyScreen;
        clearAndPlaceCamera();
        begin2D();
        if (!(entry.facts & NoBackdrop)) {
            bool showsGame = (entry.facts & GameBackground) != 0;
            bool gameView = (entry.facts & GameView) != 0;
            renderBackground(showsGame, gameView ? renderOpaqueMass : nullptr,
                             gameView && massBoxWindowShare() < smallMassWindowShare);
            if (!gameView) begin2D();
        }
        drawScreen(entry);
        enterRenderPass(PassOther);
        if (!cursorHidden(entry)) renderCursor();
        renderFadeIn();
    }
    renderDebugOverlays();
    end2D();
    endRenderPasses();
}
