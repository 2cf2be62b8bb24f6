#include "platform/window.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb/stb_image_write.h>

#include "platform/gamepad.h"
#include "platform/input_state.h"

static std::deque<PlatformEvent> injectedEvents;
// The window was uncovered or shown again since platformTakeWindowExposed.
static bool windowExposed = false;
static int32_t pointerSpaceWidth = 0, pointerSpaceHeight = 0;  // 0: window units as they are

static SDL_Window* sdlWindow(PlatformWindow* window) {
    return reinterpret_cast<SDL_Window*>(window);
}

static constexpr int videoInitAttempts = 5;
static constexpr uint32_t videoRetryPauseMs = 200;

// SDL moves on to drivers that show nothing (offscreen, dummy) when it cannot
// reach the display; a busy X server now and then drops a new connection.
// Where a display is named and no driver was asked for, such a start is a
// failure to reach it, tried again before it is reported.
static bool missedNamedDisplay() {
    if (getenv("SDL_VIDEODRIVER") || (!getenv("DISPLAY") && !getenv("WAYLAND_DISPLAY")))
        return false;
    const char* driver = SDL_GetCurrentVideoDriver();
    return !driver || SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0;
}

bool platformInitVideo() {
    for (int attempt = 1; attempt <= videoInitAttempts; attempt++) {
        if (attempt > 1) SDL_Delay(videoRetryPauseMs);
        if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0) continue;
        if (!missedNamedDisplay()) return true;
        SDL_Quit();
        SDL_SetError("the display named by DISPLAY or WAYLAND_DISPLAY cannot be reached");
    }
    return false;
}
void platformQuitVideo() {
    SDL_Quit();
}
const char* platformLastError() {
    return SDL_GetError();
}

// 24 depth bits: with 16, neighbouring cubes of the mass show seams where
// their faces meet (drivers that are asked for 16 often give 24 anyway).
static constexpr int depthBits = 24;

static void setGLAttributes(int32_t samples) {
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depthBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, samples > 0 ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, samples);
}

static Uint32 windowFlags() {
    // Resizable: the drawable and the pointer mapping follow any size.
    return SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE;
}

bool platformCreateWindow(const WindowRequest& request, PlatformWindow** window,
                          PlatformContext** context) {
    *window = nullptr;
    *context = nullptr;
    setGLAttributes(request.samples);
    SDL_Window* created =
        SDL_CreateWindow(request.title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                         request.width, request.height, windowFlags());
    if (!created) return false;
    SDL_GLContext glContext = SDL_GL_CreateContext(created);
    if (!glContext || SDL_GL_MakeCurrent(created, glContext) != 0) {
        if (glContext) SDL_GL_DeleteContext(glContext);
        SDL_DestroyWindow(created);
        return false;
    }
    *window = reinterpret_cast<PlatformWindow*>(created);
    *context = reinterpret_cast<PlatformContext*>(glContext);
    return true;
}

void platformDestroyWindow(PlatformWindow* window, PlatformContext* context) {
    SDL_GL_MakeCurrent(nullptr, nullptr);
    if (context) SDL_GL_DeleteContext(reinterpret_cast<SDL_GLContext>(context));
    if (window) SDL_DestroyWindow(sdlWindow(window));
}

bool platformProbeMultisample(int32_t samples) {
    SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
    WindowRequest request = {"probe", 64, 64, true, samples};
    PlatformWindow* window = nullptr;
    PlatformContext* context = nullptr;
    bool found = false;
    if (platformCreateWindow(request, &window, &context)) {
        int reported = 0;
        found =
            SDL_GL_GetAttribute(SDL_GL_MULTISAMPLESAMPLES, &reported) == 0 && reported == samples;
        platformDestroyWindow(window, context);
    }
    setGLAttributes(0);
    if (previousWindow) SDL_GL_MakeCurrent(previousWindow, previousContext);
    return found;
}

void platformShowWindow(PlatformWindow* window) {
    SDL_ShowWindow(sdlWindow(window));
    SDL_RaiseWindow(sdlWindow(window));
}

