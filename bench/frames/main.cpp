// Frame times of the game view in a fixed, seeded scene, beside the
// renderer's floor measured in the same run. The heavy scene is the largest
// Classic level played by the autoplay bot, Timewarp on with motion blur,
// the mass held above 80 % of its limit (camera shake, mass warning); the
// typical scene is Classic level 3 in normal play without Timewarp. The game
// runs through its real start-up, intro and frame loop; each frame's wall
// time (input, streaming, update, draw, swap) is measured. Then the samples
// the scene draws are counted with an occlusion query around each pass
// (printed per pass with the texture binds, texture-matrix loads, capability
// switches, blend changes and draw calls it asks for), and
// the same number drawn as full-window textured, blended quads is timed:
// frame time divided by that floor says how far above the renderer's own
// cost the view is.
//
//   zentrix-frames [--scene heavy|typical|launch] [--size WxH] [--msaa 0|4] [--frames N]
//                  [--seed N] [--level N] [--shot PNG] [--without PART]... [--blur copy|targets]
//                  [--anisotropy 0|1] [--background atlas|copy]
//
// Run it from a folder holding data/assets.ass under a display (run.sh
// starts Xvfb and runs it without multisampling and at 4x).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/console_log.h"
#include "base/frame_state.h"
#include "base/game_state.h"
#include "base/profiler.h"
#include "bench/frames/floor.h"
#include "bench/frames/launch.h"
#include "dev/launch_start.h"
#include "engine/particles.h"
#include "engine/render_stats.h"
#include "engine/textures.h"
#include "game/blocks.h"
#include "game/matching.h"
#include "game/meter.h"
#include "game/modes.h"
#include "game/play.h"
#include "game/powerups.h"
#include "online/account.h"
#include "platform/settings_store.h"
#include "platform/window.h"
#include "screens/backdrop.h"
#include "screens/game_view.h"
#include "screens/intro.h"
#include "settings/settings.h"
#include "shell/launch_options.h"
#include "shell/main_loop.h"
#include "shell/startup.h"
#include "shell/state_table.h"
#include "shell/window.h"

namespace {

struct BenchOptions {
    bool typical = false;  // --scene typical: level 3, normal play, no Timewarp
    bool launch = false;   // --scene launch: time from launch to the offline Login step
    int width = 1280, height = 720;
    int msaa = 0;
    int frames = 600;
    int warmup = 240;  // game frames before measuring: the level's background streams in
    unsigned seed = 5;
    int level = 10;    // the largest Classic level
    std::string shot;  // --shot PNG: a picture of the scene after the measured frames
    // --without blur|warning|particles|stars (repeatable): leaves that part out, to
    // show what it costs.
    bool withoutBlur = false, withoutWarning = false, withoutParticles = false;
    bool withoutStars = false;
    int anisotropy =
        0;  // --anisotropy 1: the atlas pages filter anisotropically, as at high quality
};

constexpr float stepMs = 16.0f;
constexpr float heldMassShare = 0.85f;
constexpr int minimumMass = 120;  // blocks; below this the level starts again
constexpr int loadingFrameLimit = 20000;
constexpr int typicalLevel = 3;
// Every fourth frame of the run counts its samples instead of being timed.
constexpr int countEvery = 4;

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point start, Clock::time_point end) {
    return std::chrono::duration<double, std::milli>(end - start).count();
}

double msSince(Clock::time_point start) {
    return msBetween(start, Clock::now());
}

bool leaveOut(const std::string& part, BenchOptions& options) {
    if (part == "blur") return options.withoutBlur = true;
    if (part == "warning") return options.withoutWarning = true;
    if (part == "particles") return options.withoutParticles = true;
    if (part == "stars") return options.withoutStars = true;
    return false;
}

bool chooseScene(const std::string& scene, BenchOptions& options) {
    options.typical = scene == "typical";
    options.launch = scene == "launch";
    return options.typical || options.launch || scene == "heavy";
}

bool parseBenchOptions(int argc, char** argv, BenchOptions& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string name = argv[i];
        int value = atoi(argv[i + 1]);
        if (name == "--shot")
            options.shot = argv[i + 1];
        else if (name == "--scene") {
            if (!chooseScene(argv[i + 1], options)) return false;
        } else if (name == "--size")
            sscanf(argv[i + 1], "%dx%d", &options.width, &options.height);
        else if (name == "--msaa")
            options.msaa = value;
        else if (name == "--frames")
            options.frames = std::max(1, value);
        else if (name == "--anisotropy")
            options.anisotropy = value != 0;
        else if (name == "--blur")
            blurTargetsAllowed = std::string(argv[i + 1]) != "copy";
        else if (name == "--background")
            backgroundCopyAllowed = std::string(argv[i + 1]) != "atlas";
        else if (name == "--seed")
            options.seed = static_cast<unsigned>(value);
        else if (name == "--level")
            options.level = std::clamp(value, 1, 10);
        else if (name != "--without" || !leaveOut(argv[i + 1], options))
            return false;
    }
    if (options.typical) options.level = typicalLevel;
    return argc % 2 == 1 && options.width >= 640 && options.height >= 480;
}

