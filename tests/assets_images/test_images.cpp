// The generated textures: names, TGA layout, sizes, alpha, variants and determinism.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tools/assets/images_common.h"

namespace {

const std::string fullPrefix = "textures\\";
const std::string smallPrefix = "textures\\small\\";

const std::vector<GeneratedAsset>& allImages() {
    static const std::vector<GeneratedAsset> images = generateImages();
    return images;
}

const GeneratedAsset* find(const std::string& name) {
    for (const GeneratedAsset& asset : allImages())
        if (asset.name == name) return &asset;
    return nullptr;
}

struct TgaInfo {
    int type, width, height, depth, idLength;
};

TgaInfo headerOf(const std::string& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    return {p[2], p[12] | (p[13] << 8), p[14] | (p[15] << 8), p[16], p[0]};
}

std::vector<std::string> expectedNames() {
    std::vector<std::string> names = {
        "achi-bg",        "achi-locked",   "arrowdown",         "arrowleft",
        "arrowright",     "arrowup",       "briskogames",       "cooldownedges",
        "cursor",         "deathsplosion", "escbutton",         "fusionnoty",
        "gratz",          "grey",          "leftmouse",         "loadingbar",
        "masswarning",    "menuonoff",     "multinoty",         "newswindow",
        "pixel",          "popupwindow",   "powerupbg",         "powerupcolor-on",
        "powerupcolor",   "powerupglow",   "powerupreflection", "pupmultiicon",
        "pupnukeicon",    "puptimeicon",   "rightmouse",        "social-facebook",
        "social-twitter", "social-zxg",    "steamicon",         "timenoty",
        "titlegrid",      "trollface",     "whiteparticle",     "wpixel",
        "zentrixlogo",    "tute-color",    "tute-combo",        "tute-combonow",
        "tute-pup",       "tute-zent",     "tute-control-pad"};
    for (const char* card : {"control", "rush", "surv", "med"})
        for (const char* scheme : {"", "-rev", "-single"})
            names.push_back(std::string("tute-") + card + scheme);
    for (const char* key : {"ambidextrous",    "betatester",        "brisko",
                            "buttonmasher",    "chainreaction",     "classicallytrained",
                            "elitist",         "enlightenment",     "epic",
                            "holdstill",       "intothevoid",       "killstreak",
                            "lastmanstanding", "learnedtoplay",     "legendary",
                            "lightheaded",     "massaddict",        "personalgrowth",
                            "quicksave",       "survivalist",       "youvegotredonyou",
                            "zenmaster",       "zentricallyinsane", "zentricexpert",
                            "zentricmaster",   "zentricpro",        "zentrix"})
        names.push_back(std::string("achi-") + key);
    for (const char* colour : {"yellow", "blue", "red", "orange", "pink", "green"}) {
        for (const char* variant : {"", "H", "CB", "HCB", "particle"})
            names.push_back(std::string(colour) + variant);
        names.push_back(std::string("cursor_") + colour);
    }
    for (int i = 1; i <= 10; ++i) names.push_back("background" + std::to_string(i));
    for (int i = 0; i <= 9; ++i) names.push_back("LevelNumber" + std::to_string(i));
    for (int i = 1; i <= 5; ++i) names.push_back("PowerUp" + std::to_string(i));
    for (std::string& name : names) name += ".tga";
    return names;
}

// Share of fully transparent pixels, and the strongest alpha.
struct AlphaUse {
    double clearShare;
    int maxAlpha;
};

AlphaUse alphaUse(const std::string& bytes) {
    const TgaInfo info = headerOf(bytes);
    if (info.depth != 32) return {0, 255};
    size_t clear = 0, total = size_t(info.width) * info.height;
    int maxAlpha = 0;
    for (size_t i = 0; i < total; ++i) {
        const int a = static_cast<unsigned char>(bytes[18 + i * 4 + 3]);
        if (a == 0) ++clear;
        maxAlpha = std::max(maxAlpha, a);
    }
    return {double(clear) / total, maxAlpha};
}

}  // namespace

TEST(Images, EveryNameOnceAtBothSizes) {
    std::map<std::string, int> counts;
    for (const GeneratedAsset& asset : allImages()) ++counts[asset.name];
    const std::vector<std::string> names = expectedNames();
    EXPECT_EQ(names.size(), 147u);
    for (const std::string& name : names) {
        EXPECT_EQ(counts[fullPrefix + name], 1) << name;
        EXPECT_EQ(counts[smallPrefix + name], 1) << name;
    }
    EXPECT_EQ(allImages().size(), names.size() * 2);
}

