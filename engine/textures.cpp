// Texture lookup, the per-frame streamer that brings TGA images from the
// asset archive into the atlas, and the guillotine packer of the atlas pages.
#include "engine/textures.h"

#include <GL/glext.h>

#include <algorithm>
#include <cstdint>

#include "archive/asset_archive.h"
#include "base/console_log.h"
#include "base/player_settings.h"
#include "engine/atlas_limits.h"
#include "engine/clear_middle.h"
#include "engine/gl_caps.h"
#include "engine/preload_list.h"
#include "engine/render_stats.h"
#include "platform/system.h"

std::vector<TextureRecord> textureList;
std::deque<std::string> textureQueue;
std::string lastTextureName;
int lastTextureIndex = -1;
std::vector<std::string> unusableTextures;
int lastAtlasChunk = -1;
std::vector<std::vector<AtlasRect>> atlasPages;
std::vector<GLuint> atlasPageTextures;
int boundAtlasPage = -1;
TextureStream textureStream;
uint32_t atlasWipes = 0;
int seekStep = 1;
std::string levelNumberTextures[10];
std::string powerUpTextures[5];

static constexpr int32_t tgaHeaderBytes = 18;
static constexpr int32_t tgaTypeOffset = 2;
static constexpr int32_t tgaSizeOffset = 12;
static constexpr uint16_t tgaRunLengthType = 10;
static constexpr double seekBudgetMs = 10.0;
static constexpr int maxSeekStep = 1 << 30;

// ---- lookup ----

int getTexture(const std::string& name) {
    if (name == lastTextureName) return lastTextureIndex;
    for (size_t i = 0; i < textureList.size(); i++) {
        if (textureList[i].name != name) continue;
        lastTextureName = name;
        lastTextureIndex = static_cast<int>(i);
        return lastTextureIndex;
    }
    // A refused image asked for every frame would be read and refused every frame.
    if (std::find(unusableTextures.begin(), unusableTextures.end(), name) != unusableTextures.end())
        return textureNotLoaded;
    if (std::find(textureQueue.begin(), textureQueue.end(), name) == textureQueue.end())
        textureQueue.push_back(name);
    return textureNotLoaded;
}

float textureFade(int i) {
    if (i < 0 || i >= static_cast<int>(textureList.size())) return 0.0f;
    return std::clamp(textureList[i].loadAge / textureFadeMs, 0.0f, 1.0f);
}

static void forgetLookups() {
    lastTextureName.clear();
    lastTextureIndex = -1;
    lastAtlasChunk = -1;
}

// ---- atlas pages ----

void bindAtlasPage(int page) {
    if (page < 0 || page >= static_cast<int>(atlasPageTextures.size())) return;
    if (boundAtlasPage == page) return;
    glBindTexture(GL_TEXTURE_2D, atlasPageTextures[page]);
    countBind();
    boundAtlasPage = page;
}

AtlasMapping atlasMapping(const TextureRecord& record) {
    float side = static_cast<float>(atlasSize);
    return {(record.atlasX + 1) / side, (record.atlasY + 1) / side, (record.width - 2) / side,
            (record.height - 2) / side};
}

void activateAtlasChunk(int i) {
    // -99 (not loaded) and every other negative index select nothing.
    if (i < 0 || i >= static_cast<int>(textureList.size())) return;
    const TextureRecord& record = textureList[i];
    bindAtlasPage(record.page);
    if (i == lastAtlasChunk) return;
    lastAtlasChunk = i;
    countMatrixLoad();
    AtlasMapping mapping = atlasMapping(record);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glTranslatef(mapping.offsetX, mapping.offsetY, 0);
    glScalef(mapping.scaleX, mapping.scaleY, 1);
    glMatrixMode(GL_MODELVIEW);
}

void selectWholeAtlasPage() {
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    countMatrixLoad();
    lastAtlasChunk = -1;
}

