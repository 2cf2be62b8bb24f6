// What the driver and the display offer, read once the window exists, and
// the message box every layer uses for errors that stop the program. The
// window and start-up fill these; the texture atlas may shrink atlasSize.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

extern bool hasVBO;               // GL_ARB_vertex_buffer_object present
extern bool hasSwapControl;       // the swap interval can be set
extern bool hasBGRA;              // GL_EXT_bgra present
extern int32_t maxTextureSize;    // GL_MAX_TEXTURE_SIZE
extern int32_t atlasSize;         // atlas page edge, 4096 unless the driver is smaller
extern bool smallTextures;        // atlasSize below 2048: load half-size textures
extern int32_t glMajorVersion;    // leading number of GL_VERSION
extern float maxAnisotropy;       // GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT
extern bool anisotropySupported;  // GL_EXT_texture_filter_anisotropic present, hardware renderer

constexpr int32_t smallTextureLimit = 2048;  // atlas pages below this take half-size images

// GL_RENDERER names a software rasteriser (llvmpipe, softpipe, SwiftShader).
bool isSoftwareRenderer(const std::string& renderer);
extern bool softwareRendererLowered;  // this first run started at Low for a software renderer

extern bool noDialogs;  // --no-dialogs or ZENTRIX_HEADLESS=1: boxes go to the log and stderr
void showMessageBox(const std::string& text, const std::string& caption);
// Ends the program on purpose (a broken font, undecodable sound data), after
// its message has been shown. The fuzz harnesses install programEndHook to
// carry on with the next input; a hook that returns still ends the program.
extern void (*programEndHook)(int exitCode);  // null: just exit
[[noreturn]] void endProgram(int exitCode);
