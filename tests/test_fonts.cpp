// Font measuring (half widths), bounding boxes, alignment offsets, byte
// replacement, and a real font built into the atlas and printed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "base/game_state.h"
#include "engine/fonts.h"
#include "graphics_test_support.h"
#include "screens/account_fields.h"
#include "shell/input.h"

using namespace graphics_test;

namespace {

// A font with made-up advances: 'a' 10, 'b' 6, '*' 4, every other 8.
FontData measuredFont() {
    FontData font = {};
    font.h = 20;
    for (float& advance : font.advances) advance = 8;
    font.advances[int('a')] = 10;
    font.advances[int('b')] = 6;
    font.advances[int('*')] = 4;
    return font;
}

TEST(FontMeasure, WidthIsHalfTheSummedAdvances) {
    FontData font = measuredFont();
    EXPECT_FLOAT_EQ(freetype::getWidth(font, "ab"), 8);
    EXPECT_FLOAT_EQ(freetype::getWidth(font, ""), 0);
    EXPECT_FLOAT_EQ(freetype::getWidth(font, "a\t\xe9"), 9) << "replaced bytes measure as '*'";
}

// UTF-8 text prints its Latin-1 characters with their own glyphs and one
// '*' for any other character or for a byte that is no UTF-8.
TEST(FontMeasure, Utf8MapsToLatin1OrOneStarPerCharacter) {
    struct Case {
        const char* text;
        const char* shown;
    };
    const Case cases[] = {
        {"a\tb\x7f~\x1f", "a*b\x7f~*"},
        {"Ren\xc3\xa9!", "Ren\xe9!"},       // é, two bytes, one Latin-1 glyph
        {"\xc2\xa0\xc3\xbf", "\xa0\xff"},   // the ends of the Latin-1 range
        {"\xc2\x80\xc2\x9f", "**"},         // C1 controls have no glyph
        {"\xe2\x82\xac!", "*!"},            // euro sign: three bytes, one mark
        {"\xf0\x9f\x98\x80!", "*!"},        // emoji: four bytes, one mark
        {"\xe9t\xe9", "*t*"},               // Latin-1 bytes are not UTF-8
        {"\xc3", "*"},                      // a sequence cut at the end
        {"\xc1\x81\xe0\x81\x81", "*****"},  // overlong forms of "A"
    };
    for (const Case& c : cases) EXPECT_EQ(printableText(c.text), c.shown) << c.text;
}

TEST(FontMeasure, BoundingBoxFollowsTheAlignment) {
    FontData font = measuredFont();
    // "ab" is 8 half-wide, 12 at scale 1.5; the font is 30 high at that scale.
    EXPECT_EQ(freetype::bbox("ab", 100, 50, font, AlignCentre, 1.5f), (IntRect{88, 20, 112, 50}));
    EXPECT_EQ(freetype::bbox("ab", 100, 50, font, AlignLeft, 1.5f), (IntRect{100, 20, 124, 50}));
    EXPECT_EQ(freetype::bbox("ab", 100, 50, font, AlignRight, 1.5f), (IntRect{76, 20, 100, 50}));
    EXPECT_EQ(freetype::bbox("ab", 100, 50, font, 3, 1.5f), (IntRect{100, 20, 100, 50}));
}

TEST(FontMeasure, PrintOffsetsPlaceTheLineByAlignment) {
    FontData font = measuredFont();
    Vec2 centre = printOffset(font, "aab", AlignCentre, 2);  // half width 13
    EXPECT_FLOAT_EQ(centre.x, 26);
    EXPECT_FLOAT_EQ(printOffset(font, "aab", AlignRight, 2).x, 52);
    Vec2 middle = printOffset(font, "a", AlignMiddle, 2);  // half width 5
    EXPECT_FLOAT_EQ(middle.x, 10);
    EXPECT_FLOAT_EQ(middle.y, 20);
    EXPECT_FLOAT_EQ(printOffset(font, "ab*", AlignMiddle, 1).x, 10) << "half width 9 -> whole 9";
    EXPECT_FLOAT_EQ(printOffset(font, "aab", AlignLeft, 2).x, 0);
}

// ---- a real font ----

const char* const fontFile = "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf";

class RealFont : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_GL();
        if (!std::filesystem::exists(fontFile)) GTEST_SKIP() << "needs fonts-liberation2";
        bytes = readWholeFile(fontFile);
        startLogCapture();
        assetIndex.clear();
        resetTextures(512);
        createAtlasPage();
        buildFont(font, bytes, 24.9f, "test.ttf_24");
    }
    void TearDown() override {
        destroyFont(font);
        deleteTextures();
    }
    // Columns holding a lit pixel on the row band [top, bottom).
    std::pair<int, int> litColumns(int top, int bottom) {
        int first = windowSide, last = -1;
        for (int y = top; y < bottom; y++)
            for (int x = 0; x < windowSide; x++)
                if (pixelAt(x, y).r > 40) {
                    first = std::min(first, x);
                    last = std::max(last, x);
                }
        return {first, last};
    }
    // The game's three fonts, all of this face, for a window of that height.
    void setupGameFonts(int32_t screenHeight) {
        assetArchivePath = tempDir() + "/fonts.ass";
        writeArchive(assetArchivePath,
                     {{"fonts\\prototype.ttf", bytes}, {"fonts\\arialbd.ttf", bytes}});
        openAssetArchive();
        ScreenHeight = screenHeight;
        setupFonts();
        closeAssetArchive();
    }
    std::string bytes;
    FontData font = {};
};