int findAtlasSpace(float width, float height) {
    if (boundAtlasPage < 0 || boundAtlasPage >= static_cast<int>(atlasPages.size())) return -1;
    const std::vector<AtlasRect>& rects = atlasPages[boundAtlasPage];
    int best = -1;
    double bestWaste = static_cast<double>(atlasSize) * atlasSize;
    for (size_t k = 0; k < rects.size(); k++) {
        const AtlasRect& rect = rects[k];
        if (!rect.name.empty() || rect.width < width || rect.height < height) continue;
        double waste = static_cast<double>(rect.width) * rect.height - width * height;
        if (waste < bestWaste) {
            best = static_cast<int>(k);
            bestWaste = waste;
        }
        if (waste == 0) return static_cast<int>(k);
    }
    return best;
}

void placeInAtlas(int k, float width, float height, const std::string& name, float* x, float* y) {
    if (boundAtlasPage < 0 || boundAtlasPage >= static_cast<int>(atlasPages.size())) return;
    std::vector<AtlasRect>& rects = atlasPages[boundAtlasPage];
    if (k < 0 || k >= static_cast<int>(rects.size())) return;
    AtlasRect free = rects[k];
    rects[k] = {width, height, free.x, free.y, name};
    *x = free.x;
    *y = free.y;
    AtlasRect below, right;
    if (height <= width) {
        below = {free.width, free.height - height, free.x, free.y + height, ""};
        right = {free.width - width, height, free.x + width, free.y, ""};
    } else {
        below = {width, free.height - height, free.x, free.y + height, ""};
        right = {free.width - width, free.height, free.x + width, free.y, ""};
    }
    rects.insert(rects.begin(), below);
    rects.insert(rects.begin(), right);
}

// Allocates the whole page; false when the GL refuses this size.
static bool allocatePageStorage() {
    while (glGetError() != GL_NO_ERROR) {
    }
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, atlasSize, atlasSize, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 nullptr);
    bool refused = glGetError() == GL_INVALID_VALUE;
    return !refused && maxTextureSize >= atlasSize;
}

void flushAtlasPage(int p) {
    atlasWipes++;
    for (;;) {
        logConsole("flushing atlas " + std::to_string(p) + " @ " + std::to_string(atlasSize) +
                   " texels");
        bindAtlasPage(p);
        float side = static_cast<float>(atlasSize);
        atlasPages[p] = {{side, side, 0, 0, ""}};
        if (allocatePageStorage()) break;
        if (atlasSize <= 1) {
            logConsole("atlas page " + std::to_string(p) + " could not be allocated");
            return;
        }
        setAtlasSize(atlasSize / 2);
    }
}

void createAtlasPage() {
    logConsole("creating atlas " + std::to_string(atlasPages.size()));
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, texture);
    boundAtlasPage = -1;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_FALSE);
    logConsole("setting up anisotropy");
    if (anisotropySupported && anisotropyWanted) {
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, maxAnisotropy);
        logConsole("anisotropy at " + std::to_string(static_cast<int>(maxAnisotropy)) + "x");
    }
    atlasPageTextures.push_back(texture);
    atlasPages.emplace_back();
    flushAtlasPage(static_cast<int>(atlasPages.size()) - 1);
}

void setAtlasSize(int32_t side) {
    atlasSize = side;
    if (atlasSize < smallTextureLimit) smallTextures = true;
}

// The first page with room, scanned in order; binds it and gives the rectangle.
static int firstPageWithRoom(float width, float height, int* rect) {
    for (size_t page = 0; page < atlasPages.size(); page++) {
        bindAtlasPage(static_cast<int>(page));
        *rect = findAtlasSpace(width, height);
        if (*rect >= 0) return static_cast<int>(page);
    }
    return -1;
}

int allocateAtlasSpace(float width, float height, const std::string& name, float* x, float* y) {
    int rect = -1;
    int page = firstPageWithRoom(width, height, &rect);
    if (page < 0) {
        createAtlasPage();
        page = firstPageWithRoom(width, height, &rect);
    }
    if (page < 0) return -1;
    placeInAtlas(rect, width, height, name, x, y);
    return page;
}

