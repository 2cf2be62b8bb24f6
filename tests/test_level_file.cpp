// Level files read from a gzip stream: the format, and damaged files that
// must neither crash nor invent blocks.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "game/level_file.h"
#include "tests/temp_folder.h"
#include "tests/time_limit.h"

namespace {

const std::string levelPath = tempDir() + "/level.gz";
constexpr int32_t levelOffset = 37;  // some bytes of archive before the level

void put32(std::string& bytes, uint32_t value) {
    for (int i = 0; i < 4; i++) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void putFloat(std::string& bytes, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    put32(bytes, bits);
}

// Writes `level` after levelOffset filler bytes into a gzip file.
void writeArchive(const std::string& level) {
    std::string bytes(levelOffset, 'x');
    bytes += level;
    gzFile file = gzopen(levelPath.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    gzwrite(file, bytes.data(), static_cast<unsigned>(bytes.size()));
    gzclose(file);
}

std::string levelOf(int32_t count, const std::vector<Vec3>& centres) {
    std::string bytes;
    put32(bytes, static_cast<uint32_t>(count));
    for (Vec3 c : centres) {
        putFloat(bytes, c.x);
        putFloat(bytes, c.y);
        putFloat(bytes, c.z);
    }
    return bytes;
}

class LevelFileTest : public ::testing::Test {
  protected:
    void TearDown() override { remove(levelPath.c_str()); }
    std::vector<Vec3> centres;
};

TEST_F(LevelFileTest, NamesAreOneBasedWithoutSignOrLeadingZeros) {
    EXPECT_EQ(levelFileName(1), "levels\\1.blvl");
    EXPECT_EQ(levelFileName(10), "levels\\10.blvl");
}

TEST_F(LevelFileTest, ReadsTheCountAndEachCentreAtTheOffset) {
    writeArchive(levelOf(2, {{0, 32, -64}, {96, 0, 0}}));
    ASSERT_TRUE(readLevelFile(levelPath, levelOffset, centres));
    ASSERT_EQ(centres.size(), 2u);
    EXPECT_EQ(centres[0], (Vec3{0, 32, -64}));
    EXPECT_EQ(centres[1], (Vec3{96, 0, 0}));
    writeArchive(levelOf(0, {}));
    ASSERT_TRUE(readLevelFile(levelPath, levelOffset, centres));
    EXPECT_TRUE(centres.empty());
}

TEST_F(LevelFileTest, TruncatedFileKeepsTheBlocksReadBeforeTheDamage) {
    std::string level = levelOf(3, {{0, 0, 0}, {32, 0, 0}});
    writeArchive(level + "\x01\x02");
    ASSERT_TRUE(readLevelFile(levelPath, levelOffset, centres));
    EXPECT_EQ(centres.size(), 2u);
    writeArchive("\x05");
    ASSERT_TRUE(readLevelFile(levelPath, levelOffset, centres));
    EXPECT_TRUE(centres.empty());
}

TEST_F(LevelFileTest, HostileCountsAndCoordinatesAreRefused) {
    writeArchive(levelOf(-5, {{0, 0, 0}}));
    ASSERT_TRUE(readLevelFile(levelPath, levelOffset, centres));
    EXPECT_TRUE(centres.empty());

    std::vector<Vec3> many(600, Vec3{0, 0, 0});
    writeArchive(levelOf(2000000000, many));
    finishesInTime([&] { ASSERT_TRUE(readLevelFile(levelPath, levelOffset, centres)); });
    EXPECT_EQ(centres.size(), 512u) << "no more than the table holds";

    float nan = std::nanf("");
    writeArchive(levelOf(3, {{nan, 0, 0}, {0, 1e9f, 0}, {32, 32, 32}}));
    ASSERT_TRUE(readLevelFile(levelPath, levelOffset, centres));
    ASSERT_EQ(centres.size(), 1u);
    EXPECT_EQ(centres[0], (Vec3{32, 32, 32}));
}

TEST_F(LevelFileTest, MissingFileOrOffsetGivesNoBlocks) {
    EXPECT_FALSE(readLevelFile("no_such_archive.gz", 0, centres));
    writeArchive(levelOf(1, {{0, 0, 0}}));
    ASSERT_TRUE(readLevelFile(levelPath, -1, centres));
    EXPECT_TRUE(centres.empty());
    ASSERT_TRUE(readLevelFile(levelPath, 1000000, centres));
    EXPECT_TRUE(centres.empty());
}

}  // namespace