TEST(Images, HeadersDescribeUncompressedTrueColourData) {
    for (const GeneratedAsset& asset : allImages()) {
        const TgaInfo info = headerOf(asset.bytes);
        EXPECT_EQ(info.type, 2) << asset.name;
        EXPECT_EQ(info.idLength, 0) << asset.name;
        EXPECT_TRUE(info.depth == 24 || info.depth == 32) << asset.name;
        EXPECT_EQ(asset.bytes.size(), 18u + size_t(info.width) * info.height * info.depth / 8)
            << asset.name;
        const bool small = asset.name.rfind(smallPrefix, 0) == 0;
        EXPECT_LE(std::max(info.width, info.height), small ? 2048 : 4096) << asset.name;
    }
}

TEST(Images, SmallVariantsAreHalfSizeWithTheSameDepth) {
    for (const std::string& name : expectedNames()) {
        const GeneratedAsset* full = find(fullPrefix + name);
        const GeneratedAsset* small = find(smallPrefix + name);
        ASSERT_TRUE(full && small) << name;
        const TgaInfo f = headerOf(full->bytes), s = headerOf(small->bytes);
        EXPECT_EQ(s.width, std::max(1, f.width / 2)) << name;
        EXPECT_EQ(s.height, std::max(1, f.height / 2)) << name;
        EXPECT_EQ(s.depth, f.depth) << name;
    }
}

TEST(Images, OpaqueSurfacesAre24BitAndOverlaysCarryAlpha) {
    for (const char* name : {"grey.tga", "pixel.tga", "wpixel.tga", "background1.tga"})
        EXPECT_EQ(headerOf(find(fullPrefix + name)->bytes).depth, 24) << name;
    for (const char* name : {"cursor.tga", "redparticle.tga", "zentrixlogo.tga", "tute-pup.tga",
                             "achi-epic.tga", "masswarning.tga", "multinoty.tga", "powerupglow.tga",
                             "deathsplosion.tga", "gratz.tga"}) {
        const std::string& bytes = find(fullPrefix + name)->bytes;
        EXPECT_EQ(headerOf(bytes).depth, 32) << name;
        const AlphaUse use = alphaUse(bytes);
        EXPECT_GT(use.clearShare, 0.0) << name;
        EXPECT_GT(use.maxAlpha, 200) << name;
    }
}

TEST(Images, BlockFacesAreSquareAndBackgroundsShareOneFullHdSize) {
    for (const char* colour : {"yellow", "blue", "red", "orange", "pink", "green"})
        for (const char* variant : {"", "H", "CB", "HCB"}) {
            const TgaInfo info = headerOf(find(fullPrefix + colour + variant + ".tga")->bytes);
            EXPECT_EQ(info.width, info.height) << colour << variant;
            EXPECT_EQ(info.depth, 24) << colour << variant;
        }
    const TgaInfo first = headerOf(find(fullPrefix + "background1.tga")->bytes);
    EXPECT_GE(first.width, 1920);
    EXPECT_GE(first.height, 1080);
    EXPECT_EQ(first.depth, 24);
    for (int i = 2; i <= 10; ++i) {
        const TgaInfo info =
            headerOf(find(fullPrefix + "background" + std::to_string(i) + ".tga")->bytes);
        EXPECT_EQ(info.width, first.width);
        EXPECT_EQ(info.height, first.height);
    }
}

TEST(Images, LayoutImagesKeepTheirAspectRatios) {
    const std::map<std::string, double> ratios = {{"zentrixlogo.tga", 629.0 / 101},
                                                  {"briskogames.tga", 850.0 / 370},
                                                  {"multinoty.tga", 700.0 / 143},
                                                  {"timenoty.tga", 700.0 / 143},
                                                  {"fusionnoty.tga", 700.0 / 143},
                                                  {"tute-pup.tga", 482.0 / 231},
                                                  {"tute-zent.tga", 482.0 / 231},
                                                  {"tute-combo.tga", 498.0 / 214},
                                                  {"tute-combonow.tga", 498.0 / 214},
                                                  {"tute-color.tga", 498.0 / 214},
                                                  {"tute-control.tga", 628.0 / 272},
                                                  {"tute-med-single.tga", 628.0 / 272},
                                                  {"gratz.tga", 1431.0 / 188},
                                                  {"newswindow.tga", 331.0 / 531},
                                                  {"achi-bg.tga", 3.338},
                                                  {"popupwindow.tga", 2.0}};
    for (const auto& [name, ratio] : ratios) {
        const TgaInfo info = headerOf(find(fullPrefix + name)->bytes);
        EXPECT_NEAR(double(info.width) / info.height, ratio, ratio * 0.005) << name;
    }
}