// SDL changes the display mode only for a shown window; the mode it picks is
// the closest one, so a mode of another size counts as refused.
static bool requestFullscreen(PlatformWindow* window, int32_t width, int32_t height, bool desktop) {
    SDL_Window* sdl = sdlWindow(window);
    int display = SDL_GetWindowDisplayIndex(sdl);
    if (!desktop) {
        SDL_DisplayMode wanted = {}, closest = {};
        wanted.w = width;
        wanted.h = height;
        if (!SDL_GetClosestDisplayMode(display, &wanted, &closest)) return false;
        if (closest.w != width || closest.h != height) return false;
        if (SDL_SetWindowDisplayMode(sdl, &closest) != 0) return false;
    }
    Uint32 flags = desktop ? SDL_WINDOW_FULLSCREEN_DESKTOP : SDL_WINDOW_FULLSCREEN;
    if (SDL_SetWindowFullscreen(sdl, flags) != 0) return false;
    SDL_DisplayMode now = {};
    return SDL_GetCurrentDisplayMode(display, &now) == 0 && now.w == width && now.h == height;
}
bool (*platformRequestFullscreen)(PlatformWindow*, int32_t, int32_t, bool) = requestFullscreen;

bool platformEnterFullscreen(PlatformWindow* window, int32_t width, int32_t height) {
    int32_t desktopWidth = 0, desktopHeight = 0;
    platformDesktopSize(&desktopWidth, &desktopHeight);
    bool desktop = width == desktopWidth && height == desktopHeight;
    if (platformRequestFullscreen(window, width, height, desktop)) return true;
    SDL_Window* sdl = sdlWindow(window);
    SDL_SetWindowFullscreen(sdl, 0);
    SDL_SetWindowSize(sdl, width, height);
    SDL_SetWindowPosition(sdl, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    return false;
}

bool platformLeaveFullscreen(PlatformWindow* window, int32_t width, int32_t height) {
    SDL_Window* sdl = sdlWindow(window);
    if (SDL_SetWindowFullscreen(sdl, 0) != 0) return false;
    SDL_SetWindowSize(sdl, width, height);
    SDL_SetWindowPosition(sdl, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    return true;
}

// The window icon: a 64 x 64 glowing cube drawn in code.
void platformSetWindowIcon(PlatformWindow* window) {
    const int size = 64;
    std::vector<Uint32> pixels(size * size);
    for (int y = 0; y < size; y++) {
        for (int x = 0; x < size; x++) {
            bool inside = x >= 8 && x < 56 && y >= 8 && y < 56;
            int shade = inside ? 120 + (x + (63 - y)) : 0;
            Uint32 alpha = inside ? 255u : 0u;
            pixels[y * size + x] =
                (alpha << 24) | (40u << 16) | (static_cast<Uint32>(shade) << 8) | 255u;
        }
    }
    SDL_Surface* icon = SDL_CreateRGBSurfaceFrom(pixels.data(), size, size, 32, size * 4,
                                                 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000);
    if (!icon) return;
    SDL_SetWindowIcon(sdlWindow(window), icon);
    SDL_FreeSurface(icon);
}

void platformHideSystemCursor() {
    SDL_ShowCursor(SDL_DISABLE);
}
void platformMinimizeWindow(PlatformWindow* window) {
    SDL_MinimizeWindow(sdlWindow(window));
}

bool platformWindowHasFocus(PlatformWindow* window) {
    if (!window) return false;
    return (SDL_GetWindowFlags(sdlWindow(window)) & SDL_WINDOW_INPUT_FOCUS) != 0;
}

void platformSwapBuffers(PlatformWindow* window) {
    SDL_GL_SwapWindow(sdlWindow(window));
}

// ---- back buffer age and partial presents (GLX) ----
// Looked up through SDL so the game needs no link to libGLX of its own; the
// X types are opaque here.
namespace glx {
using Display = void;
using Drawable = unsigned long;
using Context = void*;
constexpr int screen = 0x800C;         // GLX_SCREEN
constexpr int backBufferAge = 0x20F4;  // GLX_BACK_BUFFER_AGE_EXT
constexpr int width = 0x801D;          // GLX_WIDTH
constexpr int height = 0x801E;         // GLX_HEIGHT
using CurrentDisplay = Display* (*)();
using CurrentDrawable = Drawable (*)();
using CurrentContext = Context (*)();
using QueryContext = int (*)(Display*, Context, int, int*);
using QueryExtensions = const char* (*)(Display*, int);
using QueryDrawable = void (*)(Display*, Drawable, int, unsigned int*);
using CopySubBuffer = void (*)(Display*, Drawable, int, int, int, int);

struct Calls {
    Context context;              // the context they were looked up for
    QueryDrawable queryDrawable;  // a drawable's size and, with bufferAge, its buffer's age
    bool bufferAge;               // GLX_EXT_buffer_age
    CopySubBuffer copySubBuffer;  // null without GLX_MESA_copy_sub_buffer or with multisampling
};
}  // namespace glx

template <typename T>
static T glxCall(const char* name) {
    return reinterpret_cast<T>(SDL_GL_GetProcAddress(name));
}

static bool listHas(const char* list, const std::string& name) {
    std::string padded = " " + std::string(list ? list : "") + " ";
    return padded.find(" " + name + " ") != std::string::npos;
}

static bool multisampled() {
    int buffers = 0;
    return SDL_GL_GetAttribute(SDL_GL_MULTISAMPLEBUFFERS, &buffers) == 0 && buffers > 0;
}

static glx::Calls lookUpGlx(glx::Context context) {
    glx::Calls calls = {context, nullptr, false, nullptr};
    auto display = glxCall<glx::CurrentDisplay>("glXGetCurrentDisplay");
    auto query = glxCall<glx::QueryContext>("glXQueryContext");
    auto extensions = glxCall<glx::QueryExtensions>("glXQueryExtensionsString");
    if (!context || !display || !query || !extensions) return calls;
    int screen = 0;
    query(display(), context, glx::screen, &screen);
    const char* list = extensions(display(), screen);
    calls.queryDrawable = glxCall<glx::QueryDrawable>("glXQueryDrawable");
    if (!calls.queryDrawable) return calls;
    calls.bufferAge = listHas(list, "GLX_EXT_buffer_age");
    // A multisampled picture is resolved only by a swap.
    if (listHas(list, "GLX_MESA_copy_sub_buffer") && !multisampled())
        calls.copySubBuffer = glxCall<glx::CopySubBuffer>("glXCopySubBufferMESA");
    return calls;
}

// The calls for the current context; none off X11 (Wayland, EGL, offscreen).
static const glx::Calls& currentGlx() {
    static glx::Calls calls = {};
    const char* driver = SDL_GetCurrentVideoDriver();
    auto current = glxCall<glx::CurrentContext>("glXGetCurrentContext");
    glx::Context context = driver && std::string(driver) == "x11" && current ? current() : nullptr;
    if (context != calls.context) calls = lookUpGlx(context);
    return calls;
}

int32_t platformBackBufferAge() {
    const glx::Calls& calls = currentGlx();
    if (!calls.bufferAge) return 0;
    unsigned int age = 0;
    calls.queryDrawable(glxCall<glx::CurrentDisplay>("glXGetCurrentDisplay")(),
                        glxCall<glx::CurrentDrawable>("glXGetCurrentDrawable")(),
                        glx::backBufferAge, &age);
    return static_cast<int32_t>(age);
}

bool platformTakeWindowExposed() {
    bool exposed = windowExposed;
    windowExposed = false;
    return exposed;
}

bool platformCanPresentRects() {
    return currentGlx().copySubBuffer != nullptr;
}

// A resize reaches the X server, and the back buffer, before its event
// reaches the game; a copy outside the resized buffer is an X error, which
// ends the program. So rectangles drawn for one size are shown only while
// the window still has it.
bool platformPresentRects(const std::vector<PixelRect>& rects, int32_t width, int32_t height) {
    const glx::Calls& calls = currentGlx();
    if (!calls.copySubBuffer) return false;
    glx::Display* display = glxCall<glx::CurrentDisplay>("glXGetCurrentDisplay")();
    glx::Drawable drawable = glxCall<glx::CurrentDrawable>("glXGetCurrentDrawable")();
    unsigned int shownWidth = 0, shownHeight = 0;
    calls.queryDrawable(display, drawable, glx::width, &shownWidth);
    calls.queryDrawable(display, drawable, glx::height, &shownHeight);
    if (static_cast<int64_t>(shownWidth) != width || static_cast<int64_t>(shownHeight) != height)
        return false;
    for (const PixelRect& r : rects)
        calls.copySubBuffer(display, drawable, r.x, r.y, r.width, r.height);
    return true;
}

void platformDrawableSize(PlatformWindow* window, int32_t* width, int32_t* height) {
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(sdlWindow(window), &w, &h);
    *width = w;
    *height = h;
}

bool platformSetSwapInterval(int interval) {
    return SDL_GL_SetSwapInterval(interval) == 0;
}

bool platformHasSwapControl() {
    return SDL_GL_SetSwapInterval(SDL_GL_GetSwapInterval()) == 0;
}

void platformDesktopSize(int32_t* width, int32_t* height) {
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) mode.w = mode.h = 0;
    *width = mode.w;
    *height = mode.h;
}

std::vector<std::pair<int32_t, int32_t>> platformDisplayModes() {
    std::vector<std::pair<int32_t, int32_t>> modes;
    int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; i++) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) != 0) break;
        modes.emplace_back(mode.w, mode.h);
    }
    return modes;
}

