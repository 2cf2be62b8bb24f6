// Font building with FreeType into the atlas and display lists, and printing.
#include "engine/fonts.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H

#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "archive/asset_archive.h"
#include "base/console_log.h"
#include "base/player_settings.h"
#include "base/profiler.h"
#include "engine/gl_caps.h"
#include "engine/meshes.h"
#include "engine/render_stats.h"
#include "engine/textures.h"

FontData bigFont = {};
FontData mediumFont = {};
FontData smallFont = {};

static constexpr int firstGlyph = 32, lastAsciiGlyph = 127;
static constexpr int firstLatinGlyph = 160, lastGlyph = 255;
static constexpr float layoutHeight = 1050.0f;
static constexpr float fontUnit = 55.0f;
static constexpr float bigFontShare = 1.25f, mediumFontShare = 0.5f, smallFontShare = 0.25f;
static constexpr int glyphDpi = 96;
static constexpr float texelInset = 0.001f;
static constexpr char replacementByte = '*';
static const std::string fontFolder = "fonts\\";
static const std::string displayFace = "prototype.ttf";  // bigFont and mediumFont
static const std::string textFace = "arialbd.ttf";       // smallFont
static const char* const ftNewFaceFailure =
    "FT_New_Face failed (there is probably a problem with your font file)";

// ---- building ----

// Releases FreeType's library and face however the build ends.
struct FreeTypeSession {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~FreeTypeSession() {
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
    }
};

static int nextPowerOfTwo(int n) {
    int power = 1;
    while (power < n) power *= 2;
    return power;
}

// Luminance and alpha both carry the coverage; the padding stays clear.
static std::vector<unsigned char> glyphImage(const FT_Bitmap& bitmap, int gw, int gh) {
    std::vector<unsigned char> image(2 * gw * gh, 0);
    int stride = bitmap.pitch < 0 ? -bitmap.pitch : bitmap.pitch;
    for (unsigned row = 0; row < bitmap.rows; row++) {
        for (unsigned column = 0; column < bitmap.width; column++) {
            unsigned char coverage = bitmap.buffer[row * stride + column];
            size_t texel = 2 * (row * gw + column);
            image[texel] = image[texel + 1] = coverage;
        }
    }
    return image;
}

struct GlyphPlace {
    int page;
    float x, y;
    int gw, gh;
};