// The game's own launch options: windowed, offline, seeded, fixed step, --start.
void setLaunchOptions(const BenchOptions& options, const std::string& configDir) {
    launchOptions.windowedWidth = options.width;
    launchOptions.windowedHeight = options.height;
    launchOptions.configDir = configDir;
    launchOptions.offline = true;
    launchOptions.hasSeed = true;
    launchOptions.seed = options.seed;
    launchOptions.fixedStepMs = stepMs;
    launchOptions.startMode = "normal:" + std::to_string(options.level);
    launchOptions.autoplay = true;
    launchOptions.noDialogs = true;
    noDialogs = true;
    settingsDirOverride = configDir;
    serverLink.connectionMode = ConnectionOffline;
}

// Settings of the run: the asked-for multisampling, motion blur on, and no
// anisotropic filtering (its cost is the driver's, not the view's). The run
// counts as a stored choice, so a software renderer's first-run Low preset
// does not replace them.
void applyBenchSettings(const BenchOptions& options) {
    loadSettings();
    settingsFileFound = true;
    ScreenWidth = launchOptions.windowedWidth;
    ScreenHeight = launchOptions.windowedHeight;
    AAlevel = options.msaa;
    anisotropyWanted = options.anisotropy;
    MotionBlur = 1;
    Colorblind = 0;
}

void takeOneEvent() {
    PlatformEvent event;
    if (platformPollEvent(event)) windowProcedure(event);
}

int levelRestarts = 0;  // times the scene's level was started again

void restartLevel(const BenchOptions& options) {
    levelRestarts++;
    modeState.levelIndex = options.level - 1;
    startLevel(0);
}

// Keeps the typical scene in play: no Timewarp, the level started again when it ends.
void holdTypicalScene(const BenchOptions& options) {
    if (meter.levelClearTimer > 0 || meter.endSequence) restartLevel(options);
    powerups.timewarpActive = false;
    MotionBlur = options.withoutBlur ? 0 : 1;
}

// Keeps the scene heavy: Timewarp running, the meter at 85 %, a big mass.
void holdHeavyScene(const BenchOptions& options) {
    if (GameState != Game) return;
    if (options.withoutStars) resetStarfield();
    if (options.typical) return holdTypicalScene(options);
    if (aliveBlockCount() < minimumMass || meter.levelClearTimer > 0 || meter.endSequence)
        restartLevel(options);
    powerups.multiplierActive = powerups.fusionActive = false;
    powerups.timewarpActive = true;
    powerups.powerCharge = maxPowerCharge;
    // Below 60 % of the limit the warning is not drawn.
    meter.mass = (options.withoutWarning ? 0.5f : heldMassShare) * meter.massLimit;
    // Slow frames would switch the blur off; its cost is what is measured.
    MotionBlur = options.withoutBlur ? 0 : 1;
    if (options.withoutParticles) {
        for (ParticleBurst& burst : particleBursts) burst.alive = false;
    }
}

struct FrameSample {
    double ms;
    int particles;
    double updateMs, drawMs, swapMs;  // the frame's three parts, back to back
};

FrameSample runFrame(const BenchOptions& options, bool takeShot = false) {
    Clock::time_point start = Clock::now();
    profileFrameStart();
    // The bot moves by the last frame's step, as in the main loop.
    frameDtMs = stepMs;
    runDevelopmentFrame();
    takeOneEvent();
    updateStreamingTextures(stepMs);
    Update(stepMs);
    holdHeavyScene(options);
    Clock::time_point drawn = Clock::now();
    Draw();
    int particles = particlesDrawn;
    if (takeShot) takeScriptScreenshots(0);
    Clock::time_point swapped = Clock::now();
    platformSwapBuffers(gameWindow);
    profileFrameEnd();
    Clock::time_point end = Clock::now();
    return {msBetween(start, end), particles, msBetween(start, drawn), msBetween(drawn, swapped),
            msBetween(swapped, end)};
}

