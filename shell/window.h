// The game window and its GL context: creation with the multisample query
// pass, extension flags, the viewport, display modes, the window procedure.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

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
extern bool hasVBO;                 // GL_ARB_vertex_buffer_object present
extern bool hasSwapControl;         // the swap interval can be set
extern bool hasBGRA;                // GL_EXT_bgra present
extern int32_t maxTextureSize;      // GL_MAX_TEXTURE_SIZE
extern int32_t atlasSize;           // atlas page edge, 4096 unless the driver is smaller
extern bool smallTextures;          // atlasSize below 2048: load half-size textures
extern int32_t glMajorVersion;      // leading number of GL_VERSION
extern std::vector<std::pair<float, float>> displayModes;  // resolutions for the options

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
int32_t findDisplayMode();

// Tries 16, 8, 4, 2 samples while AAlevel allows, halving AAlevel on each
// failure above 2. Returns the count found, 0 when none.
int32_t queryMultisample(bool (*tryCount)(int32_t samples));

// The window procedure: routes one event to the handlers.
void windowProcedure(const PlatformEvent& event);

extern bool noDialogs;  // --no-dialogs or ZENTRIX_HEADLESS=1: boxes go to the log and stderr
void showMessageBox(const std::string& text, const std::string& caption);
