#include "game/launch_start.h"

#include <cstdlib>

#include "engine/camera.h"
#include "game/bot.h"
#include "game/modes.h"
#include "game/powerups.h"
#include "game/unbuilt_services.h"
#include "online/encodings.h"
#include "shell/console_log.h"
#include "shell/game_state.h"
#include "shell/launch_options.h"
#include "shell/profiler.h"

static constexpr int32_t classicLevels = 10;

bool parseStartMode(const std::string& text, int32_t& mode, int32_t& level) {
    static const char* const names[] = {"casual", "normal",   "expert",
                                        "rush",   "survival", "meditation"};
    size_t colon = text.find(':');
    std::string name = text.substr(0, colon);
    mode = 0;
    for (int32_t i = 0; i < 6; i++)
        if (name == names[i]) mode = ModeCasual + i;
    level = 0;
    if (colon != std::string::npos) {
        char* end = nullptr;
        long parsed = strtol(text.c_str() + colon + 1, &end, 10);
        if (*end != '\0' || parsed < 1 || parsed > classicLevels) return false;
        level = static_cast<int32_t>(parsed);
    }
    return mode != 0;
}

// As the menus begin a game: Ranked from level 1, or Practice of one level.
static void beginGame(int32_t mode, int32_t level) {
    sessionhash = makeSessionHash();
    powerCharge = 0;
    gameMode = mode;
    bool chosenLevel = level > 0 && mode <= ModeExpert;
    practiceMode = chosenLevel;
    if (chosenLevel) levelIndex = level - 1;
    GameState = Game;
    fadeTimer = 0;
    startLevel(chosenLevel ? 0 : 1);
}

void startGameFromLaunchOptions() {
    placeStartupCamera();
    cameraLoadsGL = true;
    autoplayOn = launchOptions.autoplay;
    resetBot(launchOptions.hasSeed ? launchOptions.seed : 1);
    if (launchOptions.startMode.empty()) return;
    int32_t mode = 0, level = 0;
    if (!parseStartMode(launchOptions.startMode, mode, level)) {
        logConsole("Ignoring --start " + launchOptions.startMode);
        return;
    }
    beginGame(mode, level);
}

void runAutoplayFrame() {
    if (!autoplayOn) return;
    float dtMs = launchOptions.fixedStepMs > 0 ? launchOptions.fixedStepMs : frameTime;
    botStep(dtMs);
}