// Streaming adapts its steps to the time they take, so the intro's length and
// the random numbers used on the way differ from run to run: the scene starts
// again from the seed, so every run (and its pictures) plays the same game.
void startSceneAgain(const BenchOptions& options) {
    srand(options.seed);
    modeState.levelIndex = options.level - 1;
    startLevel(0);
}

// Start-up, the intro and its texture streaming, up to the game's first
// frame; from there the run repeats frame for frame. False when it never comes.
bool runUntilPlaying(const BenchOptions& options, double& preloadMs) {
    Clock::time_point start = Clock::now();
    bool loadingSeen = false;
    for (int frame = 0; frame < loadingFrameLimit; frame++) {
        if (!loadingSeen && introLoaded) {
            loadingSeen = true;
            start = Clock::now();
        }
        runFrame(options);
        if (GameState == Game) {
            preloadMs = msSince(start);
            startSceneAgain(options);
            return true;
        }
    }
    return false;
}

std::string loadAverage() {
    char text[64] = "?";
    if (FILE* file = fopen("/proc/loadavg", "r")) {
        if (!fgets(text, sizeof text, file)) text[0] = 0;
        fclose(file);
    }
    std::string load = text;
    return load.substr(0, load.find(' ', load.find(' ', load.find(' ') + 1) + 1));
}

// Frames whose samples were counted, and the particles they drew.
int countedFrames = 0;
double countedParticles = 0;

// Counting makes the renderer finish every pass, so a counted frame is not
// timed; spread over the run, the counted frames show the same moments of
// the game as the timed ones. Each pass counts its samples and GL calls.
void countFrameSamples(const BenchOptions& options) {
    renderStatsOn = passSamplesOn = true;
    countedParticles += runFrame(options).particles;
    renderStatsOn = passSamplesOn = false;
    countedFrames++;
}

// The counted frames, as a divisor that is never zero.
double countedDivisor() {
    return std::max(1, countedFrames);
}

// Mean samples of a counted frame.
uint64_t meanSceneSamples() {
    uint64_t total = 0;
    for (const PassCounts& counts : passCounts) total += counts.samples;
    return static_cast<uint64_t>(total / countedDivisor());
}

void printPassLine(const char* name, const PassCounts& c, double layersPerSample) {
    double frames = countedDivisor();
    printf("  %-12s %7.2f %6.1f %7.1f %7.1f %6.1f %6.1f\n", name,
           static_cast<double>(c.samples) / frames * layersPerSample, c.binds / frames,
           c.matrixLoads / frames, c.switches / frames, c.blendChanges / frames, c.draws / frames);
}

// Per frame and pass: samples (in window layers) and the GL calls asked for.
void printPassCounts(double layersPerSample) {
    printf("  per pass and frame:\n  %-12s %7s %6s %7s %7s %6s %6s\n", "pass", "layers", "binds",
           "matrix", "switch", "blend", "draws");
    PassCounts sum = {};
    for (int pass = 0; pass < PassCount; pass++) {
        const PassCounts& c = passCounts[pass];
        sum = {sum.binds + c.binds,       sum.matrixLoads + c.matrixLoads,
               sum.switches + c.switches, sum.blendChanges + c.blendChanges,
               sum.draws + c.draws,       sum.samples + c.samples};
        printPassLine(renderPassName(static_cast<RenderPass>(pass)), c, layersPerSample);
    }
    printPassLine("all", sum, layersPerSample);
}

void printFloor(const std::vector<double>& times, uint64_t samples, const FloorResult& floor) {
    double p50 = percentile(times, 0.5), p95 = percentile(times, 0.95);
    printf(
        "  samples per frame %llu = %.2f window layers (every %dth frame counted, not timed: "
        "particles mean %.0f)\n",
        static_cast<unsigned long long>(samples), floor.quadLayers, countEvery,
        countedParticles / countedDivisor());
    printf("  floor ms: p50 %.2f  p95 %.2f   ratio frame/floor: p50 %.2f  p95 %.2f\n", floor.p50Ms,
           floor.p95Ms, p50 / floor.p50Ms, p95 / floor.p50Ms);
    printf("  of the floor, clear and swap alone: p50 %.2f ms\n", floor.emptyP50Ms);
}

// The target's yardstick: five window layers, whatever the scene draws.
void printFiveLayerFloor(const std::vector<double>& times, const FloorResult& five) {
    printf("  five-layer floor ms: p50 %.2f  p95 %.2f   frame p95 / five-layer floor p50 %.2f\n",
           five.p50Ms, five.p95Ms, percentile(times, 0.95) / five.p50Ms);
}

