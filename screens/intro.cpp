// The intro screen: the splash fades in, the meshes, sounds and the preload
// list of textures load behind it, and after 3.5 s the game moves on.
#include "screens/intro.h"

#include <cstdlib>

#include "base/console_log.h"
#include "base/frame_state.h"
#include "base/game_state.h"
#include "base/profiler.h"
#include "engine/draw2d.h"
#include "engine/particles.h"
#include "engine/textures.h"
#include "game/modes.h"
#include "game/play.h"
#include "online/account.h"
#include "online/achievements.h"
#include "online/requests.h"
#include "screens/backdrop.h"
#include "screens/fade.h"
#include "settings/settings.h"
#include "sound/sound.h"

float introTimer = 0.0f;
bool introLoaded = false;
PendingStart pendingStart;

static const char* const splashTexture = "briskogames.tga";
static constexpr float splashWidthShare = 0.5f;
static constexpr float splashAspect = 370.0f / 850.0f;
static constexpr float opaqueAlpha = 255.0f;

IntroStep introStep(bool startupDone, bool splashLoaded, bool loaded, float timerMs, bool startHeld,
                    bool texturesStreamed) {
    if (!startupDone || !splashLoaded) return IntroWaiting;
    if (!loaded) return IntroLoading;
    if (startHeld) return texturesStreamed ? IntroStartGame : IntroShowing;
    return timerMs > introLengthMs ? IntroFinished : IntroShowing;
}

// Everything play needs that is not streamed: meshes, particle sets, sounds.
static void runLoadingStep() {
    logConsole("Title texture loaded");
    loadMeshesAndParticles();
    preloadSounds();
    preloadTextures();
    fillAchievementTable();
    introLoaded = true;
}

void startPendingGame(const PendingStart& start) {
    // The stars draw from rand() too: a fresh field keeps the game's draws
    // the same however long the screens before took.
    if (start.reseed) {
        srand(start.seed);
        resetStarfield();
    }
    GameState = Game;
    fadeTimer = 0;
    beginGame(start.mode, start.level, start.ranked);
}

// The pending game begins offline, as the menus would begin it.
static void beginPendingGame() {
    serverLink.connectionMode = ConnectionOffline;
    startPendingGame(pendingStart);
    pendingStart = PendingStart{};
}

// With no stored account the server is asked once; no answer means offline.
static void testConnection() {
    if (!Username.empty() || serverLink.connectionMode == ConnectionOffline) return;
    std::string reply;
    if (requestNow("which_server.php", &reply, whichServerSeconds) != 0)
        serverLink.connectionMode = ConnectionOffline;
}

static void leaveIntro() {
    testConnection();
    if (serverLink.connectionMode == ConnectionOffline) {
        // The stored account stays: the next save keeps it, and "Retry
        // Connection" logs in with it.
        loginStep = offlineStep;
        GameState = IntroToLogin;
    } else if (Username.empty()) {
        loginStep = emailStep;
        GameState = IntroToCreateAcc;
    } else {
        loginStep = loggingInStep;
        GameState = IntroToLogin;
    }
}

void UpdateIntro(float dtMs) {
    ProfileScope section("UpdateIntro");
    bool splashLoaded = getTexture(splashTexture) != textureNotLoaded;
    bool streamed = textureQueue.empty();
    IntroStep step = introStep(startupStage == startupFinished, splashLoaded, introLoaded,
                               introTimer, pendingStart.mode != 0, streamed);
    if (step == IntroWaiting) return;
    if (step == IntroLoading) runLoadingStep();
    if (step == IntroStartGame) {
        beginPendingGame();
        return;
    }
    if (step == IntroFinished) {
        leaveIntro();
        return;
    }
    introTimer += dtMs;
}

void DrawBriskoTitle() {
    float w = static_cast<float>(ScreenWidth), h = static_cast<float>(ScreenHeight);
    float width = w * splashWidthShare;
    Render2D({w / 2, h / 2}, {width, width * splashAspect}, AnchorCentre, splashTexture,
             opaqueAlpha);
}

void renderIntro() {
    ProfileScope section("renderIntro");
    DrawBriskoTitle();
    // Draw lays the fade square once more, so the intro fades in darker.
    renderFadeIn();
}