// A new background takes the old one's rectangle; the old record goes. One
// larger than that rectangle would write over its neighbours: it is placed
// apart like any other image, and the log says so.
static int replaceBackground(const std::string& name, float width, float height, float* x,
                             float* y) {
    if (name.find("background") == std::string::npos) return -1;
    for (size_t page = 0; page < atlasPages.size(); page++) {
        for (AtlasRect& rect : atlasPages[page]) {
            if (rect.name.find("background") == std::string::npos) continue;
            if (width > rect.width || height > rect.height) {
                logConsole("texture " + name + " is larger than " + rect.name +
                           ", whose place it would take; placed apart");
                return -1;
            }
            auto old = std::find_if(textureList.begin(), textureList.end(),
                                    [&](const TextureRecord& r) { return r.name == rect.name; });
            if (old != textureList.end()) textureList.erase(old);
            forgetLookups();
            rect.name = name;
            *x = rect.x;
            *y = rect.y;
            bindAtlasPage(static_cast<int>(page));
            return static_cast<int>(page);
        }
    }
    return -1;
}

// ---- streaming ----

static void resetStream() {
    textureStream = TextureStream{};
}

// Drops the first request and returns the streamer to idle.
static void dropRequest() {
    textureQueue.pop_front();
    resetStream();
}

// Drops a request whose image can never load at this atlas size.
static void refuseRequest() {
    unusableTextures.push_back(textureQueue.front());
    dropRequest();
}

static void dropDamaged(const std::string& why) {
    logConsole("texture " + textureQueue.front() + " " + why);
    refuseRequest();
}

static void startStreaming() {
    const std::string& name = textureQueue.front();
    std::string path = (smallTextures ? "textures\\small\\" : "textures\\") + name;
    logConsole("streaming " + path);
    int32_t offset = lookupAssetOffset(path);
    int32_t size = lookupAssetSize(path);
    logConsole("asset offset " + std::to_string(offset));
    logConsole("asset size " + std::to_string(size));
    if (offset == -1 || !assetArchive) {
        logConsole("WARNING: texture " + path + " not found!");
        logConsole("file failed");
        dropRequest();
        return;
    }
    resetStream();
    textureStream.streamSeeking = true;
    textureStream.streamTarget = offset;
    textureStream.streamSize = size;
    logConsole("starting seek");
}

// zlib defers a forward seek to the next read; pulling one byte and pushing
// it back pays (and so times) the decompression in this step.
static void seekArchive(int64_t position) {
    gzseek(assetArchive, static_cast<z_off_t>(position), SEEK_SET);
    int byte = gzgetc(assetArchive);
    if (byte != -1) gzungetc(byte, assetArchive);
}

// zlib keeps an inflate error for good: that handle neither seeks, reads nor
// rewinds again. The image being read is refused (the damage lies before its
// end), and the streamer goes on with a fresh handle, so every image before
// the damage still loads. False when the handle is sound (a plain end of
// the stream, Z_BUF_ERROR, still rewinds).
static bool recoverFromInflateError() {
    int code = Z_OK;
    const char* message = gzerror(assetArchive, &code);
    if (code == Z_OK || code == Z_BUF_ERROR) return false;
    logConsole("texture " + textureQueue.front() + ": the archive " + assetArchivePath +
               " cannot be inflated (" + (message ? message : "zlib error") + "); reopening it");
    gzclose(assetArchive);
    assetArchive = gzopen(assetArchivePath.c_str(), "rb");
    if (!assetArchive) logConsole("gzopen failed");
    refuseRequest();
    return true;
}

static void advanceSeek(int64_t position) {
    int64_t step = std::min<int64_t>(seekStep, textureStream.streamTarget - position);
    uint64_t start = platformCounter();
    seekArchive(position + step);
    double ms = platformMsSince(start);
    bool fullStep = step == seekStep;
    if (fullStep && ms < seekBudgetMs && seekStep < maxSeekStep) seekStep *= 2;
    if (fullStep && ms > seekBudgetMs && seekStep > 1) seekStep /= 2;
    if (recoverFromInflateError()) return;
    if (gztell(assetArchive) <= position) dropDamaged("lies past the end of the archive");
}

