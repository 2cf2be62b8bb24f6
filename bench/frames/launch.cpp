#include "bench/frames/launch.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "base/console_log.h"
#include "base/frame_state.h"
#include "base/game_state.h"
#include "base/profiler.h"
#include "engine/gl_caps.h"
#include "engine/textures.h"
#include "online/account.h"
#include "platform/settings_store.h"
#include "platform/window.h"
#include "settings/settings.h"
#include "shell/launch_options.h"
#include "shell/main_loop.h"
#include "shell/startup.h"
#include "shell/state_table.h"
#include "shell/window.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int launchFrameLimit = 20000;
constexpr double bytesPerMB = 1024.0 * 1024.0;
constexpr float longestStepMs = 100.0f;  // a stalled frame does not skip the intro's fades

double residentBytes() {
    FILE* file = fopen("/proc/self/status", "r");
    if (!file) return 0;
    char line[256];
    double kilobytes = 0;
    while (fgets(line, sizeof line, file)) {
        if (strncmp(line, "VmRSS:", 6) == 0) kilobytes = atof(line + 6);
    }
    fclose(file);
    return kilobytes * 1024.0;
}

bool onOfflineLoginStep() {
    return GameState == Login && loginStep == offlineStep;
}

void startFreshProfile(int width, int height, const std::string& configDir) {
    std::error_code ignored;
    std::filesystem::remove_all(configDir, ignored);
    launchOptions.windowedWidth = width;
    launchOptions.windowedHeight = height;
    launchOptions.configDir = configDir;
    launchOptions.offline = true;
    launchOptions.noDialogs = true;
    noDialogs = true;
    settingsDirOverride = configDir;
    serverLink.connectionMode = ConnectionOffline;
    loadSettings();
    applyQualityPresets();
    ScreenWidth = width;
    ScreenHeight = height;
}

void runWallClockFrame(float dtMs) {
    profileFrameStart();
    frameDtMs = dtMs;
    PlatformEvent event;
    if (platformPollEvent(event)) windowProcedure(event);
    updateStreamingTextures(dtMs);
    Update(dtMs);
    Draw();
    platformSwapBuffers(gameWindow);
    profileFrameEnd();
}

}  // namespace

std::string residentMemoryLine() {
    double atlas = static_cast<double>(atlasPageTextures.size()) * atlasSize * atlasSize * 4;
    double resident = residentBytes();
    char text[128];
    snprintf(text, sizeof text, "resident %.0f MB, atlas pages %zu x %d^2 = %.0f MB (%.0f %%)",
             resident / bytesPerMB, atlasPageTextures.size(), atlasSize, atlas / bytesPerMB,
             resident > 0 ? 100.0 * atlas / resident : 0.0);
    return text;
}

int measureLaunch(int width, int height, const std::string& configDir) {
    Clock::time_point launched = Clock::now();
    startFreshProfile(width, height, configDir);
    if (!platformInitVideo()) return 1;
    emptyLogFiles();
    if (!registerWindowClass() || !createGLWindow(windowRecord)) return 1;
    startupGame();
    Clock::time_point last = Clock::now();
    int frames = 0;
    for (; frames < launchFrameLimit && !onOfflineLoginStep(); frames++) {
        Clock::time_point now = Clock::now();
        float dtMs = std::chrono::duration<float, std::milli>(now - last).count();
        last = now;
        runWallClockFrame(std::min(dtMs, longestStepMs));
    }
    double ms = std::chrono::duration<double, std::milli>(Clock::now() - launched).count();
    printf(
        "launch: %dx%d fresh profile, VisualQuality %d, msaa %d: offline Login step after "
        "%.0f ms (%d frames)\n  %s\n",
        width, height, VisualQuality, AAlevel, ms, frames, residentMemoryLine().c_str());
    shutdownGame();
    destroyGLWindow(windowRecord);
    return onOfflineLoginStep() ? 0 : 1;
}
