// The builder's packing rules: order, checks on every asset, and a
// compressed stream that is the same for the same input.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/preload_list.h"
#include "tools/assets/archive_writer.h"

namespace {

// A minimal uncompressed true-colour TGA of the given size and depth.
std::string tga(int width, int height, int depth = 32, int type = 2) {
    std::string bytes(18, '\0');
    bytes[2] = static_cast<char>(type);
    bytes[12] = static_cast<char>(width & 0xff), bytes[13] = static_cast<char>(width >> 8);
    bytes[14] = static_cast<char>(height & 0xff), bytes[15] = static_cast<char>(height >> 8);
    bytes[16] = static_cast<char>(depth);
    return bytes + std::string(size_t(width) * height * depth / 8, '\x7f');
}

bool hasProblem(const std::vector<std::string>& problems, const std::string& text) {
    return std::find(problems.begin(), problems.end(), text) != problems.end();
}

std::vector<std::string> namesOf(const std::vector<GeneratedAsset>& assets) {
    std::vector<std::string> names;
    for (const GeneratedAsset& asset : assets) names.push_back(asset.name);
    return names;
}

TEST(ArchiveWriter, PreloadTexturesComeFirstInPreloadOrder) {
    ASSERT_EQ(preloadTextureCount, 122u);
    std::vector<GeneratedAsset> assets{{"sounds\\a.ogg", ""},
                                       {"textures\\small\\background1.tga", ""},
                                       {"textures\\aaa.tga", ""},
                                       {"textures\\background1.tga", ""},
                                       {"levels\\1.blvl", ""},
                                       {"textures\\briskogames.tga", ""},
                                       {"textures\\small\\briskogames.tga", ""}};
    std::vector<std::string> expected{"textures\\briskogames.tga",
                                      "textures\\small\\briskogames.tga",
                                      "textures\\background1.tga",
                                      "textures\\small\\background1.tga",
                                      "levels\\1.blvl",
                                      "sounds\\a.ogg",
                                      "textures\\aaa.tga"};
    EXPECT_EQ(namesOf(orderAssets(assets)), expected);
}

TEST(ArchiveWriter, DuplicateNamesAreReported) {
    auto problems = findAssetProblems(
        {{"levels\\1.blvl", std::string(4, '\0')}, {"levels\\1.blvl", std::string(4, '\0')}});
    EXPECT_TRUE(hasProblem(problems, "levels\\1.blvl: duplicate name"));
}

TEST(ArchiveWriter, ImagesMustBeTrueColourTgasMatchingTheirHeader) {
    std::string cut = tga(8, 8).substr(0, 100);
    auto problems = findAssetProblems({{"textures\\ok.tga", tga(8, 6, 24)},
                                       {"textures\\small\\ok.tga", tga(4, 3, 24)},
                                       {"textures\\rle.tga", tga(4, 4, 32, 10)},
                                       {"textures\\deep.tga", tga(4, 4, 16)},
                                       {"textures\\cut.tga", cut}});
    for (const std::string& problem : problems)
        EXPECT_EQ(problem.find("textures\\ok.tga:"), std::string::npos) << problem;
    EXPECT_TRUE(hasProblem(problems, "textures\\rle.tga: not an uncompressed true-colour TGA"));
    EXPECT_TRUE(hasProblem(problems, "textures\\deep.tga: depth is not 24 or 32"));
    EXPECT_TRUE(hasProblem(problems, "textures\\cut.tga: size does not match its header"));
}

// The builder holds every image to the runtime's own atlas limits: a full
// image must fit the smallest atlas that still loads full images, a small
// one the smallest atlas that loads small ones.
TEST(ArchiveWriter, EveryImageFitsTheSmallestAtlasThatLoadsIt) {
    const int full = maxFullImageSide, small = maxSmallImageSide;
    auto problems = findAssetProblems({{"textures\\wide.tga", tga(full + 1, 2)},
                                       {"textures\\small\\wide.tga", tga(full / 2 + 1, 1)},
                                       {"textures\\tall.tga", tga(2, full + 2)},
                                       {"textures\\small\\tall.tga", tga(1, small + 1)},
                                       {"textures\\edge.tga", tga(full, 2)},
                                       {"textures\\small\\edge.tga", tga(small, 1)}});
    EXPECT_TRUE(hasProblem(problems, "textures\\wide.tga: larger than the atlas allows"));
    EXPECT_TRUE(hasProblem(problems, "textures\\small\\wide.tga: larger than the atlas allows"));
    EXPECT_TRUE(hasProblem(problems, "textures\\tall.tga: larger than the atlas allows"));
    EXPECT_TRUE(hasProblem(problems, "textures\\small\\tall.tga: larger than the atlas allows"));
    for (const std::string& problem : problems)
        EXPECT_EQ(problem.find("edge.tga"), std::string::npos) << problem;
}

TEST(ArchiveWriter, EveryImageHasAHalfSizeTwin) {
    auto problems = findAssetProblems({{"textures\\a.tga", tga(10, 10)},
                                       {"textures\\small\\a.tga", tga(6, 5)},
                                       {"textures\\b.tga", tga(4, 4)},
                                       {"textures\\small\\c.tga", tga(2, 2)},
                                       {"textures\\d.tga", tga(7, 5)},
                                       {"textures\\small\\d.tga", tga(4, 2)}});
    EXPECT_TRUE(
        hasProblem(problems, "textures\\small\\a.tga: not half the size of textures\\a.tga"));
    EXPECT_TRUE(hasProblem(problems, "textures\\b.tga: no small variant"));
    EXPECT_TRUE(hasProblem(problems, "textures\\small\\c.tga: no full-size variant"));
    for (const std::string& problem : problems) {
        EXPECT_NE(problem.rfind("textures\\d.tga", 0), 0u) << problem;
        EXPECT_NE(problem.rfind("textures\\small\\d.tga", 0), 0u) << problem;
    }
}

TEST(ArchiveWriter, SoundsLevelsAndMeshesAreCheckedByTheirForm) {
    auto problems =
        findAssetProblems({{"sounds\\a.ogg", "RIFF...."},
                           {"sounds\\b.ogg", "OggS...."},
                           {"levels\\1.blvl", std::string("\x02\0\0\0", 4) + std::string(12, '\0')},
                           {"meshes\\m.mbm", "abc"}});
    EXPECT_TRUE(hasProblem(problems, "sounds\\a.ogg: not an Ogg stream"));
    EXPECT_FALSE(hasProblem(problems, "sounds\\b.ogg: not an Ogg stream"));
    EXPECT_TRUE(hasProblem(problems, "levels\\1.blvl: size does not match its count"));
    EXPECT_TRUE(hasProblem(problems, "meshes\\m.mbm: not a list of floats"));
}

TEST(ArchiveWriter, MissingPreloadTexturesAreReported) {
    auto problems = findAssetProblems({});
    EXPECT_EQ(problems.size(), preloadTextureCount);
    EXPECT_TRUE(hasProblem(problems, "textures\\briskogames.tga: preload texture missing"));
}

TEST(ArchiveWriter, SameInputGivesTheSameBytesWithNoTimestamp) {
    std::vector<GeneratedAsset> assets{{"a", std::string(5000, 'a')}, {"b", "bytes"}};
    std::string error;
    std::string index = buildArchiveIndex("header", assets, error);
    std::string first = gzipArchive(index, assets), second = gzipArchive(index, assets);
    EXPECT_EQ(first, second);
    ASSERT_GT(first.size(), 10u);
    EXPECT_EQ(first.substr(0, 3), "\x1f\x8b\x08");
    EXPECT_EQ(first.substr(3, 5), std::string(5, '\0'));  // no flags, no modification time
}

TEST(ArchiveWriter, IndexPositionsCountFromTheStreamStart) {
    std::string error;
    std::string index = buildArchiveIndex("hh", {{"n1", "abc"}, {"n22", "de"}}, error);
    std::string expected = std::string("\x02\0\0\0hh\x02\0\0\0", 10) +
                           std::string("\x02\0\0\0n1\x27\0\0\0\x03\0\0\0", 14) +
                           std::string("\x03\0\0\0n22\x2a\0\0\0\x02\0\0\0", 15);
    EXPECT_EQ(index.size(), 39u);
    EXPECT_EQ(index, expected);
}

}  // namespace