void printReport(const BenchOptions& options, const std::vector<FrameSample>& samples,
                 double preloadMs, int longestCombo) {
    std::vector<double> times, updates, draws, swaps;
    double particleSum = 0;
    int particleMost = 0;
    for (const FrameSample& sample : samples) {
        times.push_back(sample.ms);
        updates.push_back(sample.updateMs);
        draws.push_back(sample.drawMs);
        swaps.push_back(sample.swapMs);
        particleSum += sample.particles;
        particleMost = std::max(particleMost, sample.particles);
    }
    printf("frames bench: %s scene, %dx%d, msaa %s, level %d, seed %u, %zu frames\n",
           options.typical ? "typical" : "heavy", options.width, options.height,
           multisampleChosen ? (std::to_string(multisampleFormat) + "x").c_str() : "off",
           options.level, options.seed, samples.size());
    printf("  frame time ms: p50 %.2f  p95 %.2f  p99 %.2f  max %.2f\n", percentile(times, 0.5),
           percentile(times, 0.95), percentile(times, 0.99), percentile(times, 1.0));
    // The software renderer only queues the draws; it shades them at the swap.
    printf("  p50 ms: update %.2f, draw calls %.2f, swap (shading and presenting) %.2f\n",
           percentile(updates, 0.5), percentile(draws, 0.5), percentile(swaps, 0.5));
    printf("  particles per frame: mean %.0f  max %d (particleCountMax %d)\n",
           particleSum / static_cast<double>(samples.size()), particleMost, particleCountMax);
    printf("  level started again %d times, %d blocks\n", levelRestarts, aliveBlockCount());
    printf("  longest chain %d, intro loading step to game (preload list streamed) %.0f ms\n",
           longestCombo, preloadMs);
}

}  // namespace

int main(int argc, char** argv) {
    BenchOptions options;
    if (!parseBenchOptions(argc, argv, options)) {
        fprintf(stderr,
                "usage: zentrix-frames [--scene heavy|typical|launch] [--size WxH] [--msaa 0|4] "
                "[--frames N] [--seed N] [--level N] [--shot PNG] "
                "[--without blur|warning|particles|stars]... [--blur copy|targets] [--anisotropy "
                "0|1] [--background atlas|copy]\n");
        return 2;
    }
    if (options.launch) return measureLaunch(options.width, options.height, "bench-launch-config");
    std::string configDir = "bench-frames-config";
    setLaunchOptions(options, configDir);
    if (!platformInitVideo()) {
        fprintf(stderr, "zentrix-frames: no display\n");
        return 1;
    }
    emptyLogFiles();
    applyBenchSettings(options);
    if (!registerWindowClass() || !createGLWindow(windowRecord)) return 1;
    startupGame();
    double preloadMs = 0;
    if (!runUntilPlaying(options, preloadMs)) {
        fprintf(stderr, "zentrix-frames: the game never started\n");
        return 1;
    }
    for (int i = 0; i < options.warmup; i++) runFrame(options);
    std::vector<FrameSample> samples;
    int longestCombo = 0;
    std::string loadBefore = loadAverage();
    clearPassCounts();
    for (int i = 1; static_cast<int>(samples.size()) < options.frames; i++) {
        if (i % countEvery == 0)
            countFrameSamples(options);
        else
            samples.push_back(runFrame(options));
        longestCombo = std::max(longestCombo, matching.lastPopOrder);
    }
    // The picture comes before the floor, which binds a texture of its own.
    if (!options.shot.empty()) {
        ScriptCommand shot;
        shot.frame = 0;
        shot.action = "shot";
        shot.argument = options.shot;
        launchScript = {shot};
        runFrame(options, true);
    }
    uint64_t sceneSamples = meanSceneSamples();
    FloorResult floor = measureFloor(sceneSamples, options.frames / 2);
    printReport(options, samples, preloadMs, longestCombo);
    std::vector<double> times;
    for (const FrameSample& sample : samples) times.push_back(sample.ms);
    printFloor(times, sceneSamples, floor);
    double samplesPerLayer = static_cast<double>(sceneSamples) / std::max(floor.quadLayers, 1e-9);
    printFiveLayerFloor(
        times, measureFloor(static_cast<uint64_t>(5 * samplesPerLayer + 0.5), options.frames / 2));
    printPassCounts(floor.quadLayers / static_cast<double>(std::max<uint64_t>(1, sceneSamples)));
    printf("  %s\n", residentMemoryLine().c_str());
    printf("  load average before %s, after %s\n", loadBefore.c_str(), loadAverage().c_str());
    shutdownGame();
    destroyGLWindow(windowRecord);
    return 0;
}