// The glyph's list: select its atlas rectangle, draw the quad standing on the
// baseline, then move the pen on. A glyph that had to go to another page
// binds that page and gives page 0 back, which print relies on.
static void compileGlyphList(GLuint list, const FT_BitmapGlyph glyph, const GlyphPlace& place,
                             float advance) {
    float side = static_cast<float>(atlasSize);
    float width = static_cast<float>(glyph->bitmap.width);
    float rows = static_cast<float>(glyph->bitmap.rows);
    float tx = width / place.gw, ty = rows / place.gh, top = static_cast<float>(glyph->top);
    glNewList(list, GL_COMPILE);
    if (place.page != 0) glBindTexture(GL_TEXTURE_2D, atlasPageTextures[place.page]);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glTranslatef(place.x / side, place.y / side, 0);
    glScalef(place.gw / side, place.gh / side, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslatef(static_cast<float>(glyph->left), 0, 0);
    glBegin(GL_QUADS);
    glTexCoord2f(texelInset, ty - texelInset);
    glVertex2f(0, rows - top);
    glTexCoord2f(texelInset, texelInset);
    glVertex2f(0, -top);
    glTexCoord2f(tx - texelInset, texelInset);
    glVertex2f(width, -top);
    glTexCoord2f(tx - texelInset, ty - texelInset);
    glVertex2f(width, rows - top);
    glEnd();
    glPopMatrix();
    glTranslatef(advance, 0, 0);
    if (place.page != 0) glBindTexture(GL_TEXTURE_2D, atlasPageTextures[0]);
    glEndList();
}

static FT_BitmapGlyph renderGlyph(FT_Face face, int c) {
    if (FT_Load_Glyph(face, FT_Get_Char_Index(face, c), FT_LOAD_DEFAULT))
        throw std::runtime_error("FT_Load_Glyph failed");
    FT_Glyph glyph = nullptr;
    if (FT_Get_Glyph(face->glyph, &glyph)) throw std::runtime_error("FT_Get_Glyph failed");
    FT_Glyph_To_Bitmap(&glyph, FT_RENDER_MODE_NORMAL, nullptr, 1);
    return reinterpret_cast<FT_BitmapGlyph>(glyph);
}

// The quad compileGlyphList draws, with the texture matrix's mapping applied.
static GlyphQuad glyphQuad(const FT_BitmapGlyph glyph, const GlyphPlace& place) {
    float side = static_cast<float>(atlasSize);
    float width = static_cast<float>(glyph->bitmap.width);
    float rows = static_cast<float>(glyph->bitmap.rows);
    float tx = width / place.gw, ty = rows / place.gh, top = static_cast<float>(glyph->top);
    float scaleU = place.gw / side, scaleV = place.gh / side;
    float left = static_cast<float>(glyph->left);
    return {left,
            left + width,
            -top,
            rows - top,
            place.x / side + texelInset * scaleU,
            place.y / side + texelInset * scaleV,
            place.x / side + (tx - texelInset) * scaleU,
            place.y / side + (ty - texelInset) * scaleV,
            place.page};
}

static void buildGlyph(FontData& font, FT_Face face, int c, const std::string& rectName) {
    FT_BitmapGlyph glyph = renderGlyph(face, c);
    const FT_Bitmap& bitmap = glyph->bitmap;
    GlyphPlace place = {0, 0, 0, nextPowerOfTwo(static_cast<int>(bitmap.width)),
                        nextPowerOfTwo(static_cast<int>(bitmap.rows))};
    place.page = allocateAtlasSpace(static_cast<float>(place.gw), static_cast<float>(place.gh),
                                    rectName, &place.x, &place.y);
    font.advances[c] = static_cast<float>(face->glyph->advance.x >> 6);
    if (place.page >= 0) {
        std::vector<unsigned char> image = glyphImage(bitmap, place.gw, place.gh);
        glTexSubImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(place.x), static_cast<GLint>(place.y),
                        place.gw, place.gh, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, image.data());
        compileGlyphList(font.listBase + c, glyph, place, font.advances[c]);
        font.quads[c] = glyphQuad(glyph, place);
    } else {
        // Larger than a whole page: the character only moves the pen.
        logConsole("glyph " + std::to_string(c) + " of " + rectName + " does not fit the atlas");
        glNewList(font.listBase + c, GL_COMPILE);
        glTranslatef(font.advances[c], 0, 0);
        glEndList();
    }
    FT_Done_Glyph(reinterpret_cast<FT_Glyph>(glyph));
}

// A character the face lacks draws as the replacement mark, with its width.
static void buildMissingGlyph(FontData& font, int c) {
    font.advances[c] = font.advances[static_cast<unsigned char>(replacementByte)];
    font.quads[c] = font.quads[static_cast<unsigned char>(replacementByte)];
    glNewList(font.listBase + c, GL_COMPILE);
    glCallList(font.listBase + static_cast<unsigned char>(replacementByte));
    glEndList();
}

static bool isPrintableCode(int c) {
    return (c >= firstGlyph && c <= lastAsciiGlyph) || (c >= firstLatinGlyph && c <= lastGlyph);
}

