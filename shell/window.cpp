#include "shell/window.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/console_log.h"
#include "base/frame_state.h"
#include "game/camera.h"
#include "platform/input_state.h"
#include "platform/system.h"
#include "settings/settings.h"
#include "shell/console.h"
#include "shell/gamepad_input.h"
#include "shell/input.h"
#include "shell/launch_options.h"
#include "shell/play_keys.h"
#include "shell/program.h"

WindowRecord windowRecord = {nullptr, nullptr, "ZX", "Zentrix", 0, 0, 32, true, false, 0};
PlatformWindow* gameWindow = nullptr;
bool multisampleChosen = false;
int32_t multisampleFormat = 0;

static constexpr int32_t wheelNotch = 120;

// SDL needs no window class; the step stays so that its failure path is kept.
bool registerWindowClass() {
    return true;
}

// Switches the shown game window to full screen at exactly this size.
bool changeScreenResolution(int32_t width, int32_t height, int32_t) {
    return gameWindow && platformEnterFullscreen(gameWindow, width, height);
}

// The camera owns the viewport and the projection; both follow the drawable.
void reshapeGL(int32_t width, int32_t height) {
    glViewport(0, 0, width, height);
    setViewSize(width, height);
}

static void reshapeToDrawable(PlatformWindow* window) {
    int32_t width = 0, height = 0;
    platformDrawableSize(window, &width, &height);
    if (width > 0 && height > 0) reshapeGL(width, height);
}

bool extensionListHas(const char* extensions, const char* name) {
    if (!extensions || !name || !*name) return false;
    size_t length = strlen(name);
    for (const char* at = strstr(extensions, name); at; at = strstr(at + 1, name)) {
        bool startsWord = at == extensions || at[-1] == ' ';
        bool endsWord = at[length] == '\0' || at[length] == ' ';
        if (startsWord && endsWord) return true;
    }
    return false;
}

// There is no WGL here: window-system extensions are looked up in the GL list.
bool isWGLExtensionSupported(const char* name) {
    return extensionListHas(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)), name);
}

void setSwapInterval(int interval) {
    if (hasSwapControl) platformSetSwapInterval(interval);
}

void listDisplayModes() {
    displayModes.clear();
    for (auto [width, height] : platformDisplayModes()) {
        std::pair<float, float> mode(static_cast<float>(width), static_cast<float>(height));
        if (displayModes.empty() || displayModes.back() != mode) displayModes.push_back(mode);
    }
}

int32_t queryMultisample(bool (*tryCount)(int32_t samples)) {
    static const int32_t sampleCounts[] = {16, 8, 4, 2};
    for (int32_t count : sampleCounts) {
        if (AAlevel < count) continue;
        if (tryCount(count)) return count;
        if (AAlevel > 2) AAlevel /= 2;
    }
    return 0;
}

// ---- createGLWindow ----

static bool windowedByRequest() {
    return Fullscreen == 0 || launchOptions.windowedWidth > 0;
}

static bool openWindow(WindowRecord& record) {
    if (windowedByRequest()) record.fullscreen = false;
    WindowRequest request = {record.title, record.width, record.height, true,
                             multisampleChosen ? multisampleFormat : 0};
    if (!platformCreateWindow(request, &record.window, &record.context)) {
        logConsole(std::string("Window creation failed: ") + platformLastError());
        return false;
    }
    platformSetWindowIcon(record.window);
    gameWindow = record.window;
    return true;
}

static void loadExtensions() {
    hasVBO = isWGLExtensionSupported("GL_ARB_vertex_buffer_object");
    hasSwapControl = platformHasSwapControl();
    hasBGRA = isWGLExtensionSupported("GL_EXT_bgra");
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    maxTextureSize = size;
    if (maxTextureSize < atlasSize) atlasSize = maxTextureSize;
    smallTextures = atlasSize < smallTextureLimit;
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    glMajorVersion = version ? atoi(version) : 0;
}

static void warnAboutOldDriver() {
    if (hasVBO && hasBGRA && hasSwapControl && !smallTextures) return;
    showMessageBox(
        "Your OpenGL version appears to be out of date. If you have issues running the game, "
        "please update your graphics drivers.",
        "Warning");
}

// SDL changes the display mode only for a shown window, so the switch, and
// the message when the display refuses it, come once the window is up.
static void enterFullscreen(WindowRecord& record) {
    if (!record.fullscreen) return;
    if (changeScreenResolution(record.width, record.height, record.bits)) return;
    showMessageBox("Mode Switch Failed.\nRunning In Windowed Mode.", "Error");
    record.fullscreen = false;
}

static void showGameWindow(WindowRecord& record) {
    platformHideSystemCursor();
    platformShowWindow(record.window);
    enterFullscreen(record);
    record.visible = true;
    reshapeToDrawable(record.window);
    record.lastCounter = platformCounter();
}

// A first run on a software rasteriser starts at Low: with multisampling
// such a machine draws about one frame a second. A stored choice stands.
static void startLowOnSoftwareRenderer() {
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    if (settingsFileFound || !renderer || !isSoftwareRenderer(renderer)) return;
    if (VisualQuality == lowestVisualQuality) return;
    VisualQuality = lowestVisualQuality;
    applyQualityPresets();
    softwareRendererLowered = true;
    logConsole(std::string("Software renderer (") + renderer + "): Visual Quality starts at Low");
}