// ---- events ----

static int32_t virtualKeyOf(const SDL_KeyboardEvent& key) {
    return virtualKeyFromKey(key.keysym.sym, key.keysym.scancode);
}

static uint32_t modifiersOf(const SDL_KeyboardEvent& key) {
    uint16_t mod = key.keysym.mod;
    return ((mod & KMOD_SHIFT) ? ModShift : 0u) | ((mod & KMOD_CAPS) ? ModCapsLock : 0u) |
           ((mod & KMOD_LCTRL) ? ModLeftControl : 0u) |
           ((mod & KMOD_RCTRL) ? ModRightControl : 0u) | ((mod & KMOD_ALT) ? ModAlt : 0u);
}

static bool translateKey(const SDL_KeyboardEvent& key, PlatformEvent& event) {
    event = {key.type == SDL_KEYDOWN ? PlatformEventKind::KeyDown : PlatformEventKind::KeyUp,
             0,
             0,
             0,
             virtualKeyOf(key),
             modifiersOf(key)};
    return event.virtualKey != 0;
}

void platformSetPointerSpace(int32_t width, int32_t height) {
    pointerSpaceWidth = width;
    pointerSpaceHeight = height;
}

void mapToPointerSpace(int32_t windowWidth, int32_t windowHeight, int32_t& x, int32_t& y) {
    if (windowWidth <= 0 || windowHeight <= 0 || pointerSpaceWidth <= 0 || pointerSpaceHeight <= 0)
        return;
    x = static_cast<int32_t>(static_cast<int64_t>(x) * pointerSpaceWidth / windowWidth);
    y = static_cast<int32_t>(static_cast<int64_t>(y) * pointerSpaceHeight / windowHeight);
}