void buildFont(FontData& font, const std::string& bytes, float size, const std::string& key) {
    FreeTypeSession session;
    if (FT_Init_FreeType(&session.library)) throw std::runtime_error("FT_Init_FreeType failed");
    if (FT_New_Memory_Face(session.library, reinterpret_cast<const FT_Byte*>(bytes.data()),
                           static_cast<FT_Long>(bytes.size()), 0, &session.face))
        throw std::runtime_error(ftNewFaceFailure);
    FT_F26Dot6 pixels = static_cast<FT_F26Dot6>(static_cast<int>(size)) * 64;
    FT_Set_Char_Size(session.face, pixels, pixels, glyphDpi, glyphDpi);
    font = FontData{};
    font.h = size;
    font.listBase = glGenLists(fontListCount);
    // The ASCII glyphs first: the missing Latin-1 ones call the replacement mark's list.
    for (int c = firstGlyph; c <= lastGlyph; c++) {
        if (!isPrintableCode(c)) continue;
        if (c >= firstLatinGlyph && FT_Get_Char_Index(session.face, c) == 0) {
            buildMissingGlyph(font, c);
            continue;
        }
        buildGlyph(font, session.face, c, "font_" + key);
    }
}

// Builds from bytes already read. With no archive at all the fonts stay
// empty (start-up ends the game over that with its own message); a font
// missing from the archive ends the game as a broken one does.
static void buildFromArchive(FontData& font, const std::string& bytes, const std::string& file,
                             float size) {
    font = FontData{};
    font.h = size;
    if (bytes.empty()) {
        logConsole("font " + file + " not found");
        if (assetIndex.empty()) return;
        throw std::runtime_error(ftNewFaceFailure);
    }
    buildFont(font, bytes, size, file + "_" + std::to_string(static_cast<int>(size)));
}

void loadFont(FontData& font, const std::string& file, float size) {
    buildFromArchive(font, readAsset(fontFolder + file), file, size);
}

void setupFonts() {
    float unit = ScreenHeight / layoutHeight * fontUnit;
    try {
        // Both faces in one forward pass through the archive, whatever their order in it.
        prefetchAssets({fontFolder + displayFace, fontFolder + textFace});
        std::string display = readAsset(fontFolder + displayFace);
        buildFromArchive(bigFont, display, displayFace, unit * bigFontShare);
        buildFromArchive(mediumFont, display, displayFace, unit * mediumFontShare);
        loadFont(smallFont, textFace, unit * smallFontShare);
    } catch (const std::runtime_error& error) {
        // A font file that FreeType cannot use ends the game on purpose.
        logConsole(error.what());
        showMessageBox(error.what(), "Error");
        endProgram(EXIT_FAILURE);
    }
}

void destroyFont(FontData& font) {
    if (font.listBase) glDeleteLists(font.listBase, fontListCount);
    font.listBase = 0;
}

void destroyFonts() {
    destroyFont(bigFont);
    destroyFont(mediumFont);
    destroyFont(smallFont);
}

// ---- measuring and printing ----

// Length of the UTF-8 sequence a lead byte opens and its payload bits; 0
// for a byte that opens none.
static int sequenceLength(unsigned char lead, uint32_t& bits) {
    if (lead < 0x80) return bits = lead, 1;
    if ((lead & 0xe0) == 0xc0 && lead >= 0xc2) return bits = lead & 0x1f, 2;
    if ((lead & 0xf0) == 0xe0) return bits = lead & 0x0f, 3;
    if ((lead & 0xf8) == 0xf0 && lead <= 0xf4) return bits = lead & 0x07, 4;
    return 0;
}

// The code point at `at` and how many bytes it takes; a byte that starts no
// whole sequence is one character of its own, shown as the replacement.
static uint32_t decodeCodePoint(const std::string& text, size_t at, size_t& length) {
    static constexpr uint32_t notUtf8 = 0xfffd;
    uint32_t code = 0;
    int bytes = sequenceLength(static_cast<unsigned char>(text[at]), code);
    length = 1;
    if (bytes == 0 || at + bytes > text.size()) return bytes == 1 ? code : notUtf8;
    for (int i = 1; i < bytes; i++) {
        unsigned char next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xc0) != 0x80) return notUtf8;
        code = code << 6 | (next & 0x3f);
    }
    // An overlong form is not the character it spells.
    static constexpr uint32_t shortestCode[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < shortestCode[bytes]) return notUtf8;
    length = static_cast<size_t>(bytes);
    return code;
}