// One seek step; true once the archive stands at the image.
static bool seekTowardImage() {
    int64_t position = gztell(assetArchive);
    if (position < textureStream.streamTarget) {
        advanceSeek(position);
        return false;
    }
    if (position > textureStream.streamTarget) {
        logConsole("rewinding seek");
        if (gzrewind(assetArchive) != 0 && !recoverFromInflateError())
            dropDamaged("cannot be reached: the archive does not rewind");
        return false;
    }
    logConsole("seek complete");
    textureStream.streamReading = true;
    textureStream.streamSeeking = false;
    return true;
}

static bool readArchive(void* into, unsigned count) {
    return gzread(assetArchive, into, count) == static_cast<int>(count);
}

static bool readArchiveAt(int64_t position, void* into, unsigned count) {
    gzseek(assetArchive, static_cast<z_off_t>(position), SEEK_SET);
    return readArchive(into, count);
}

static uint16_t littleEndian16(const unsigned char* bytes) {
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

// The header fields the streamer uses; false when the archive ends inside it.
static bool readTgaHeader() {
    TextureStream& s = textureStream;
    unsigned char idLength = 0, imageType = 0, size[5] = {};
    bool whole = readArchive(&idLength, 1) &&
                 readArchiveAt(s.streamTarget + tgaTypeOffset, &imageType, 1) &&
                 readArchiveAt(s.streamTarget + tgaSizeOffset, size, sizeof(size));
    s.idLength = idLength;
    s.imageType = imageType;
    s.imageWidth = littleEndian16(size);
    s.imageHeight = littleEndian16(size + 2);
    s.pixelDepth = size[4];
    gzseek(assetArchive, s.streamTarget + tgaHeaderBytes + s.idLength, SEEK_SET);
    return whole;
}

static void rejectFile(const std::string& logLine) {
    logConsole(logLine);
    showMessageBox("Unable to load file " + textureQueue.front(), "Error");
    refuseRequest();
}

// Damage that the image's own header reveals; "" when the image is sound.
static std::string headerDamage() {
    const TextureStream& s = textureStream;
    if (s.imageWidth == 0 || s.imageHeight == 0) return "has no pixels";
    if (s.imageWidth > atlasSize || s.imageHeight > atlasSize) return "is larger than the atlas";
    int64_t bytes = tgaHeaderBytes + s.idLength + static_cast<int64_t>(s.imageHeight) * s.rowBytes;
    if (bytes > s.streamSize) return "is truncated";
    return "";
}

static void loadHeaders() {
    logConsole("loading headers");
    TextureStream& s = textureStream;
    if (!readTgaHeader()) {
        if (!recoverFromInflateError()) dropDamaged("is truncated");
        return;
    }
    if (s.imageType == tgaRunLengthType) return rejectFile("rejected run-length encoded file");
    if (s.pixelDepth != 24 && s.pixelDepth != 32) return rejectFile("rejected 16bit file");
    s.bytesPerPixel = s.pixelDepth / 8;
    s.rowBytes = s.imageWidth * s.bytesPerPixel;
    std::string damage = headerDamage();
    if (!damage.empty()) return dropDamaged(damage);
    s.streamHeadersLoaded = true;
    logConsole("headers loaded");
}

static void swapRedAndBlue(std::vector<unsigned char>& pixels, int count, int bytesPerPixel) {
    for (int i = 0; i + 2 < count; i += bytesPerPixel) std::swap(pixels[i], pixels[i + 2]);
}

static void readPixels() {
    TextureStream& s = textureStream;
    int total = s.imageHeight * s.rowBytes;
    s.pixels.resize(total);
    int got = gzread(assetArchive, s.pixels.data(), static_cast<unsigned>(total));
    if (got < total) {
        if (!recoverFromInflateError()) dropDamaged("is truncated");
        return;
    }
    if (!hasBGRA) swapRedAndBlue(s.pixels, got, s.bytesPerPixel);
    s.streamBytesRead += got;
}

static void uploadPixels(const TextureRecord& record) {
    bool fourChannels = textureStream.bytesPerPixel == 4;
    if (fourChannels)
        clearMiddles[record.name] = findClearMiddle(
            textureStream.pixels.data(), textureStream.imageWidth, textureStream.imageHeight);
    logConsole("glTexImage2D start");
    logConsole(fourChannels ? "4 channel" : "3 channel");
    GLenum format = hasBGRA ? (fourChannels ? GL_BGRA : GL_BGR) : (fourChannels ? GL_RGBA : GL_RGB);
    glTexSubImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(record.atlasX),
                    static_cast<GLint>(record.atlasY), textureStream.imageWidth,
                    textureStream.imageHeight, format, GL_UNSIGNED_BYTE,
                    textureStream.pixels.data());
    textureStream.pixels = {};
    logConsole("glTexImage2D done");
}