// A motion's position, mapped from the window's size now onto the pointer space.
static PlatformEvent motionEvent(const SDL_MouseMotionEvent& motion) {
    PlatformEvent event = {PlatformEventKind::MouseMove, motion.x, motion.y, 0, 0};
    SDL_Window* window = SDL_GetWindowFromID(motion.windowID);
    int width = 0, height = 0;
    if (window) SDL_GetWindowSize(window, &width, &height);
    mapToPointerSpace(width, height, event.x, event.y);
    return event;
}

static bool translateWindowEvent(const SDL_WindowEvent& window, PlatformEvent& event) {
    switch (window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            event.kind = PlatformEventKind::Close;
            return true;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            event = {PlatformEventKind::Resized, window.data1, window.data2, 0, 0};
            return true;
        case SDL_WINDOWEVENT_MINIMIZED:
            event.kind = PlatformEventKind::Minimized;
            return true;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
            event.kind = PlatformEventKind::Restored;
            return true;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            event.kind = PlatformEventKind::FocusLost;
            return true;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            event.kind = PlatformEventKind::FocusGained;
            return true;
        case SDL_WINDOWEVENT_EXPOSED:
            windowExposed = true;
            return false;
        default:
            return false;
    }
}

static bool translateButton(const SDL_MouseButtonEvent& button, bool down, PlatformEvent& event) {
    if (button.button == SDL_BUTTON_LEFT)
        event.kind = down ? PlatformEventKind::LeftDown : PlatformEventKind::LeftUp;
    else if (button.button == SDL_BUTTON_RIGHT)
        event.kind = down ? PlatformEventKind::RightDown : PlatformEventKind::RightUp;
    else
        return false;
    return true;
}