TEST(Images, ColourBlindAndHighlightFacesDifferFromTheirPlainFaces) {
    std::set<std::string> distinct;
    for (const char* colour : {"yellow", "blue", "red", "orange", "pink", "green"}) {
        const std::string base = fullPrefix + colour;
        for (const char* variant : {"", "H", "CB", "HCB"})
            distinct.insert(find(base + variant + ".tga")->bytes);
    }
    EXPECT_EQ(distinct.size(), 24u);
}

TEST(Images, HighlightFacesAreBrighter) {
    auto meanLevel = [](const std::string& bytes) {
        double sum = 0;
        for (size_t i = 18; i < bytes.size(); ++i) sum += static_cast<unsigned char>(bytes[i]);
        return sum / (bytes.size() - 18);
    };
    for (const char* colour : {"yellow", "blue", "red", "orange", "pink", "green"}) {
        const double plain = meanLevel(find(fullPrefix + colour + ".tga")->bytes);
        const double bright = meanLevel(find(fullPrefix + colour + "H.tga")->bytes);
        EXPECT_GT(bright, plain * 1.15) << colour;
    }
}

TEST(Images, DrawingTwiceGivesTheSameBytes) {
    std::vector<GeneratedAsset> again;
    addBlockImages(again);
    for (const GeneratedAsset& asset : again) {
        const GeneratedAsset* first = find(asset.name);
        ASSERT_NE(first, nullptr) << asset.name;
        EXPECT_TRUE(first->bytes == asset.bytes) << asset.name;
    }
    Canvas nebula = drawBackground(4);
    EXPECT_TRUE(encodeTga(nebula.surface, false) == find(fullPrefix + "background4.tga")->bytes);
    freeCanvas(nebula);
}

TEST(Images, TgaRowsRunBottomUpInBgrOrder) {
    Canvas canvas = newCanvas(4, 2);
    cairo_set_source_rgb(canvas.cr, 1, 0, 0);
    cairo_rectangle(canvas.cr, 0, 0, 4, 1);  // top row red
    cairo_fill(canvas.cr);
    cairo_set_source_rgba(canvas.cr, 0, 0, 1, 0.5);
    cairo_rectangle(canvas.cr, 0, 1, 4, 1);  // bottom row half-transparent blue
    cairo_fill(canvas.cr);
    const std::string tga = encodeTga(canvas.surface, true);
    ASSERT_EQ(tga.size(), 18u + 4 * 2 * 4);
    EXPECT_EQ(static_cast<unsigned char>(tga[17]), 8);        // alpha bits, origin bottom-left
    EXPECT_EQ(static_cast<unsigned char>(tga[18 + 0]), 255);  // first row: blue
    EXPECT_EQ(static_cast<unsigned char>(tga[18 + 3]), 128);  // its alpha, unpremultiplied colour
    EXPECT_EQ(static_cast<unsigned char>(tga[18 + 16 + 2]), 255);  // second row: red
    EXPECT_EQ(static_cast<unsigned char>(tga[18 + 16 + 0]), 0);
    freeCanvas(canvas);
}

TEST(Images, HalfSizeAveragesEachTwoByTwoBlock) {
    Canvas canvas = newCanvas(4, 4);
    cairo_set_source_rgb(canvas.cr, 1, 1, 1);
    cairo_rectangle(canvas.cr, 0, 0, 1, 1);
    cairo_rectangle(canvas.cr, 1, 1, 1, 1);
    cairo_fill(canvas.cr);
    cairo_surface_t* half = halfSize(canvas.surface);
    ASSERT_EQ(cairo_image_surface_get_width(half), 2);
    ASSERT_EQ(cairo_image_surface_get_height(half), 2);
    const unsigned char* p = cairo_image_surface_get_data(half);
    EXPECT_EQ(p[0], 128);  // two of four white pixels
    EXPECT_EQ(p[3], 128);
    EXPECT_EQ(p[4], 0);
    cairo_surface_destroy(half);
    freeCanvas(canvas);
}
