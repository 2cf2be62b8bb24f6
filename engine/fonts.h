// Fonts: FreeType renders the printable ASCII and Latin-1 glyphs once per
// font and size into atlas page 0; each character is a display list that
// selects its glyph, draws one quad and moves the pen, so a line of text is
// one glCallLists over the Latin-1 bytes that UTF-8 text maps to.
#pragma once

#include <GL/gl.h>

#include <string>

#include "engine/draw2d.h"

constexpr int fontListCount = 256;  // one list per Latin-1 code

// One character's quad beside the pen on the baseline (pixels, y downward)
// and the texels it shows: what its list draws, for print to batch.
struct GlyphQuad {
    float left, right, top, bottom;  // from the pen
    float u0, v0, u1, v1;            // page texture coordinates at (left, top), (right, bottom)
    int page = -1;                   // atlas page; -1: the character only moves the pen
};

struct FontData {
    float h;                         // the pixel size the font was built at
    float advances[fontListCount];   // pen advance of each character, pixels
    GlyphQuad quads[fontListCount];  // the quad each character draws
    GLuint listBase;                 // list listBase + c draws character c; 0 = not built
};

extern FontData bigFont;     // titles, HUD numbers
extern FontData mediumFont;  // labels, menus, the account screens
extern FontData smallFont;   // status lines, the console

// Alignment codes of print; any other value is left-aligned at x.
enum TextAlign : int {
    AlignCentre = 0,
    AlignLeft = 5,
    AlignRight = 6,
    AlignMiddle = 8,  // centred both ways on (x, y)
};

// Builds the three fonts at sizes taken from the window height. A broken font
// file ends the program with a message; a missing one leaves that font empty.
void setupFonts();
// Builds a font from the archive's "fonts\" + file; throws std::runtime_error
// with FreeType's failure text when the file cannot be used.
void loadFont(FontData& font, const std::string& file, float size);
// Builds a font from font-file bytes already in memory.
void buildFont(FontData& font, const std::string& bytes, float size, const std::string& key);
void destroyFont(FontData& font);
void destroyFonts();
void printShadowed(const std::string& text, float x, float y, float offset, int align, float scale,
                   float r, float g, float b, float a, const FontData& font);
// The text as print draws it, one byte per character: UTF-8 is decoded, the
// printable ASCII and Latin-1 characters keep their code, and every other
// code point (or byte that is not UTF-8) becomes one '*'.
std::string printableText(const std::string& text);
// How far print moves the pen start from (x, y) for an alignment: x - dx, y + dy.
Vec2 printOffset(const FontData& font, const std::string& text, int align, float scale);
// The width print covers with text at scale: twice getWidth, times scale.
// The one full-width measure; where a layout rule speaks of "the width" of a
// text as getWidth gives it, that rule uses getWidth itself.
float printedWidth(const FontData& font, const std::string& text, float scale = 1.0f);

namespace freetype {
// Draws text with its baseline at (x, y); colour values 0..255.
void print(const std::string& text, float x, float y, int align, float scale, float r, float g,
           float b, float a, const FontData& font);
// HALF the summed advances of the text, pixels at scale 1.
float getWidth(const FontData& font, const std::string& text);
// The rectangle around a printed line, for mouse hits.
IntRect bbox(const std::string& text, float x, float y, const FontData& font, int align,
             float scale);
}  // namespace freetype
