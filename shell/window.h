// The game window and its GL context: creation with the multisample query
// pass, extension flags, the viewport, display modes, the window procedure.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/gl_caps.h"
#include "platform/window.h"

struct WindowRecord {
    PlatformWindow* window;  // null while none exists
    PlatformContext* context;
    const char* className;
    const char* title;
    int32_t width;
    int32_t height;
    int32_t bits;
    bool fullscreen;  // the full-screen request
    bool visible;     // cleared while minimised
    uint64_t lastCounter;
};

extern WindowRecord windowRecord;   // the single window's record
extern PlatformWindow* gameWindow;  // the game window, null while none
extern bool multisampleChosen;      // the query pass found a format; survives re-creation
extern int32_t multisampleFormat;   // sample count of the chosen format

bool registerWindowClass();
bool createGLWindow(WindowRecord& record);
bool destroyGLWindow(WindowRecord& record);
bool changeScreenResolution(int32_t width, int32_t height, int32_t bits);
void reshapeGL(int32_t width, int32_t height);
bool isWGLExtensionSupported(const char* name);
// True when name occurs as a whole blank-separated word of extensions.
bool extensionListHas(const char* extensions, const char* name);
void setSwapInterval(int interval);
void listDisplayModes();
// Alt+Enter and F11: switches between a window and full screen at the desktop size.
void toggleFullscreen();

// Tries 16, 8, 4, 2 samples while AAlevel allows, halving AAlevel on each
// failure above 2. Returns the count found, 0 when none.
int32_t queryMultisample(bool (*tryCount)(int32_t samples));

// The window procedure: routes one event to the handlers.
void windowProcedure(const PlatformEvent& event);