bool createGLWindow(WindowRecord& record) {
    logConsole("Creating window");
    record.width = ScreenWidth;
    record.height = ScreenHeight;
    logConsole("Resolution " + std::to_string(record.width) + "x" + std::to_string(record.height));
    if (!openWindow(record)) return false;
    logConsole(multisampleChosen ? "Setting up antialiasing at " + std::to_string(AAlevel) + "x"
                                 : "Setting up antialiasing query pass");
    if (!multisampleChosen) startLowOnSoftwareRenderer();
    if (!multisampleChosen && isWGLExtensionSupported("GL_ARB_multisample")) {
        multisampleFormat = queryMultisample(platformProbeMultisample);
        if (multisampleFormat > 0) {
            multisampleChosen = true;
            destroyGLWindow(record);
            return createGLWindow(record);
        }
    }
    loadExtensions();
    warnAboutOldDriver();
    showGameWindow(record);
    return true;
}

bool destroyGLWindow(WindowRecord& record) {
    if (record.window) platformDestroyWindow(record.window, record.context);
    record.window = nullptr;
    record.context = nullptr;
    gameWindow = nullptr;
    return true;
}

// ---- full screen at a keystroke ----

// The window's size as the player last left it; 0 until a resize says.
static int32_t windowedWidth = 0, windowedHeight = 0;

static void rememberWindowedSize(int32_t width, int32_t height) {
    if (windowRecord.fullscreen || width <= 0 || height <= 0) return;
    windowedWidth = width;
    windowedHeight = height;
}

// Full screen at the desktop size, or back to the window as the player last
// sized it (the layout size before any resize); the drawable follows through
// the resize event. The choice is saved.
void toggleFullscreen() {
    if (!gameWindow) return;
    bool wanted = !windowRecord.fullscreen;
    int32_t width = windowedWidth > 0 ? windowedWidth : ScreenWidth;
    int32_t height = windowedHeight > 0 ? windowedHeight : ScreenHeight;
    if (wanted) platformDesktopSize(&width, &height);
    bool done = wanted ? platformEnterFullscreen(gameWindow, width, height)
                       : platformLeaveFullscreen(gameWindow, width, height);
    if (!done) {
        logConsole(std::string("Full screen switch refused: ") + platformLastError());
        return;
    }
    windowRecord.fullscreen = wanted;
    Fullscreen = wanted ? 1 : 0;
    reshapeToDrawable(gameWindow);
    saveSettings();
    logConsole(std::string(wanted ? "Full screen at " : "Windowed at ") + std::to_string(width) +
               "x" + std::to_string(height));
}

// ---- window procedure ----

// While a replay shows, its recorded input stands for the player's.
static bool playerInput(PlatformEventKind kind) {
    return kind == PlatformEventKind::MouseMove || kind == PlatformEventKind::LeftDown ||
           kind == PlatformEventKind::LeftUp || kind == PlatformEventKind::RightDown ||
           kind == PlatformEventKind::RightUp || kind == PlatformEventKind::Wheel ||
           kind == PlatformEventKind::KeyDown || kind == PlatformEventKind::KeyUp ||
           kind == PlatformEventKind::PadDown || kind == PlatformEventKind::PadUp;
}

// Alt+Enter and F11, unless the open console takes the keys.
static bool fullscreenChord(int32_t virtualKey) {
    if (consoleOpen) return false;
    return virtualKey == vk::F11 || (virtualKey == vk::Return && platformKeyHeld(vk::Alt));
}

void windowProcedure(const PlatformEvent& event) {
    if (replayDrivesInput && playerInput(event.kind)) return;
    switch (event.kind) {
        case PlatformEventKind::Close:
            quitProgram();
            break;
        case PlatformEventKind::Resized:
        case PlatformEventKind::Restored:
            windowRecord.visible = true;
            rememberWindowedSize(event.x, event.y);
            // Events give the window's size; the drawable may have more pixels.
            if (event.x > 0 && event.y > 0 && gameWindow) reshapeToDrawable(gameWindow);
            break;
        case PlatformEventKind::Minimized:
            windowRecord.visible = false;
            break;
        case PlatformEventKind::MouseMove:
            onMouseMove(event.x, event.y);
            break;
        case PlatformEventKind::LeftDown:
            onLeftButtonDown();
            break;
        case PlatformEventKind::LeftUp:
            onLeftButtonUp();
            break;
        case PlatformEventKind::RightDown:
            onRightButtonDown();
            break;
        case PlatformEventKind::RightUp:
            onRightButtonUp();
            break;
        case PlatformEventKind::Wheel:
            onMouseWheel(event.wheelDelta / wheelNotch);
            break;
        case PlatformEventKind::KeyDown:
            if (fullscreenChord(event.virtualKey))
                toggleFullscreen();
            else
                onKeyDown(event.virtualKey);
            break;
        case PlatformEventKind::KeyUp:
            onKeyUp(event.virtualKey);
            break;
        case PlatformEventKind::PadAdded:
        case PlatformEventKind::PadRemoved:
        case PlatformEventKind::PadDown:
        case PlatformEventKind::PadUp:
            onPadEvent(event);
            break;
        default:
            break;
    }
}
