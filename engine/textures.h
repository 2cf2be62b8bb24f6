// Textures: every image is a TGA in the asset archive, streamed one step per
// frame into a texture atlas of square GL pages, each page split by a
// guillotine packer. Drawing selects an image through the texture matrix.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

struct TextureRecord {
    std::string name;  // file name as asked for, no folder ("red.tga")
    float loadAge;     // ms since it arrived; grows while below textureFadeMs
    float width, height;
    float atlasX, atlasY;  // first texel of the image in its page
    int page;
};

struct AtlasRect {
    float width, height;
    float x, y;
    std::string name;  // texture that occupies it; empty = free
};

// The streamer's state for the one texture in flight.
struct TextureStream {
    bool streamSeeking;
    bool streamReading;
    bool streamHeadersLoaded;
    int32_t streamTarget;  // offset of the image in the archive
    int32_t streamSize;    // its size in the archive index
    uint16_t idLength, imageType, imageWidth, imageHeight;
    int pixelDepth, bytesPerPixel, rowBytes, streamBytesRead;
    std::vector<unsigned char> pixels;
};

extern std::vector<TextureRecord> textureList;  // loaded textures; index = texture id
extern std::deque<std::string> textureQueue;    // names waiting to stream, first in first out
extern std::string lastTextureName;             // one-entry lookup cache
extern int lastTextureIndex;
// Images refused as damaged, of the wrong kind or too large for the atlas:
// logged once and never queued again until deleteTextures rebuilds the atlas.
extern std::vector<std::string> unusableTextures;
extern int lastAtlasChunk;  // record the texture matrix selects, -1 = none
extern std::vector<std::vector<AtlasRect>> atlasPages;  // each page's rectangles
extern std::vector<GLuint> atlasPageTextures;           // GL name of each page
extern int boundAtlasPage;                              // page bound by us, -1 = none
extern TextureStream textureStream;                     // the texture being streamed
extern uint32_t
    atlasWipes;       // counts pages flushed or deleted: copies made of their images are stale
extern int seekStep;  // bytes per seek step; adapts to ~10 ms, kept between textures
extern std::string levelNumberTextures[10];  // "LevelNumber0.tga" .. "LevelNumber9.tga"
extern std::string powerUpTextures[5];       // "PowerUp1.tga" .. "PowerUp5.tga"

constexpr int textureNotLoaded = -99;
constexpr float textureFadeMs = 250.0f;

// Index of the loaded texture, or -99 (and queued) while it is not loaded.
int getTexture(const std::string& name);
// Binds the record's page and points the texture matrix at its image.
void activateAtlasChunk(int i);
// Identity texture matrix: coordinates 0..1 span the whole bound page.
void selectWholeAtlasPage();
// One streaming step; called every frame before the update.
void updateStreamingTextures(float dtMs);
void createAtlasPage();
void bindAtlasPage(int page);
// Best-fitting free rectangle of the bound page, or -1.
int findAtlasSpace(float width, float height);
// Occupies rectangle k of the bound page; gives the image's corner.
void placeInAtlas(int k, float width, float height, const std::string& name, float* x, float* y);
// Places a w x h image on the first page with room, making a page when
// none has; binds that page and gives it, or -1 when the image cannot fit.
int allocateAtlasSpace(float width, float height, const std::string& name, float* x, float* y);
// Empties page p and reallocates it, halving atlasSize until the GL accepts it.
void flushAtlasPage(int p);
// Every change of the atlas side goes through here: a side below
// smallTextureLimit switches the half-size images on as well.
void setAtlasSize(int32_t side);
// Queues every name of the preload list, in its order.
void preloadTextures();
// Empties the atlas and makes its page 0, where the fonts put their glyphs
// next (start-up and "reload textures": resetAtlas, setupFonts, then the textures).
void resetAtlas();
// Start-up, after the fonts: the motion-blur copy and the texture-name tables.
void setupTextures();
// Reserves the screen-sized "motionblur" rectangle.
void reserveMotionBlurCopy();
// After resetAtlas and the fonts: the motion-blur copy and the preload list again.
void reloadTextures();
// Deletes the pages and forgets every texture.
void deleteTextures();
// loadAge / 250 clamped to 0..1: how far the texture has faded in.
float textureFade(int i);

// The texture-matrix mapping of a record: offset then scale, in page units.
struct AtlasMapping {
    float offsetX, offsetY, scaleX, scaleY;
};
AtlasMapping atlasMapping(const TextureRecord& record);
