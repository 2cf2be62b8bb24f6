#include "shell/main_loop.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive/asset_archive.h"
#include "base/console_log.h"
#include "base/frame_state.h"
#include "base/game_state.h"
#include "base/profiler.h"
#include "engine/textures.h"
#include "game/play.h"
#include "game/replay_recorder.h"
#include "online/account.h"
#include "online/mac_address.h"
#include "platform/gamepad.h"
#include "platform/input_state.h"
#include "platform/settings_store.h"
#include "platform/system.h"
#include "platform/window.h"
#include "protocol/encodings.h"
#include "protocol/replay.h"
#include "screens/restart.h"
#include "settings/settings.h"
#include "shell/gamepad_input.h"
#include "shell/input.h"
#include "shell/launch_options.h"
#include "shell/partial_frames.h"
#include "shell/play_keys.h"
#include "shell/program.h"
#include "shell/replay_view.h"
#include "shell/startup.h"
#include "shell/state_table.h"
#include "shell/window.h"
#include "sound/sound.h"

DevelopmentHooks developmentHooks = {};
std::string programPath;

static constexpr uint32_t olderInstanceWaitMs = 1000;
static constexpr uint32_t olderInstanceRescanMs = 100;
static constexpr int olderInstanceWaitsBeforeKill = 5;
static constexpr uint32_t minimisedSleepMs = 100;

// ---- frame pacer ----

bool framePaced(int32_t gameState, bool paused, float fixedStepMs, bool streaming) {
    if (fixedStepMs > 0 || streaming) return false;
    return gameState != Game || paused;
}

bool screenIdle(bool settledAndShown, double sinceInputMs) {
    return settledAndShown && sinceInputMs >= idleAfterInputMs;
}

uint32_t pacedWaitMs(double elapsedMs, double frameMs) {
    if (!(elapsedMs >= 0) || elapsedMs >= frameMs) return 0;
    return static_cast<uint32_t>(frameMs - elapsedMs);
}

static uint64_t lastInputCounter = 0;  // counter reading when the last event was taken

static bool pacedNow() {
    return framePaced(GameState, play.paused, launchOptions.fixedStepMs, !textureQueue.empty());
}

static bool idleNow() {
    bool shown = isSettledState(GameState) && fadeTimer >= fadeDuration;
    return pacedNow() && screenIdle(shown, platformMsSince(lastInputCounter));
}

static void waitForFrameTime(uint64_t frameStart) {
    if (!pacedNow()) return;
    bool idle = idleNow();
    uint32_t waitMs = pacedWaitMs(platformMsSince(frameStart), idle ? idleFrameMs : pacedFrameMs);
    if (waitMs == 0) return;
    // Mid-use the frame keeps its time however the mouse moves; an idle
    // screen wakes for the first event.
    if (idle)
        platformWaitForEvent(waitMs);
    else
        platformSleep(waitMs);
}

// ---- restarting ----

static std::vector<std::string> launchArguments;  // the arguments this copy was started with

// The new copy waits for this one to end before it opens its window.
static void relaunchAndQuit() {
    if (!platformStartProgram(programPath, launchArguments))
        logConsole("Could not restart " + programPath);
    quitProgram();
}

// ---- entry steps ----

std::string makeVersionText(const std::string& fileVersion) {
    std::string text = "Version ";
    for (char c : fileVersion) {
        if (c == ' ') continue;
        text += c == ',' ? '.' : c;
    }
    return text;
}

static void findProgramPath() {
    std::string fullPath = platformExecutablePath();
    std::string workingDir = platformWorkingDirectory() + "/";
    bool belowWorkingDir = fullPath.compare(0, workingDir.size(), workingDir) == 0;
    programPath = belowWorkingDir ? fullPath.substr(workingDir.size()) : fullPath;
}

// An older copy is this program file run by this user: another user's game,
// or another program of the same name, is never touched.
static bool isOlderCopy(const ProcessInfo& process, const std::string& ownProgram) {
    return process.pid > 0 && process.uid == platformOwnUid() && !ownProgram.empty() &&
           process.program == ownProgram;
}

