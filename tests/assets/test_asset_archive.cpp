// Opening the archive, looking assets up by name and reading them back.
#include <random>

#include "archive/asset_archive.h"
#include "base/console_log.h"
#include "engine/asset_archive_check.h"
#include "engine/gl_caps.h"
#include "tests/assets/archive_test_support.h"

namespace {

std::string noise(size_t length, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(length, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random());
    return bytes;
}

TEST_F(ArchiveTest, OpeningLogsEveryEntryAndKeepsFileOrder) {
    openPacked({{"textures\\red.tga", "RED"}, {"sounds\\tick.ogg", "TICK"}});
    std::vector<std::string> expected{"Opening AssPack", "Indexed asset textures\\red.tga",
                                      "Indexed asset sounds\\tick.ogg", "AssPack headers loaded"};
    EXPECT_EQ(logLines(), expected);
    ASSERT_EQ(assetIndex.size(), 2u);
    EXPECT_EQ(assetIndex[0].name, "textures\\red.tga");
    EXPECT_EQ(assetIndex[1].name, "sounds\\tick.ogg");
    EXPECT_NE(assetArchive, nullptr);
}

// Every byte comes back, from an empty asset to one spanning several read
// chunks; the range reader moves forward between reads and starts again for
// a read behind it.
TEST_F(ArchiveTest, ReadsInAnyOrderAndPrefetchedReadsGiveTheSameBytes) {
    std::vector<GeneratedAsset> assets = {{"binary", std::string("\0\x01\xff\r\n\x1f\x8b", 7)},
                                          {"empty", ""},
                                          {"large", noise(300000, 7)}};
    for (int i = 3; i < 6; i++)
        assets.push_back({"asset" + std::to_string(i), noise(70000 + i, i)});
    openPacked(assets);
    EXPECT_EQ(readAsset("asset4"), assets[4].bytes);
    EXPECT_EQ(readAsset("empty"), "") << "a read behind the last one";
    for (int i : {2, 0, 5}) EXPECT_EQ(readAsset(assets[i].name), assets[i].bytes);
    prefetchAssets({"asset3", "missing", "binary", "large"});
    for (int i : {3, 2, 0, 2, 5, 0}) EXPECT_EQ(readAsset(assets[i].name), assets[i].bytes);
    EXPECT_EQ(readAsset("missing"), "");
}

// Each lookup logs its question, and a hit says so; a missing name gives -1.
TEST_F(ArchiveTest, LookupsLogTheQuestionAndTheHit) {
    openPacked({{"levels\\1.blvl", "12345"}});
    emptyConsoleLog();
    EXPECT_EQ(lookupAssetOffset("levels\\1.blvl"), assetIndex[0].offset);
    EXPECT_EQ(lookupAssetSize("levels\\1.blvl"), 5);
    EXPECT_EQ(lookupAssetOffset("y"), -1);
    EXPECT_EQ(lookupAssetSize("y"), -1);
    std::vector<std::string> expected{"Looking up offset for levels\\1.blvl",
                                      "found offset",
                                      "Looking up size for levels\\1.blvl",
                                      "found size",
                                      "Looking up offset for y",
                                      "Looking up size for y"};
    EXPECT_EQ(logLines(), expected);
    EXPECT_EQ(readAsset("y"), "");
}

TEST_F(ArchiveTest, FirstEntryOfADuplicateNameWins) {
    openPacked({{"dup", "first"}, {"dup", "second!"}});
    ASSERT_EQ(assetIndex.size(), 2u);
    EXPECT_EQ(lookupAssetOffset("dup"), assetIndex[0].offset);
    EXPECT_EQ(lookupAssetSize("dup"), 5);
    EXPECT_EQ(readAsset("dup"), "first");
}

TEST_F(ArchiveTest, NamesCompareAsExactBytes) {
    openPacked({{"textures\\red.tga", "R"}});
    EXPECT_EQ(lookupAssetOffset("textures\\Red.tga"), -1);
    EXPECT_EQ(lookupAssetOffset("TEXTURES\\red.tga"), -1);
    EXPECT_EQ(lookupAssetOffset("textures/red.tga"), -1);
    EXPECT_EQ(lookupAssetOffset("red.tga"), -1);
    EXPECT_EQ(lookupAssetSize("textures\\red.tga "), -1);
    EXPECT_EQ(readAsset("textures\\red.tga"), "R");
}

TEST_F(ArchiveTest, ZeroEntriesStillFinishesLoading) {
    openPacked({});
    EXPECT_TRUE(assetIndex.empty());
    EXPECT_TRUE(logged("AssPack headers loaded"));
    EXPECT_EQ(lookupAssetOffset("anything"), -1);
    EXPECT_EQ(lookupAssetSize("anything"), -1);
}

TEST_F(ArchiveTest, HeaderTextOfAnyLengthIsSkipped) {
    for (const std::string& header : {std::string(), std::string("x"), std::string(70000, 'h')}) {
        openPacked({{"first", "one"}}, header);
        ASSERT_EQ(assetIndex.size(), 1u) << header.size();
        EXPECT_EQ(assetIndex[0].offset, int32_t(4 + header.size() + 4 + 4 + 5 + 8));
        EXPECT_EQ(readAsset("first"), "one");
    }
}

TEST_F(ArchiveTest, StreamerHandleStaysOpenAfterTheIndex) {
    openPacked({{"a", "xyz"}});
    ASSERT_NE(assetArchive, nullptr);
    EXPECT_EQ(gztell(assetArchive), assetIndex[0].offset);
    char byte = 0;
    EXPECT_EQ(gzread(assetArchive, &byte, 1), 1);
    EXPECT_EQ(byte, 'x');
    closeAssetArchive();
    EXPECT_EQ(assetArchive, nullptr);
}

TEST_F(ArchiveTest, MissingArchiveLeavesAnEmptyIndex) {
    emptyConsoleLog();
    openAssetArchive();
    std::vector<std::string> expected{"Opening AssPack", "gzopen failed"};
    EXPECT_EQ(logLines(), expected);
    EXPECT_TRUE(assetIndex.empty());
    EXPECT_EQ(assetArchive, nullptr);
    EXPECT_EQ(lookupAssetOffset("levels\\1.blvl"), -1);
    EXPECT_EQ(readAsset("levels\\1.blvl"), "");
}

// Fonts asked for in any order and the level files at every level start
// never send the shared reader back to the archive's start.
TEST_F(ArchiveTest, FontsAndLevelsAreReadWithoutRewinding) {
    openPacked({{"fonts\\arialbd.ttf", "ARIAL"},
                {"fonts\\prototype.ttf", "PROTO"},
                {"levels\\1.blvl", "ONE"},
                {"levels\\2.blvl", "TWO"},
                {"sounds\\tick.ogg", "TICK"}});
    prefetchAssets({"fonts\\prototype.ttf", "fonts\\arialbd.ttf"});
    EXPECT_EQ(readAsset("fonts\\prototype.ttf"), "PROTO");
    EXPECT_EQ(readAsset("fonts\\arialbd.ttf"), "ARIAL");
    EXPECT_EQ(readKeptAsset("levels\\1.blvl"), "ONE");
    EXPECT_EQ(readAsset("sounds\\tick.ogg"), "TICK");
    for (int start = 0; start < 3; start++) {
        EXPECT_EQ(readKeptAsset("levels\\2.blvl"), "TWO");
        EXPECT_EQ(readKeptAsset("levels\\1.blvl"), "ONE");
    }
    for (const std::string& line : logLines())
        EXPECT_EQ(line.rfind("AssPack rewinds", 0), std::string::npos) << line;
    EXPECT_EQ(readKeptAsset("levels\\3.blvl"), "");
    EXPECT_TRUE(logged("AssPack has no asset levels\\3.blvl"));
    EXPECT_EQ(readAsset("fonts\\arialbd.ttf"), "ARIAL");
    EXPECT_TRUE(logged("AssPack rewinds to " + std::to_string(assetIndex[0].offset)))
        << "a read behind the reader says so";
}

// Started from another folder, the game ends at once and says where it looked.
TEST_F(ArchiveTest, AGameWithoutItsDataEndsNamingThePathLookedFor) {
    noDialogs = true;
    std::string looked = (directory / "assets.ass").lexically_normal().string();
    openAssetArchive();
    EXPECT_EXIT(endIfAssetArchiveMissing(), ::testing::ExitedWithCode(EXIT_FAILURE),
                "Error: The game's data was not found: " + looked + " is missing or empty");
    openPacked({});
    EXPECT_EXIT(endIfAssetArchiveMissing(), ::testing::ExitedWithCode(EXIT_FAILURE),
                "is missing or empty");
    openPacked({{"levels\\1.blvl", "1"}});
    endIfAssetArchiveMissing();
    EXPECT_EQ(missingArchiveMessage(), "");
}

TEST_F(ArchiveTest, ReopeningReplacesTheIndex) {
    openPacked({{"old", "1"}});
    openPacked({{"new", "2"}});
    ASSERT_EQ(assetIndex.size(), 1u);
    EXPECT_EQ(assetIndex[0].name, "new");
}

}  // namespace
