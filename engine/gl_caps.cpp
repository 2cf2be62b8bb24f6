#include "engine/gl_caps.h"

#include <cstdio>
#include <cstdlib>

#include "base/console_log.h"
#include "platform/system.h"

bool hasVBO = false;
bool hasSwapControl = false;
bool hasBGRA = false;
int32_t maxTextureSize = 0;
int32_t atlasSize = 4096;
bool smallTextures = false;
int32_t glMajorVersion = 0;
float maxAnisotropy = 0.0f;
bool anisotropySupported = false;
bool noDialogs = false;

void (*programEndHook)(int exitCode) = nullptr;

void endProgram(int exitCode) {
    if (programEndHook) programEndHook(exitCode);
    std::exit(exitCode);
}

void showMessageBox(const std::string& text, const std::string& caption) {
    if (noDialogs || !platformMessageBox(text, caption)) {
        fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        logConsole(caption + ": " + text);
    }
}

bool isSoftwareRenderer(const std::string& renderer) {
    for (const char* name : {"llvmpipe", "softpipe", "SwiftShader"})
        if (renderer.find(name) != std::string::npos) return true;
    return false;
}

bool softwareRendererLowered = false;