std::string printableText(const std::string& text) {
    std::string shown;
    shown.reserve(text.size());
    size_t length = 1;
    for (size_t at = 0; at < text.size(); at += length) {
        uint32_t code = decodeCodePoint(text, at, length);
        bool drawn =
            code <= static_cast<uint32_t>(lastGlyph) && isPrintableCode(static_cast<int>(code));
        shown += drawn ? static_cast<char>(code) : replacementByte;
    }
    return shown;
}

float freetype::getWidth(const FontData& font, const std::string& text) {
    float sum = 0;
    for (char c : printableText(text)) sum += font.advances[static_cast<unsigned char>(c)];
    return sum / 2;
}

float printedWidth(const FontData& font, const std::string& text, float scale) {
    return freetype::getWidth(font, text) * 2 * scale;
}

IntRect freetype::bbox(const std::string& text, float x, float y, const FontData& font, int align,
                       float scale) {
    float w = getWidth(font, text) * scale;
    float left = x, right = x;
    if (align == AlignCentre) left = x - w, right = x + w;
    if (align == AlignLeft) right = x + 2 * w;
    if (align == AlignRight) left = x - 2 * w;
    return {static_cast<int>(left), static_cast<int>(y - font.h * scale), static_cast<int>(right),
            static_cast<int>(y)};
}

Vec2 printOffset(const FontData& font, const std::string& text, int align, float scale) {
    float width = freetype::getWidth(font, text);
    if (align == AlignCentre) return {width * scale, 0};
    if (align == AlignRight) return {2 * width * scale, 0};
    if (align == AlignMiddle) return {static_cast<int>(width) * scale, font.h * scale / 2};
    return {0, 0};
}

static GLubyte colourByte(float value) {
    return static_cast<GLubyte>(static_cast<int>(value));
}

static void addGlyphCorners(const GlyphQuad& q, float pen, std::vector<float>& corners) {
    float left = pen + q.left, right = pen + q.right;
    corners.insert(corners.end(), {left,  q.bottom, 0, q.u0, q.v1, left,  q.top,    0, q.u0, q.v0,
                                   right, q.top,    0, q.u1, q.v0, right, q.bottom, 0, q.u1, q.v1});
}

static void drawGlyphCorners(std::vector<float>& corners, int page) {
    bindAtlasPage(page);
    drawQuadCorners(corners);
    corners.clear();
}

// The line's glyphs in one draw per run of glyphs on one page. Calling a
// display list per glyph made the software renderer allocate and copy
// memory for every character: most of an idle menu's main thread.
static void drawGlyphs(const std::string& shown, const FontData& font) {
    static std::vector<float> corners;
    corners.clear();
    float pen = 0;
    int page = 0;
    for (unsigned char c : shown) {
        const GlyphQuad& quad = font.quads[c];
        if (quad.page >= 0 && quad.page != page) {
            drawGlyphCorners(corners, page);
            page = quad.page;
        }
        if (quad.page >= 0) addGlyphCorners(quad, pen, corners);
        pen += font.advances[c];
    }
    drawGlyphCorners(corners, page);
    bindAtlasPage(0);
}

void freetype::print(const std::string& text, float x, float y, int align, float scale, float r,
                     float g, float b, float a, const FontData& font) {
    ProfileScope section("freetype::print");
    if (!font.listBase) return;
    // The glyph quads carry page coordinates: no texture matrix.
    lastAtlasChunk = -1;
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    countMatrixLoad();
    enableState(GL_TEXTURE_2D);
    std::string shown = printableText(text);
    Vec2 offset = printOffset(font, shown, align, scale);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(x - offset.x, y + offset.y, 0);
    glScalef(scale, scale, scale);
    glColor4ub(colourByte(r), colourByte(g), colourByte(b), colourByte(a));
    drawGlyphs(shown, font);
    glPopMatrix();
}

void printShadowed(const std::string& text, float x, float y, float offset, int align, float scale,
                   float r, float g, float b, float a, const FontData& font) {
    freetype::print(text, x + offset, y + offset, align, scale, 0, 0, 0, a, font);
    freetype::print(text, x, y, align, scale, r, g, b, a, font);
}
