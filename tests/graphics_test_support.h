// Shared set-up of the graphics tests: a hidden GL window, a small asset
// archive written on the spot, TGA images, and the console log read back.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "archive/asset_archive.h"
#include "base/console_log.h"
#include "engine/draw2d.h"
#include "engine/textures.h"
#include "platform/window.h"
#include "settings/settings.h"
#include "shell/window.h"
#include "tests/temp_folder.h"

namespace graphics_test {

constexpr int32_t windowSide = 256;

// A current GL context on a hidden window, made once (again if another test
// destroyed its own). False when it cannot be made.
inline bool makeGLContext() {
    if (glGetString(GL_VERSION)) return true;
    if (!platformInitVideo()) return false;
    WindowRequest request = {"graphics test", windowSide, windowSide, true, 0};
    PlatformWindow* window = nullptr;
    PlatformContext* context = nullptr;
    if (!platformCreateWindow(request, &window, &context)) return false;
    glViewport(0, 0, windowSide, windowSide);
    return true;
}

// A GL test never skips: SDL makes its context on the X display when there
// is one (scripts/test starts Xvfb) and offscreen through EGL when there is
// none, so a context that cannot be made is a fault to report.
#define REQUIRE_GL()                     \
    if (!graphics_test::makeGLContext()) \
    FAIL() << "no GL context can be made here: " << platformLastError()

inline void putInt32(std::string& out, int32_t value) {
    for (int i = 0; i < 4; i++)
        out += static_cast<char>((static_cast<uint32_t>(value) >> (8 * i)) & 0xff);
}

using Asset = std::pair<std::string, std::string>;  // archive name, bytes

// Writes an archive in the game's format: header text, index, then the data.
inline void writeArchive(const std::string& path, const std::vector<Asset>& assets,
                         const std::string& headerText = "test archive") {
    std::string index;
    putInt32(index, static_cast<int32_t>(headerText.size()));
    index += headerText;
    putInt32(index, static_cast<int32_t>(assets.size()));
    size_t indexBytes = index.size();
    for (const Asset& asset : assets) indexBytes += 12 + asset.first.size();
    int32_t offset = static_cast<int32_t>(indexBytes);
    for (const Asset& asset : assets) {
        putInt32(index, static_cast<int32_t>(asset.first.size()));
        index += asset.first;
        putInt32(index, offset);
        putInt32(index, static_cast<int32_t>(asset.second.size()));
        offset += static_cast<int32_t>(asset.second.size());
    }
    gzFile file = gzopen(path.c_str(), "wb");
    gzwrite(file, index.data(), static_cast<unsigned>(index.size()));
    for (const Asset& asset : assets)
        gzwrite(file, asset.second.data(), static_cast<unsigned>(asset.second.size()));
    gzclose(file);
}

// An uncompressed TGA whose pixels are all (r, g, b, a) in file order B, G, R, A.
inline std::string makeTga(int width, int height, int depth, unsigned char r = 255,
                           unsigned char g = 0, unsigned char b = 0, int type = 2) {
    std::string tga(18, '\0');
    tga[2] = static_cast<char>(type);
    tga[12] = static_cast<char>(width & 0xff);
    tga[13] = static_cast<char>(width >> 8);
    tga[14] = static_cast<char>(height & 0xff);
    tga[15] = static_cast<char>(height >> 8);
    tga[16] = static_cast<char>(depth);
    int bytesPerPixel = depth / 8 > 0 ? depth / 8 : 1;
    for (int i = 0; i < width * height; i++) {
        std::string pixel = {static_cast<char>(b), static_cast<char>(g), static_cast<char>(r),
                             static_cast<char>(255)};
        tga += pixel.substr(0, bytesPerPixel);
    }
    return tga;
}

// Points the log at a fresh console.log in the test folder.
inline void startLogCapture() {
    logDirectory = tempDir();
    emptyConsoleLog();
    consoleHistory.clear();
}

// The captured lines, without the archive's own lookup lines.
inline std::vector<std::string> capturedLog() {
    std::ifstream file(logDirectory + "/console.log", std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("Looking up ", 0) == 0 || line.rfind("found ", 0) == 0) continue;
        lines.push_back(line);
    }
    return lines;
}

inline bool logHas(const std::string& wanted) {
    for (const std::string& line : capturedLog())
        if (line == wanted) return true;
    return false;
}

// Forgets every texture and page and sets the atlas up for a test.
inline void resetTextures(int32_t side) {
    deleteTextures();
    atlasSize = side;
    maxTextureSize = 16384;
    smallTextures = false;
    seekStep = 1;
}

#ifdef ZENTRIX_BUILD_DIR
// A fresh atlas and the asset archive the build made; false when it is missing.
inline bool openBuiltArchive() {
    resetTextures(4096);
    assetIndex.clear();
    createAtlasPage();
    assetArchivePath = std::string(ZENTRIX_BUILD_DIR) + "/data/assets.ass";
    openAssetArchive();
    return !assetIndex.empty();
}
#endif

// Reads one RGBA pixel of the back buffer, y counted from the top.
struct Rgba {
    int r, g, b, a;
};
inline Rgba pixelAt(int x, int y) {
    unsigned char p[4] = {};
    glReadBuffer(GL_BACK);
    glReadPixels(x, windowSide - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2], p[3]};
}

// 2D mode over the test window, cleared to black, with the game's blending.
inline void beginTestFrame() {
    ScreenWidth = windowSide;
    ScreenHeight = windowSide;
    enabledStates.clear();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    forgetBlendFunction();
    setBlendFunction(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    clearScreen(0, 0, 0, 1);
    begin2D();
}

}  // namespace graphics_test
