// The Ranking screen against a server that ranks many players: the stored
// account logs in, the menu's "Online Ranking" is clicked, the scroll bar is
// grabbed and pulled to the bottom and held there while every page arrives,
// so the list follows its end. Each frame's profile gives the time spent
// cutting pages into rows ("cutRankingPages") and in the whole frame.
//
//   zentrix-ranking-bench --server URL --config-dir DIR [--frames N] [--shot PNG]
//
// Run it from a folder holding data/assets.ass under a display (run.sh fills
// a server with players and starts Xvfb).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/console_log.h"
#include "base/game_state.h"
#include "base/profiler.h"
#include "dev/launch_start.h"
#include "engine/textures.h"
#include "online/ranking.h"
#include "platform/input_state.h"
#include "platform/settings_store.h"
#include "platform/window.h"
#include "protocol/encodings.h"
#include "settings/settings.h"
#include "shell/launch_options.h"
#include "shell/main_loop.h"
#include "shell/startup.h"
#include "shell/state_table.h"
#include "shell/window.h"

namespace {

constexpr float stepMs = 16.0f;
constexpr double slowFrameMs = 50.0;
using Clock = std::chrono::steady_clock;

struct BenchOptions {
    std::string server, configDir, shot;
    int64_t frames = 20000;  // gives up after this many
};

struct FrameSample {
    double frameMs;  // the whole frame's wall time
    double cutMs;    // spent in cutRankingPages
    int32_t rows;    // rows cut so far
};

bool parseOptions(int argc, char** argv, BenchOptions& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string name = argv[i], value = argv[i + 1];
        if (name == "--server")
            options.server = value;
        else if (name == "--config-dir")
            options.configDir = value;
        else if (name == "--shot")
            options.shot = value;
        else if (name == "--frames")
            options.frames = std::max(1, atoi(value.c_str()));
        else
            return false;
    }
    return argc % 2 == 1 && !options.server.empty() && !options.configDir.empty();
}

// The visit, as a player would make it: frames count from each screen's arrival.
std::vector<ScriptCommand> visitScript() {
    std::string text =
        "Menu+20 move 640 320\n"  // "Online Ranking", menu row -1
        "Menu+22 ldown\n"
        "Menu+23 lup\n"
        "Ranking+30 move 964 300\n"  // the top of the scroll bar
        "Ranking+32 ldown\n"
        "Ranking+34 move 964 700\n";  // pulled below its end, and held
    std::string error;
    std::vector<ScriptCommand> script = parseScript(text, error);
    if (!error.empty()) fprintf(stderr, "%s", error.c_str());
    return script;
}

void setLaunchOptions(const BenchOptions& options) {
    launchOptions.windowedWidth = 1280;
    launchOptions.windowedHeight = 720;
    launchOptions.configDir = options.configDir;
    launchOptions.fixedStepMs = stepMs;
    launchOptions.noDialogs = true;
    noDialogs = true;
    settingsDirOverride = options.configDir;
    secureBaseUrl = options.server + "/secure.php?data=";
}

void takeOneEvent() {
    PlatformEvent event;
    if (platformPollEvent(event)) windowProcedure(event);
}

double sectionMs(const char* label) {
    double total = 0;
    for (const ProfileSection& section : lastFrameProfile)
        if (section.label == label && section.endMs >= 0) total += section.endMs - section.startMs;
    return total;
}

FrameSample runFrame(int64_t frame, bool takeShot) {
    Clock::time_point start = Clock::now();
    profileFrameStart();
    runScriptFrame(frame);
    runDevelopmentFrame();
    takeOneEvent();
    updateStreamingTextures(stepMs);
    Update(stepMs);
    Draw();
    if (takeShot) takeScriptScreenshots(frame);
    platformSwapBuffers(gameWindow);
    profileFrameEnd();
    if (!platformInjectedEventsPending()) platformReleaseInjectedKeys();
    double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    return {ms, sectionMs("cutRankingPages"), static_cast<int32_t>(rankingRows.size())};
}

bool scrolledToTheEnd() {
    return GameState == Ranking && rankingAtEnd && rankingPages.empty() && !rankingRows.empty() &&
           rankingScroll == lastRankingScroll();
}

double percentile(std::vector<double> values, double share) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t index = static_cast<size_t>(share * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

void printReport(const std::vector<FrameSample>& samples) {
    std::vector<double> cuts, frames;
    int slowCuts = 0, slowFrames = 0;
    for (const FrameSample& sample : samples) {
        cuts.push_back(sample.cutMs);
        frames.push_back(sample.frameMs);
        slowCuts += sample.cutMs > slowFrameMs ? 1 : 0;
        slowFrames += sample.frameMs > slowFrameMs ? 1 : 0;
    }
    printf("ranking bench: %zu frames on the Ranking screen, %d rows, scrolled to row %d\n",
           samples.size(), samples.empty() ? 0 : samples.back().rows, rankingScroll + 1);
    printf("  cutRankingPages ms: p50 %.3f  p99 %.3f  max %.3f; frames over %.0f ms from it: %d\n",
           percentile(cuts, 0.5), percentile(cuts, 0.99), percentile(cuts, 1.0), slowFrameMs,
           slowCuts);
    printf("  whole frame ms: p50 %.2f  p99 %.2f  max %.2f; frames over %.0f ms: %d\n",
           percentile(frames, 0.5), percentile(frames, 0.99), percentile(frames, 1.0), slowFrameMs,
           slowFrames);
}

}  // namespace

int main(int argc, char** argv) {
    BenchOptions options;
    if (!parseOptions(argc, argv, options)) {
        fprintf(stderr,
                "usage: zentrix-ranking-bench --server URL --config-dir DIR [--frames N] "
                "[--shot PNG]\n");
        return 2;
    }
    setLaunchOptions(options);
    if (!platformInitVideo()) {
        fprintf(stderr, "zentrix-ranking-bench: no display\n");
        return 1;
    }
    emptyLogFiles();
    loadSettings();
    ScreenWidth = launchOptions.windowedWidth;
    ScreenHeight = launchOptions.windowedHeight;
    if (!registerWindowClass() || !createGLWindow(windowRecord)) return 1;
    startupGame();
    launchScript = visitScript();
    profilingOn = true;
    std::vector<FrameSample> samples;
    int64_t frame = 0;
    for (; frame < options.frames && !scrolledToTheEnd(); frame++) {
        FrameSample sample = runFrame(frame, false);
        if (GameState == Ranking) samples.push_back(sample);
    }
    printReport(samples);
    fflush(stdout);
    bool done = scrolledToTheEnd();
    if (!done) fprintf(stderr, "zentrix-ranking-bench: the list never reached its end\n");
    if (!options.shot.empty()) {
        ScriptCommand shot;
        shot.frame = frame;
        shot.action = "shot";
        shot.argument = options.shot;
        launchScript = {shot};
        runFrame(frame, true);
    }
    shutdownGame();
    destroyGLWindow(windowRecord);
    return done ? 0 : 1;
}