// One scan: asks each older copy to quit (so it logs out), waits on it, and
// ends it only after five waits; returns how many processes run this
// program, this one included.
static int scanForOlderInstances(int& waits, std::vector<int32_t>& asked) {
    std::string ownProgram = platformExecutablePath();
    int matches = 0;
    for (const ProcessInfo& process : platformListProcesses()) {
        if (!isOlderCopy(process, ownProgram)) continue;
        matches++;
        if (process.pid == platformOwnPid()) continue;
        if (std::find(asked.begin(), asked.end(), process.pid) == asked.end()) {
            logConsole("Asking old process to quit");
            platformAskProcessToQuit(process.pid);
            asked.push_back(process.pid);
        }
        logConsole("Waiting for old process to die");
        if (waits > olderInstanceWaitsBeforeKill) {
            logConsole("Killing old process");
            platformKillProcess(process.pid);
        }
        platformSleep(olderInstanceWaitMs);
        waits++;
    }
    return matches;
}

void waitForOlderInstances() {
    int waits = 0;
    std::vector<int32_t> asked;
    while (scanForOlderInstances(waits, asked) >= 2) platformSleep(olderInstanceRescanMs);
}

// ---- the main loop ----

// A player who looks away mid-game comes back to the pause menu, not to a
// clock that ran on without them. The pause comes as an Escape press for
// this frame, so the play loop takes it as its own key (a replay holds it).
static void pauseWhenFocusLeaves(const PlatformEvent& event) {
    if (event.kind != PlatformEventKind::FocusLost || replayDrivesInput) return;
    if (GameState == Game && !play.paused) platformHoldKeyForFrame(vk::Escape);
}

// Step 2: at most one message per frame; the quit message ends the pump.
static bool takeOneMessage() {
    if (quitPosted) {
        quitPosted = false;
        return true;
    }
    PlatformEvent event;
    if (platformPollEvent(event)) {
        lastInputCounter = platformCounter();
        windowProcedure(event);
        pauseWhenFocusLeaves(event);
    }
    return false;
}

static void checkWindowActive() {
    windowActive = 1.0f;
    if (platformWindowHasFocus(gameWindow)) return;
    if (Fullscreen && !launchOptions.windowedWidth) platformMinimizeWindow(gameWindow);
    windowActive = 0.0f;
    UpdateSound(0.0f);
}

static float measureFrameMs(uint64_t now) {
    if (launchOptions.fixedStepMs > 0) return launchOptions.fixedStepMs;
    // Whole microseconds: finer than any frame needs, and a replay stores them in a byte or two.
    double elapsed = static_cast<double>(now - windowRecord.lastCounter);
    return frameMsFromMicros(std::llround(elapsed / platformCounterFrequency() * 1e6));
}

static void swapBuffers() {
    ProfileScope section("SwapBuffers");
    presentFrame(gameWindow);
}

// An idle screen moves only its star field: where the back buffer still
// holds the frame before, only the stars' boxes are drawn again.
static void drawWholeOrPart() {
    int32_t width = 0, height = 0;
    platformDrawableSize(gameWindow, &width, &height);
    drawFrame(Draw, idleNow(), width, height);
}

static bool runOneFrame() {
    uint64_t frameStart = platformCounter();
    profileFrameStart();
    runScriptFrame(frameNumber);
    if (developmentHooks.beforeInput) developmentHooks.beforeInput();
    runReplayViewFrame();
    bool quitTaken = takeOneMessage();
    checkWindowActive();
    if (!windowRecord.visible) platformSleep(minimisedSleepMs);
    uint64_t now = platformCounter();
    float dtMs = measureFrameMs(now);
    frameDtMs = dtMs;
    steerWithPad(dtMs);
    updateStreamingTextures(dtMs);
    Update(dtMs);
    drawWholeOrPart();
    if (developmentHooks.afterDraw) developmentHooks.afterDraw();
    takeScriptScreenshots(frameNumber);
    endReplayFrame();
    windowRecord.lastCounter = now;
    swapBuffers();
    waitForFrameTime(frameStart);
    profileFrameEnd();
    // Script keys stay held until every injected event has been taken, so
    // "key lctrl" and "key oem3" in one frame act as a chord.
    if (!platformInjectedEventsPending()) platformReleaseInjectedKeys();
    frameNumber++;
    if (launchOptions.frameLimit > 0 && frameNumber == launchOptions.frameLimit) quitProgram();
    return !quitTaken;
}

static void runMainLoop() {
    while (runOneFrame()) {
    }
}