static void finishTexture() {
    logConsole("read finished");
    textureStream.streamReading = false;
    const std::string& name = textureQueue.front();
    TextureRecord record = {name,
                            0,
                            static_cast<float>(textureStream.imageWidth),
                            static_cast<float>(textureStream.imageHeight),
                            0,
                            0,
                            0};
    logConsole("buffering texture");
    record.page =
        replaceBackground(name, record.width, record.height, &record.atlasX, &record.atlasY);
    if (record.page < 0)
        record.page =
            allocateAtlasSpace(record.width, record.height, name, &record.atlasX, &record.atlasY);
    if (record.page < 0) return dropDamaged("found no room in the atlas");
    uploadPixels(record);
    logConsole("push_back");
    textureList.push_back(record);
    dropRequest();
    logConsole("texture complete");
}

void updateStreamingTextures(float dtMs) {
    for (TextureRecord& record : textureList)
        if (record.loadAge < textureFadeMs) record.loadAge += dtMs;
    if (textureQueue.empty()) return;
    TextureStream& s = textureStream;
    if (!s.streamSeeking && !s.streamReading) return startStreaming();
    if (s.streamSeeking && !seekTowardImage()) return;
    if (!s.streamHeadersLoaded) return loadHeaders();
    if (s.streamBytesRead < s.imageHeight * s.rowBytes) return readPixels();
    finishTexture();
}

// ---- lists, start-up and reload ----

void preloadTextures() {
    for (const char* name : preloadTextureNames) getTexture(name);
}

void reserveMotionBlurCopy() {
    float width = static_cast<float>(ScreenWidth), height = static_cast<float>(ScreenHeight);
    TextureRecord record = {"motionblur", 0, width, height, 0, 0, 0};
    record.page = allocateAtlasSpace(width, height, "motionblur", &record.atlasX, &record.atlasY);
    if (record.page < 0) {
        logConsole("no room in the atlas for the motion blur copy");
        return;
    }
    textureList.push_back(record);
}

void setupTextures() {
    reserveMotionBlurCopy();
    for (int digit = 0; digit < 10; digit++)
        levelNumberTextures[digit] = "LevelNumber" + std::to_string(digit) + ".tga";
    for (int icon = 0; icon < 5; icon++)
        powerUpTextures[icon] = "PowerUp" + std::to_string(icon + 1) + ".tga";
}

void deleteTextures() {
    atlasWipes++;
    if (!atlasPageTextures.empty())
        glDeleteTextures(static_cast<GLsizei>(atlasPageTextures.size()), atlasPageTextures.data());
    atlasPageTextures.clear();
    atlasPages.clear();
    textureList.clear();
    textureQueue.clear();
    unusableTextures.clear();
    forgetLookups();
    boundAtlasPage = -1;
    resetStream();
}

void resetAtlas() {
    deleteTextures();
    createAtlasPage();
}

void reloadTextures() {
    reserveMotionBlurCopy();
    preloadTextures();
}