TEST_F(RealFont, AlignedTextEndsOrCentresOnX) {
    beginTestFrame();
    freetype::print("HHHH", 200, 60, AlignRight, 1, 255, 255, 255, 255, font);
    freetype::print("HHHH", 128, 140, AlignCentre, 1, 255, 255, 255, 255, font);
    freetype::print("HHHH", 20, 220, AlignLeft, 1, 255, 255, 255, 255, font);
    auto right = litColumns(30, 62);
    EXPECT_LE(right.second, 200);
    EXPECT_GE(right.second, 200 - font.advances[int('H')] / 2);
    auto centre = litColumns(110, 142);
    EXPECT_NEAR((centre.first + centre.second) / 2.0, 128, 3);
    auto left = litColumns(190, 222);
    EXPECT_GE(left.first, 20);
    EXPECT_LE(left.first, 24);
    end2D();
}

// "é" in UTF-8 is drawn with the face's own glyph: an e with an accent
// above it, as wide as the face says, not two replacement marks.
TEST_F(RealFont, Utf8LettersOfLatin1DrawTheirOwnGlyphs) {
    EXPECT_GT(font.advances[0xe9], 0);
    EXPECT_FLOAT_EQ(freetype::getWidth(font,
                                       "Ren\xc3\xa9"
                                       "e"),
                    freetype::getWidth(font, "Rene") + font.advances[0xe9] / 2);
    beginTestFrame();
    freetype::print("e", 40, 100, AlignLeft, 1, 255, 255, 255, 255, font);
    freetype::print("\xc3\xa9", 140, 100, AlignLeft, 1, 255, 255, 255, 255, font);
    auto topRow = [&](int left, int right) {
        for (int y = 0; y < 100; y++)
            for (int x = left; x < right; x++)
                if (pixelAt(x, y).r > 40) return y;
        return 100;
    };
    int plain = topRow(40, 70), accented = topRow(140, 170);
    EXPECT_LT(plain, 100) << "the e is drawn";
    EXPECT_LT(accented, plain - 3) << "the accent stands above the e";
    end2D();
}