// False when no window could be made: the program then ends with a failure.
static bool runOuterLoop() {
    windowRecord.lastCounter = 0;
    while (programRunning) {
        windowRecord.fullscreen = true;
        if (!createGLWindow(windowRecord)) {
            showMessageBox("Error Creating OpenGL Window", "Error");
            programRunning = false;
            return false;
        }
        // Pointer positions in layout pixels, however the window is sized later.
        platformSetPointerSpace(ScreenWidth, ScreenHeight);
        forgetShownFrames();
        startupGame();
        logConsole("Starting main loop");
        runMainLoop();
        if (developmentHooks.atLoopEnd) developmentHooks.atLoopEnd();
        shutdownGame();
        destroyGLWindow(windowRecord);
    }
    return true;
}

// ---- entry ----

static void applyLaunchOptions() {
    noDialogs = launchOptions.noDialogs || getenv("ZENTRIX_HEADLESS") != nullptr;
    settingsDirOverride = launchOptions.configDir;
    if (!launchOptions.serverUrl.empty()) secureBaseUrl = secureEndpointOf(launchOptions.serverUrl);
    if (launchOptions.offline || !launchOptions.replayPath.empty())
        serverLink.connectionMode = ConnectionOffline;
}

static void loadSettingsAndSize(int32_t desktopWidth, int32_t desktopHeight) {
    loadSettings();
    if (ScreenWidth == 0) {
        ScreenWidth = desktopWidth;
        ScreenHeight = desktopHeight;
        // A first run stores the desktop size as the chosen resolution.
        resolutionIndex = findDisplayMode(ScreenWidth, ScreenHeight);
    }
    if (launchOptions.windowedWidth > 0) {
        ScreenWidth = launchOptions.windowedWidth;
        ScreenHeight = launchOptions.windowedHeight;
    }
}

static bool prepareProcess() {
    if (!platformInitVideo()) {
        showMessageBox(std::string("Unable to start the display: ") + platformLastError(), "Error");
        return false;
    }
    if (!platformInitGamepads())
        logConsole(std::string("Game controllers unavailable: ") + platformLastError());
    buildMacAddressList();
    listDisplayModes();
    int32_t desktopWidth = 0, desktopHeight = 0;
    platformDesktopSize(&desktopWidth, &desktopHeight);
    emptyLogFiles();
    loadSettingsAndSize(desktopWidth, desktopHeight);
    findProgramPath();
    versionText = makeVersionText(ZENTRIX_FILE_VERSION);
    logConsole(versionText);
    waitForOlderInstances();
    return true;
}

// The installed game keeps its logs in the player's state folder, whatever
// folder it was started from; paths the player gave stay as they were meant.
static bool enterStateFolderWhenInstalled() {
    std::string program = platformExecutablePath();
    std::string programDir = program.substr(0, program.find_last_of('/'));
    if (!locateAssetArchive(programDir, programDir + "/" ZENTRIX_INSTALLED_DATA_DIR)) return true;
    std::string startFolder = platformWorkingDirectory();
    anchorScriptPaths(startFolder);
    if (!settingsDirOverride.empty() && settingsDirOverride[0] != '/')
        settingsDirOverride = startFolder + "/" + settingsDirOverride;
    std::string stateFolder = platformStateHomeDir() + "/zentrix";
    if (platformMakeDirectories(stateFolder) && platformChangeDirectory(stateFolder)) return true;
    fprintf(stderr, "zentrix: cannot use the state folder %s\n", stateFolder.c_str());
    return false;
}

// --help and --version answer on standard output and end the program.
static int answerInformationOptions() {
    std::string text = launchOptions.showHelp
                           ? launchHelpText()
                           : launchVersionText(makeVersionText(ZENTRIX_FILE_VERSION).substr(8));
    fputs(text.c_str(), stdout);
    return 0;
}

int runProgram(int argc, char** argv) {
    std::string error;
    if (!parseLaunchOptions(argc, argv, launchOptions, error)) {
        fprintf(stderr, "zentrix: %s\n%s", error.c_str(), launchUsageLine);
        return 2;
    }
    if (launchOptions.showHelp || launchOptions.showVersion) return answerInformationOptions();
    applyLaunchOptions();
    launchArguments.assign(argv + 1, argv + argc);
    relaunchProgram = relaunchAndQuit;
    if (!loadLaunchScript(error)) {
        fprintf(stderr, "zentrix: %s\n", error.c_str());
        return 2;
    }
    if (!enterStateFolderWhenInstalled() || !prepareProcess()) return 1;
    if (!registerWindowClass()) {
        showMessageBox("Error Registering Window Class!", "Error");
        return 1;
    }
    bool ranToTheEnd = runOuterLoop();
    platformQuitVideo();
    return ranToTheEnd ? 0 : 1;
}
