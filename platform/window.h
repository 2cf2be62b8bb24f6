// Windows, GL contexts, display modes and events on SDL2.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/events.h"
#include "platform/input_state.h"

struct PlatformWindow;   // an SDL window
struct PlatformContext;  // an SDL GL context

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
// Back to a window of width x height, centred; false when the display refuses.
bool platformLeaveFullscreen(PlatformWindow* window, int32_t width, int32_t height);
void platformSetWindowIcon(PlatformWindow* window);
void platformHideSystemCursor();
void platformMinimizeWindow(PlatformWindow* window);
bool platformWindowHasFocus(PlatformWindow* window);
void platformSwapBuffers(PlatformWindow* window);

// Window pixels, origin bottom-left as GL counts them.
struct PixelRect {
    int32_t x, y, width, height;
};
// How many frames old the back buffer's content is after a swap, as the
// window system says (GLX_EXT_buffer_age); 0 when undefined or not known
// (no such extension, not GLX, or a driver that always answers 0).
int32_t platformBackBufferAge();
// Whether parts of the back buffer can be shown without a swap (GLX on X11
// with GLX_MESA_copy_sub_buffer, on a window without multisampling). The
// back buffer then keeps its content, so the next frame can draw over it.
bool platformCanPresentRects();
// Whether the window was uncovered or shown again since the last call (the
// event is taken by platformPollEvent): a window system without backing
// store then wants the whole picture shown again, not only what changed.
bool platformTakeWindowExposed();
// Shows these rectangles of a back buffer drawn for a window of width x
// height; false, showing nothing, when the window has since been resized and
// its event not yet taken: the caller then swaps instead.
bool platformPresentRects(const std::vector<PixelRect>& rects, int32_t width, int32_t height);
void platformDrawableSize(PlatformWindow* window, int32_t* width, int32_t* height);
bool platformSetSwapInterval(int interval);
// Whether the swap interval can be set (sets the current one again to find out).
bool platformHasSwapControl();
const char* platformLastError();

// The primary display's size and its mode list, in enumeration order.
void platformDesktopSize(int32_t* width, int32_t* height);
std::vector<std::pair<int32_t, int32_t>> platformDisplayModes();

// Takes at most one pending event; false when the queue is empty. A key
// event taken sets the key state platformKeyHeld answers, as it stood then.
// Pointer positions come in the pointer space, whatever the window's size.
bool platformPollEvent(PlatformEvent& event);
// The size pointer positions are given in (the game's layout size); the
// window's current size in screen units maps onto it, so a resized window
// or a HiDPI screen still puts the pointer where the cursor is drawn.
void platformSetPointerSpace(int32_t width, int32_t height);
// A position in window units of a window width x height, in the pointer space.
void mapToPointerSpace(int32_t windowWidth, int32_t windowHeight, int32_t& x, int32_t& y);
// Sleeps until an event is waiting (left in the queue) or ms have passed.
void platformWaitForEvent(uint32_t ms);
// Events injected by test scripts; taken before the real queue.
void platformPushEvent(const PlatformEvent& event);
bool platformInjectedEventsPending();

// Saves the back buffer as a PNG.
bool platformSaveScreenshot(const std::string& path, int32_t width, int32_t height);
