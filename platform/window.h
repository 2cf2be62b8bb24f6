// Windows, GL contexts, display modes and events on SDL2.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct PlatformWindow;   // an SDL window
struct PlatformContext;  // an SDL GL context

enum class PlatformEventKind {
    None,
    Close,
    Resized,
    Minimized,
    Restored,
    FocusLost,
    FocusGained,
    MouseMove,
    LeftDown,
    LeftUp,
    RightDown,
    RightUp,
    Wheel,
    KeyDown,
};

struct PlatformEvent {
    PlatformEventKind kind = PlatformEventKind::None;
    int32_t x = 0, y = 0;    // mouse position or new size
    int32_t wheelDelta = 0;  // in 1/120 notch units, like a Windows wheel
    int32_t virtualKey = 0;  // Windows virtual-key code, 0 when unmapped
};

// Windows start windowed and centred; full screen comes once one is shown.
struct WindowRequest {
    const char* title;
    int32_t width, height;
    bool hidden;      // probe windows are never shown
    int32_t samples;  // 0 for no multisampling
};

bool platformInitVideo();
void platformQuitVideo();
// Creates a window with a current GL context; null pointers on failure.
bool platformCreateWindow(const WindowRequest& request, PlatformWindow** window,
                          PlatformContext** context);
void platformDestroyWindow(PlatformWindow* window, PlatformContext* context);
// Tries to create a hidden window and context with this many samples.
bool platformProbeMultisample(int32_t samples);
void platformShowWindow(PlatformWindow* window);
// Full screen for a shown window at exactly width x height: the desktop size
// keeps the display mode, any other size switches the display to that mode.
// False when the display refuses; the window then stays windowed at that size.
bool platformEnterFullscreen(PlatformWindow* window, int32_t width, int32_t height);
// The display's part of it: asks for full screen (without a mode change when
// desktop is set) and tells whether the display now runs at width x height.
// Tests put a display that refuses here.
extern bool (*platformRequestFullscreen)(PlatformWindow* window, int32_t width, int32_t height,
                                         bool desktop);
void platformSetWindowIcon(PlatformWindow* window);
void platformHideSystemCursor();
void platformMinimizeWindow(PlatformWindow* window);
bool platformWindowHasFocus(PlatformWindow* window);
void platformSwapBuffers(PlatformWindow* window);
void platformDrawableSize(PlatformWindow* window, int32_t* width, int32_t* height);
bool platformSetSwapInterval(int interval);
// Whether the swap interval can be set (sets the current one again to find out).
bool platformHasSwapControl();
const char* platformLastError();

// The primary display's size and its mode list, in enumeration order.
void platformDesktopSize(int32_t* width, int32_t* height);
std::vector<std::pair<int32_t, int32_t>> platformDisplayModes();

// Takes at most one pending event; false when the queue is empty.
bool platformPollEvent(PlatformEvent& event);
// Events injected by test scripts; taken before the real queue.
void platformPushEvent(const PlatformEvent& event);
bool platformInjectedEventsPending();

// Saves the back buffer as a PNG.
bool platformSaveScreenshot(const std::string& path, int32_t width, int32_t height);
