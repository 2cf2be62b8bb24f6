#include "shell/startup.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include <cstdlib>

#include "archive/asset_archive.h"
#include "base/console_log.h"
#include "base/frame_state.h"
#include "engine/asset_archive_check.h"
#include "engine/draw2d.h"
#include "engine/fonts.h"
#include "engine/gl_caps.h"
#include "engine/meshes.h"
#include "engine/textures.h"
#include "game/camera.h"
#include "game/modes.h"
#include "game/play.h"
#include "game/replay_recorder.h"
#include "online/account.h"
#include "online/achievements.h"
#include "online/patch.h"
#include "online/requests.h"
#include "online/scores.h"
#include "online/unsent_results.h"
#include "platform/system.h"
#include "platform/window.h"
#include "screens/backdrop.h"
#include "screens/game_view.h"
#include "screens/intro.h"
#include "screens/startup_progress.h"
#include "settings/settings.h"
#include "shell/console.h"
#include "shell/launch_options.h"
#include "shell/program.h"
#include "shell/replay_files.h"
#include "shell/window.h"
#include "sound/sound.h"

std::string osName;
std::string cpuName;
std::string ramMegabytes;
std::string glVersion;
std::string videoCard;
std::string manufacturer;
bool isNvidia = false;

static std::string glString(GLenum name) {
    const GLubyte* text = glGetString(name);
    return text ? reinterpret_cast<const char*>(text) : "";
}

static void describeMachine() {
    osName = platformOsName();
    logConsole("OS: " + osName);
    platformHideSystemCursor();
    cpuName = platformCpuName();
    logConsole("CPU: " + cpuName);
    ramMegabytes = std::to_string(platformTotalMemoryBytes() / 1024 / 1024);
    logConsole("RAM: " + ramMegabytes);
    glVersion = glString(GL_VERSION);
    videoCard = glString(GL_RENDERER);
    manufacturer = glString(GL_VENDOR);
    logConsole("OpenGL: " + glVersion);
    logConsole("Video Card: " + videoCard);
    logConsole("Manufacturer: " + manufacturer);
    loginMachine = {versionText, osName, ramMegabytes, cpuName, glVersion, videoCard, manufacturer};
}

// A software rasteriser filters anisotropically by taking many samples per
// pixel on the CPU: a frame then takes seconds, so the atlas never asks for
// it there, whatever the visual quality.
void readTextureCapabilities() {
    bool extension = isWGLExtensionSupported("GL_EXT_texture_filter_anisotropic");
    anisotropySupported = extension && !isSoftwareRenderer(videoCard);
    if (extension && !anisotropySupported)
        logConsole("Software renderer: anisotropic filtering stays off");
    if (anisotropySupported) glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maxAnisotropy);
    isNvidia = manufacturer.compare(0, 6, "NVIDIA") == 0;
}

static void setFixedGLState() {
    // The viewport and projection follow the drawable (reshapeGL) and the camera.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // Through the state shadow, so 2D drawing knows what to switch back.
    enableState(GL_DEPTH_TEST);
    enableState(GL_BLEND);
    forgetBlendFunction();
    setBlendFunction(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    enableState(GL_MULTISAMPLE);
}

// The window shows how far start-up has come (the row of cubes) at once.
static void showStartupProgress(int stepsDone) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawStartupProgress(stepsDone);
    platformSwapBuffers(gameWindow);
}

static void seedRandom() {
    srand(launchOptions.hasSeed ? launchOptions.seed : platformTicksMs());
}

// Each subsystem's start-up step has its place in this list; the ones
// marked "arrives with" are added by the work that builds that subsystem.
// The entry emptied the log moments before the first pass and then logged
// what only it sees (settings trouble, older copies, the window): that pass
// keeps those lines. A later pass, with a new window, begins afresh.
static bool firstStartupPass = true;

bool startupGame() {
    if (!firstStartupPass) emptyConsoleLog();
    firstStartupPass = false;
    logConsole("Initializing");
    describeMachine();
    readTextureCapabilities();
    setFixedGLState();
    showStartupProgress(0);
    startHttp();
    quitForPatch = quitProgram;
    connectPlayRequests();
    loadUnsentResultsOnce();
    connectPlayEffects();
    seedRandom();
    // The start-up view: the star field and the frustum tests are made in it.
    placeStartupCamera();
    buildConsoleWordTree();
    showStartupProgress(1);
    openAssetArchive();
    // Started from the wrong folder: end with the path looked for, not a black window.
    endIfAssetArchiveMissing();
    showStartupProgress(2);
    resetAtlas();
    setupFonts();
    showStartupProgress(3);
    setupTextures();
    showStartupProgress(4);
    initSound();
    showStartupProgress(5);
    saveSettings();
    startupStage = startupFinished;
    if (VSync == 0 && hasSwapControl) setSwapInterval(0);
    startLevel(1);
    showStartupProgress(6);
    // From here on every level attempt is recorded and kept in the data folder.
    replayGameVersion = versionText.c_str();
    replayFinishedHook = saveFinishedReplay;
    recorder.enabled = true;
    enableState(GL_CULL_FACE);
    glCullFace(GL_BACK);
    logConsole("Finished initializing");
    return true;
}

// Releases what start-up made, in its order; the later subsystems add theirs.
void shutdownGame() {
    // A level still running at the quit is kept as far as it went.
    finishReplayRecording();
    stopHttp();
    closeAssetArchive();
    destroyFonts();
    destroyMeshes();
    releaseMotionBlur();
    releaseBackgroundCopy();
    deleteTextures();
    shutdownSound();
    startupStage = 0;
}
