#include "dev/launch_start.h"

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/console_log.h"
#include "base/frame_state.h"
#include "base/game_state.h"
#include "dev/bot.h"
#include "game/blocks.h"
#include "game/meter.h"
#include "game/modes.h"
#include "game/play.h"
#include "online/account.h"
#include "online/requests.h"
#include "screens/intro.h"
#include "shell/launch_options.h"

// Autoplay begins a new run this long after a run's score screen appears.
static constexpr float scoreScreenPauseMs = 3000.0f;

int64_t autoplayGlErrors = 0;

static uint32_t botSeed() {
    return launchOptions.hasSeed ? launchOptions.seed : 1;
}

// A ranked game played online, waiting for the login to reach the menu.
static PendingStart rankedStart;

// The --start game waits in the intro until the resident assets have loaded,
// or, ranked and online, for the menu.
static void handStartToIntro() {
    autoplayOn = launchOptions.autoplay;
    resetBot(botSeed());
    if (launchOptions.startMode.empty()) return;
    int32_t mode = 0, level = 0;
    bool ranked = false;
    if (!parseStartMode(launchOptions.startMode, mode, level, ranked)) {
        logConsole("Ignoring --start " + launchOptions.startMode);
        return;
    }
    PendingStart start = {mode, level, launchOptions.hasSeed, launchOptions.seed, ranked};
    if (ranked && serverLink.connectionMode != ConnectionOffline) {
        rankedStart = start;
    } else {
        pendingStart = start;
    }
}

// The menu has faded in after the login: the ranked game begins from it.
static void beginRankedStart() {
    if (rankedStart.mode == 0 || GameState != Menu || fadeTimer < fadeDuration) return;
    logConsole("Starting the ranked game of --start " + launchOptions.startMode);
    startPendingGame(rankedStart);
    rankedStart = PendingStart{};
}

// --clear-level: once the first level's play has begun, every block goes, so
// the clear and all that follows it (score, congratulations) run at once.
static void clearLevelOnce() {
    static bool cleared = false;
    if (cleared || !launchOptions.clearLevel || GameState != Game || !play.playStarted) return;
    for (int32_t slot = 0; slot < blockSlots; slot++) clearBlock(slot);
    cleared = true;
    logConsole("Level emptied by --clear-level");
}

// Autoplay goes on past the end of a run: a while after the score screen
// appears the next run begins, in the next mode (Classic at the next level).
static void startNextAutoplayRun() {
    static float shownMs = 0.0f;
    static int32_t runs = 0;
    if (GameState != ScoreScreen) {
        shownMs = 0.0f;
        return;
    }
    shownMs += frameDtMs;
    if (shownMs < scoreScreenPauseMs) return;
    runs++;
    int32_t mode = ModeCasual + runs % 6;
    int32_t level = 1 + runs / 6 % (lastClassicLevelIndex + 1);
    logConsole("Autoplay begins run " + std::to_string(runs) + " in mode " + std::to_string(mode));
    GameState = Game;
    fadeTimer = 0;
    beginGame(mode, level);
    resetBot(botSeed() + static_cast<uint32_t>(runs));
}

void runDevelopmentFrame() {
    static bool handedOver = false;
    static bool startWaiting = false;
    if (!handedOver) {
        handedOver = true;
        handStartToIntro();
        startWaiting = pendingStart.mode != 0 || rankedStart.mode != 0;
    }
    beginRankedStart();
    clearLevelOnce();
    // The bot starts afresh with the game the intro or the menu began.
    if (startWaiting && pendingStart.mode == 0 && rankedStart.mode == 0) {
        startWaiting = false;
        resetBot(botSeed());
    }
    if (!autoplayOn) return;
    startNextAutoplayRun();
    // The bot moves by the time the last frame took, as a player would.
    botStep(frameDtMs);
}

static std::vector<float> autoplayFrameMs;
static constexpr size_t frameTimesKept = 1 << 20;

void timeAutoplayFrame() {
    using Clock = std::chrono::steady_clock;
    static Clock::time_point last;
    static double blockedBefore = 0.0;
    if (!autoplayOn) return;
    Clock::time_point now = Clock::now();
    double blocked = blockingRequestMs - blockedBefore;
    blockedBefore = blockingRequestMs;
    bool first = last == Clock::time_point{};
    std::chrono::duration<double, std::milli> frame = now - last;
    last = now;
    if (first || autoplayFrameMs.size() >= frameTimesKept) return;
    autoplayFrameMs.push_back(static_cast<float>(std::max(0.0, frame.count() - blocked)));
}

void logAutoplayFrameTimes() {
    if (!autoplayOn || autoplayFrameMs.empty()) return;
    std::vector<float> sorted = autoplayFrameMs;
    std::sort(sorted.begin(), sorted.end());
    auto at = [&](double share) {
        return sorted[static_cast<size_t>(share * (sorted.size() - 1))];
    };
    char text[200];
    snprintf(text, sizeof text,
             "Autoplay frame times: %zu frames, p50 %.1f ms, p99 %.1f ms, longest %.1f ms outside "
             "blocking requests; %.0f ms in blocking requests",
             sorted.size(), at(0.5), at(0.99), sorted.back(), blockingRequestMs);
    logConsole(text);
}

void checkAutoplayGlErrors() {
    if (!autoplayOn) return;
    for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError()) {
        char text[64];
        snprintf(text, sizeof text, "GL error 0x%04x in an autoplay frame", error);
        logConsole(text);
        autoplayGlErrors++;
    }
}
