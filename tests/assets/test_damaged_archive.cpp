// Damaged and hostile archives: logged, the damage and what follows it
// dropped, never a crash, a hang or an unbounded allocation.
#include <cstdio>
#include <limits>
#include <random>

#include "archive/asset_archive.h"
#include "tests/assets/archive_test_support.h"

namespace {

const int32_t int32Max = std::numeric_limits<int32_t>::max();

// A raw stream: header text "h", the given entry count and entry bytes, then data.
std::string rawArchive(int32_t count, const std::string& entries, const std::string& data = "") {
    return int32Bytes(1) + "h" + int32Bytes(count) + entries + data;
}

// Offset of the first data byte after `entries` in a rawArchive.
int32_t dataStart(const std::string& entries) {
    return int32_t(4 + 1 + 4 + entries.size());
}

class DamagedArchiveTest : public ArchiveTest {
  protected:
    void openRaw(const std::string& raw) {
        writeArchiveFile(gzipped(raw));
        openAssetArchive();
    }
    bool damageLogged() const {
        for (const std::string& line : logLines())
            if (line.rfind("AssPack index damaged: ", 0) == 0) return true;
        return false;
    }
};

TEST_F(DamagedArchiveTest, BadHeaderTextLengthGivesAnEmptyIndex) {
    for (int32_t length : {-5, int32Max, maxAssetHeaderTextBytes + 1, 1000}) {
        openRaw(int32Bytes(length) + "short");
        EXPECT_TRUE(assetIndex.empty()) << length;
        EXPECT_TRUE(damageLogged()) << length;
        EXPECT_TRUE(logged("AssPack headers loaded"));
    }
    EXPECT_TRUE(logged("AssPack index damaged: header text length -5"));
}

TEST_F(DamagedArchiveTest, BadEntryCountGivesAnEmptyIndex) {
    for (int32_t count :
         {-1, std::numeric_limits<int32_t>::min(), maxAssetEntryCount + 1, int32Max}) {
        openRaw(rawArchive(count, entryBytes("a", 100, 1)));
        EXPECT_TRUE(assetIndex.empty()) << count;
    }
    EXPECT_TRUE(logged("AssPack index damaged: entry count -1"));
    openRaw(int32Bytes(0));
    EXPECT_TRUE(logged("AssPack index damaged: entry count missing"));
    openRaw(std::string("\x01\x00", 2));
    EXPECT_TRUE(logged("AssPack index damaged: header ends early"));
}

TEST_F(DamagedArchiveTest, IndexCutShortLosesTheAssetsItPointedAt) {
    std::string two = entryBytes("one", 200, 1) + entryBytes("two", 200, 1);
    std::string cut = entryBytes("three", 200, 1).substr(0, 7);
    openRaw(rawArchive(5, two + cut));
    EXPECT_TRUE(logged("Indexed asset two"));
    EXPECT_TRUE(logged("AssPack index damaged: index ends early"));
    EXPECT_TRUE(logged("AssPack index damaged: asset one lies outside the archive"));
    EXPECT_TRUE(assetIndex.empty());
}

TEST_F(DamagedArchiveTest, BadNameLengthStopsTheIndex) {
    for (int32_t length : {-1, maxAssetNameBytes + 1, int32Max}) {
        std::string entries = entryBytes("ok", 100, 1) + int32Bytes(length) + "rest";
        openRaw(rawArchive(3, entries, std::string(200, 'd')));
        ASSERT_EQ(assetIndex.size(), 1u) << length;
        EXPECT_EQ(assetIndex[0].name, "ok");
    }
    EXPECT_TRUE(logged("AssPack index damaged: name length -1"));
}

// "good" and "late" end at the stream's last byte, "beyond" one byte past it.
TEST_F(DamagedArchiveTest, AnEntryOutsideTheStreamIsDroppedAlone) {
    std::string entries =
        entryBytes("good", 0, 2) + entryBytes("beyond", 0, 3) + entryBytes("late", 0, 1);
    int32_t start = dataStart(entries);
    entries = entryBytes("good", start, 2) + entryBytes("beyond", start, 3) +
              entryBytes("late", start + 1, 1);
    openRaw(rawArchive(3, entries, "gl"));
    ASSERT_EQ(assetIndex.size(), 2u);
    EXPECT_EQ(readAsset("good"), "gl");
    EXPECT_EQ(lookupAssetOffset("beyond"), -1);
    EXPECT_EQ(readAsset("late"), "l") << "the entries after a bad one keep their assets";
    EXPECT_TRUE(logged("AssPack index damaged: asset beyond lies outside the archive"));
}

TEST_F(DamagedArchiveTest, NegativeOverflowingOrInsideIndexRangesAreDropped) {
    // Each name is 8 bytes long, so every entry's data would start at the same place.
    int32_t start = dataStart(entryBytes("12345678", 0, 0));
    std::string entries[] = {entryBytes("negoffst", -4, 1), entryBytes("neg size", start, -1),
                             entryBytes("overflow", int32Max - 2, 100),
                             entryBytes("in index", 0, 4)};
    for (const std::string& entry : entries) {
        openRaw(rawArchive(1, entry, std::string(64, 'd')));
        EXPECT_TRUE(assetIndex.empty());
    }
    EXPECT_TRUE(logged("AssPack index damaged: asset neg size lies outside the archive"));
    EXPECT_TRUE(logged("AssPack index damaged: asset in index lies outside the archive"));
    openRaw(rawArchive(1, entryBytes("fine ok!", start, 64), std::string(64, 'd')));
    EXPECT_EQ(assetIndex.size(), 1u);
}

TEST_F(DamagedArchiveTest, GarbageFilesNeverCrash) {
    std::mt19937 random(3);
    for (int round = 0; round < 50; ++round) {
        std::string bytes = round % 2 ? std::string("\x1f\x8b\x08\x00", 4) : std::string();
        for (int i = 0; i < 64 + round * 13; ++i) bytes.push_back(static_cast<char>(random()));
        writeArchiveFile(bytes);
        openAssetArchive();
        for (const AssetIndexEntry& entry : assetIndex) {
            EXPECT_GE(entry.offset, 0);
            readAsset(entry.name);
        }
    }
}

TEST_F(DamagedArchiveTest, AssetCutShortReadsAsMissing) {
    std::string large(200000, '\0');
    std::mt19937 random(5);
    for (char& byte : large) byte = static_cast<char>(random());
    openPacked({{"small", "s"}, {"large", large}});
    ASSERT_EQ(assetIndex.size(), 2u);
    // Cut the file in the middle of the large asset's compressed data.
    std::FILE* file = std::fopen(assetArchivePath.c_str(), "rb");
    std::string whole(300000, '\0');
    whole.resize(std::fread(whole.data(), 1, whole.size(), file));
    std::fclose(file);
    writeArchiveFile(whole.substr(0, whole.size() / 2));
    EXPECT_EQ(readAsset("large"), "");
    EXPECT_TRUE(logged("AssPack asset truncated: large"));
    EXPECT_EQ(readAsset("small"), "s");
}

TEST_F(DamagedArchiveTest, OversizedAssetIsRefusedWithoutReading) {
    std::string entries = entryBytes("huge", 0, 0) + entryBytes("lying", 0, 0);
    int32_t start = dataStart(entries);
    entries = entryBytes("huge", start, maxAssetBytes + 1) + entryBytes("lying", start, 1 << 24);
    // Incompressible data keeps the end of the stream out of zlib's read-ahead
    // while the index is read.
    std::string data(1 << 20, '\0');
    std::mt19937 random(9);
    for (char& byte : data) byte = static_cast<char>(random());
    std::string packed = gzipped(rawArchive(2, entries, data));
    // A trailer that claims a 2 GiB stream lets both entries pass the index check.
    packed.replace(packed.size() - 4, 4, int32Bytes(int32Max));
    writeArchiveFile(packed);
    openAssetArchive();
    ASSERT_EQ(assetIndex.size(), 2u);
    EXPECT_EQ(readAsset("huge"), "");
    EXPECT_TRUE(logged("AssPack asset too large: huge"));
    EXPECT_EQ(readAsset("lying"), "");
    EXPECT_TRUE(logged("AssPack asset truncated: lying"));
}

}  // namespace