TEST_F(RealFont, SetupBuildsTheThreeFontsSizedByTheWindowHeight) {
    setupGameFonts(1050);
    EXPECT_FLOAT_EQ(bigFont.h, 55 * 1.25f);
    EXPECT_FLOAT_EQ(mediumFont.h, 55 * 0.5f);
    EXPECT_FLOAT_EQ(smallFont.h, 55 * 0.25f);
    EXPECT_NE(smallFont.listBase, 0u);
    EXPECT_GT(bigFont.advances[int('M')], 2 * smallFont.advances[int('M')]);
    // The big glyphs overflow this small atlas: the rest go to further pages.
    EXPECT_GT(atlasPages.size(), 1u);
    int mediumGlyphs = 0;
    for (const std::vector<AtlasRect>& page : atlasPages)
        for (const AtlasRect& rect : page) mediumGlyphs += rect.name == "font_prototype.ttf_27";
    EXPECT_EQ(mediumGlyphs, 96 + 96);
    // Glyphs on later pages bind their page and give page 0 back.
    beginTestFrame();
    freetype::print("xyz~", 10, 200, AlignLeft, 1, 255, 255, 255, 255, bigFont);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), atlasPageTextures[0]);
    EXPECT_EQ(boundAtlasPage, 0);
    bool lit = false;
    for (int x = 10; x < 200 && !lit; x++) lit = pixelAt(x, 180).r > 100;
    EXPECT_TRUE(lit) << "the late glyphs are drawn from their own page";
    end2D();
    destroyFonts();
}

// The account fields measure what they show with the loaded font: a name
// stops where its letters reach the field's width, a password where its
// stars do, so a password of wide letters runs longer than a name of them.
TEST_F(RealFont, AccountFieldsMeasureWithTheLoadedFontAndPasswordsAsStars) {
    setupGameFonts(600);
    const float limit = 600 * 0.3f * 0.875f;  // both fields: width x 2 below this
    auto fits = [&](const std::string& shown) {
        return freetype::getWidth(mediumFont, shown) * 2.0f < limit;
    };
    GameState = Login;
    Username.clear();
    loginPassword.clear();
    for (int32_t step : {1, 2}) {
        loginStep = step;
        for (int i = 0; i < 64; i++) typeIntoAccountField('W', true);
    }
    size_t names = Username.size(), passwords = loginPassword.size();
    EXPECT_TRUE(fits(std::string(names, 'W')));
    EXPECT_FALSE(fits(std::string(names + 1, 'W')));
    EXPECT_TRUE(fits(std::string(passwords, '*')));
    EXPECT_FALSE(fits(std::string(passwords + 1, '*')));
    EXPECT_GT(passwords, names);
    Username.clear();
    loginPassword.clear();
    destroyFonts();
}

// A broken face, or one missing from an archive that holds the game's data,
// ends the game with FreeType's message.
TEST(FontFailures, ABrokenOrMissingFontFileEndsTheGameWithItsMessage) {
    startLogCapture();
    noDialogs = true;
    const Asset archives[] = {{"fonts\\prototype.ttf", "garbage, not a font"},
                              {"sounds\\tick.ogg", "no font in this archive"}};
    for (const Asset& only : archives) {
        assetArchivePath = tempDir() + "/fonts.ass";
        writeArchive(assetArchivePath, {only});
        openAssetArchive();
        EXPECT_EXIT(setupFonts(), ::testing::ExitedWithCode(EXIT_FAILURE),
                    "FT_New_Face failed \\(there is probably a problem with your font file\\)")
            << only.first;
        closeAssetArchive();
    }
}

// No archive at all: start-up ends the game with its own message, so the
// fonts only have to stay empty and harmless until then.
TEST(FontFailures, WithoutAnArchiveTheFontsStayEmpty) {
    REQUIRE_GL();
    startLogCapture();
    assetIndex.clear();
    FontData font = {};
    font.listBase = 77;
    loadFont(font, "absent.ttf", 30);
    EXPECT_EQ(font.listBase, 0u);
    EXPECT_FLOAT_EQ(font.h, 30);
    EXPECT_TRUE(logHas("font absent.ttf not found"));
    while (glGetError() != GL_NO_ERROR) {
    }
    freetype::print("nothing", 10, 10, 0, 1, 255, 255, 255, 255, font);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR))
        << "printing an empty font is a no-op";
}

}  // namespace