// Turns one SDL event into ours; false for events the game does not use.
static bool translateEvent(const SDL_Event& sdl, PlatformEvent& event) {
    switch (sdl.type) {
        case SDL_QUIT:
            event.kind = PlatformEventKind::Close;
            return true;
        case SDL_WINDOWEVENT:
            return translateWindowEvent(sdl.window, event);
        case SDL_MOUSEMOTION:
            event = motionEvent(sdl.motion);
            return true;
        case SDL_MOUSEBUTTONDOWN:
            return translateButton(sdl.button, true, event);
        case SDL_MOUSEBUTTONUP:
            return translateButton(sdl.button, false, event);
        case SDL_MOUSEWHEEL:
            event = {PlatformEventKind::Wheel, 0, 0, sdl.wheel.y * 120, 0};
            return true;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            return translateKey(sdl.key, event);
        default:
            return translatePadEvent(sdl, event);
    }
}

// A fast mouse queues many motion events a frame: the ones that follow a
// motion (and the ignored events between them) are taken now, so the frame
// sees the latest position. Any other event ends the run and waits its turn.
static void mergeFollowingMotion(PlatformEvent& event) {
    SDL_Event next;
    while (SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1) {
        PlatformEvent translated;
        bool used = translateEvent(next, translated);
        if (used && translated.kind != PlatformEventKind::MouseMove) return;
        SDL_PeepEvents(&next, 1, SDL_GETEVENT, next.type, next.type);
        if (used) event = translated;
    }
}

// The key state moves with the events the game takes, not with the queue.
static void noteTakenEvent(const PlatformEvent& event) {
    if (event.kind == PlatformEventKind::KeyDown || event.kind == PlatformEventKind::KeyUp)
        platformNoteKeyEvent(event.virtualKey, event.kind == PlatformEventKind::KeyDown,
                             event.modifiers);
    if (event.kind == PlatformEventKind::FocusLost) platformReleaseHeldKeys();
}

bool platformPollEvent(PlatformEvent& event) {
    if (!injectedEvents.empty()) {
        event = injectedEvents.front();
        injectedEvents.pop_front();
        return true;
    }
    SDL_Event sdl;
    // Events the game ignores are dropped without costing the frame its message.
    while (SDL_PollEvent(&sdl)) {
        if (!translateEvent(sdl, event) || !settlePadEvent(event)) continue;
        if (event.kind == PlatformEventKind::MouseMove) mergeFollowingMotion(event);
        noteTakenEvent(event);
        return true;
    }
    return false;
}

void platformWaitForEvent(uint32_t ms) {
    if (!injectedEvents.empty()) return;
    SDL_WaitEventTimeout(nullptr, static_cast<int>(ms));
}

void platformPushEvent(const PlatformEvent& event) {
    injectedEvents.push_back(event);
}

bool platformInjectedEventsPending() {
    return !injectedEvents.empty();
}

// ---- screenshots ----

bool platformSaveScreenshot(const std::string& path, int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return false;
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    stbi_flip_vertically_on_write(1);
    return stbi_write_png(path.c_str(), width, height, 3, pixels.data(), width * 3) != 0;
}
