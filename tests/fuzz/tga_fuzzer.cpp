// libFuzzer target: any bytes as a TGA image streamed from the archive into
// the atlas, step by step as the frames would, with a stand-in for the GL
// upload that reads every byte the real one would. The first input byte
// chooses whether the GL takes BGR(A) directly. The streamer must finish
// with the request (loaded or refused) in a bounded number of steps, and a
// loaded image must have the header's size.
#include <GL/gl.h>

#include <cstdint>
#include <string>

#include "archive/asset_archive.h"
#include "engine/textures.h"
#include "tests/fuzz/fuzz_support.h"

static constexpr int maxStreamingSteps = 400;
static const char* const imageName = "fuzz.tga";

// ---- the GL the streamer talks to: no context, so these stand in ----
static volatile unsigned uploadedChecksum = 0;

extern "C" GLenum glGetError() {
    return GL_NO_ERROR;
}

extern "C" void glGenTextures(GLsizei count, GLuint* names) {
    static GLuint next = 1;
    for (GLsizei i = 0; i < count; i++) names[i] = next++;
}

static int bytesPerTexel(GLenum format) {
    return format == GL_BGRA || format == GL_RGBA ? 4 : format == GL_LUMINANCE_ALPHA ? 2 : 3;
}

extern "C" void glTexSubImage2D(GLenum, GLint, GLint x, GLint y, GLsizei width, GLsizei height,
                                GLenum format, GLenum, const void* pixels) {
    if (x < 0 || y < 0 || x + width > atlasSize || y + height > atlasSize) __builtin_trap();
    const auto* bytes = static_cast<const unsigned char*>(pixels);
    size_t count = static_cast<size_t>(width) * height * bytesPerTexel(format);
    unsigned sum = 0;
    for (size_t i = 0; i < count; i++) sum += bytes[i];
    uploadedChecksum = sum;
}

// ---- the archive: one image in a plain (uncompressed) stream ----
static void put32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; i++) out += static_cast<char>(value >> (8 * i));
}

static std::string archiveWith(const std::string& name, const std::string& bytes) {
    std::string index;
    put32(index, 0);  // no header text
    put32(index, 1);
    put32(index, static_cast<uint32_t>(name.size()));
    index += name;
    uint32_t offset = static_cast<uint32_t>(index.size() + 8);
    put32(index, offset);
    put32(index, static_cast<uint32_t>(bytes.size()));
    return index + bytes;
}

static void resetTextures() {
    float side = static_cast<float>(atlasSize);
    textureList.clear();
    textureQueue.clear();
    unusableTextures.clear();
    lastTextureName.clear();
    lastTextureIndex = lastAtlasChunk = -1;
    textureStream = TextureStream{};
    seekStep = 1;
    atlasPages.resize(1);
    atlasPageTextures.resize(1);
    atlasPages[0] = {{side, side, 0, 0, ""}};
}

static void setUpOnce() {
    static bool done = false;
    if (done) return;
    done = true;
    quietGame();
    maxTextureSize = 16384;
    atlasSize = 2048;
    smallTextures = false;
    createAtlasPage();  // page 0, with the (absent) fonts, before any archive is open
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzzScratch() + "/textures.ass";
    if (size < 1) return 0;
    setUpOnce();
    hasBGRA = data[0] % 2 == 0;
    std::string image = fuzzBytes(data + 1, size - 1);
    writeFuzzFile(path, archiveWith(std::string("textures\\") + imageName, image));
    assetArchivePath = path;
    openAssetArchive();
    resetTextures();
    getTexture(imageName);
    for (int step = 0; step < maxStreamingSteps && !textureQueue.empty(); step++)
        updateStreamingTextures(16.0f);
    if (!textureQueue.empty()) __builtin_trap();  // the streamer hangs on this image
    for (const TextureRecord& record : textureList) {
        if (record.name != imageName) continue;
        bool sized = record.width == (data[1 + 12] | data[1 + 13] << 8) &&
                     record.height == (data[1 + 14] | data[1 + 15] << 8);
        if (!sized) __builtin_trap();
    }
    closeAssetArchive();
    return 0;
}
