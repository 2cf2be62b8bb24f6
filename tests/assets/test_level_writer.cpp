// Level designs: the text layers, the binary level file, and the ten shipped
// designs checked by the rules the game's level loader relies on.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <tuple>

#include "tools/assets/level_writer.h"

namespace {

using Position = std::tuple<float, float, float>;

// Reads a level file by its binary layout: int32 count, then x, y, z floats.
std::vector<Position> readBlvl(const std::string& bytes) {
    int32_t count = -1;
    std::memcpy(&count, bytes.data(), 4);
    EXPECT_EQ(bytes.size(), 4 + 12 * size_t(count));
    std::vector<Position> blocks;
    for (int32_t i = 0; i < count; ++i) {
        float xyz[3];
        std::memcpy(xyz, bytes.data() + 4 + 12 * i, 12);
        blocks.emplace_back(xyz[0], xyz[1], xyz[2]);
    }
    return blocks;
}

std::set<std::tuple<int, int, int>> cellSet(const std::vector<GridCell>& cells) {
    std::set<std::tuple<int, int, int>> set;
    for (const GridCell& c : cells) set.insert({c.x, c.y, c.z});
    return set;
}

TEST(LevelText, LayersStackUpwardsAndRowsRunTowardsMinusY) {
    std::vector<GridCell> cells;
    std::string error;
    ASSERT_TRUE(parseLevelText("; a comment\n###\n#..\n-\n...\n.#.\n", cells, error)) << error;
    // Columns 0..2 centre on column 1; rows and layers 0..1 keep their place.
    std::set<std::tuple<int, int, int>> expected{
        {-1, 1, 0}, {0, 1, 0}, {1, 1, 0}, {-1, 0, 0}, {0, 0, 1}};
    EXPECT_EQ(cellSet(cells), expected);
}

TEST(LevelText, UnknownMarksAndEmptyDesignsAreRejected) {
    std::vector<GridCell> cells;
    std::string error;
    EXPECT_FALSE(parseLevelText("##\n#x\n", cells, error));
    EXPECT_EQ(error, "line 2: unknown mark 'x'");
    EXPECT_FALSE(parseLevelText("; nothing\n...\n-\n..\n", cells, error));
    EXPECT_EQ(error, "no blocks");
}

TEST(LevelText, ConnectivityNeedsSharedFaces) {
    EXPECT_TRUE(isFaceConnected({{0, 0, 0}, {1, 0, 0}, {1, 0, 1}}));
    EXPECT_FALSE(isFaceConnected({{0, 0, 0}, {1, 1, 0}}));
    EXPECT_FALSE(isFaceConnected({{0, 0, 0}, {0, 0, 2}}));
}

TEST(LevelFile, HoldsTheCountThenGridPositionsInWorldUnits) {
    std::string bytes = writeBlvl({{0, 0, 0}, {-1, 2, 3}});
    std::vector<Position> blocks = readBlvl(bytes);
    std::vector<Position> expected{{0.f, 0.f, 0.f}, {-32.f, 64.f, 96.f}};
    EXPECT_EQ(blocks, expected);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x02\0\0\0", 4));
}

class ShippedLevels : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { levels = generateLevels(ZENTRIX_SOURCE_DIR "/assets"); }
    static std::vector<GeneratedAsset> levels;
};
std::vector<GeneratedAsset> ShippedLevels::levels;

TEST_F(ShippedLevels, TenFilesNamedByTheirOneBasedNumber) {
    ASSERT_EQ(levels.size(), 10u);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(levels[i].name, "levels\\" + std::to_string(i + 1) + ".blvl");
}

TEST_F(ShippedLevels, BlocksSitOnTheGridOnceEachAndTouchByFaces) {
    for (const GeneratedAsset& level : levels) {
        std::vector<GridCell> cells;
        for (const auto& [x, y, z] : readBlvl(level.bytes)) {
            for (float v : {x, y, z}) ASSERT_EQ(v, 32.0f * int(v / 32.0f)) << level.name;
            cells.push_back({int(x / 32), int(y / 32), int(z / 32)});
        }
        EXPECT_EQ(cellSet(cells).size(), cells.size()) << level.name << " has a duplicate";
        EXPECT_TRUE(isFaceConnected(cells)) << level.name;
        EXPECT_LE(cells.size(), size_t(maxLevelBlocks)) << level.name;
    }
}

// How hard a level plays depends on its shape as much as its size (the
// balance table measures that); the first stays small and the tenth largest.
TEST_F(ShippedLevels, RiseFromASmallStartToTheLargestTenth) {
    size_t first = readBlvl(levels.front().bytes).size(),
           last = readBlvl(levels.back().bytes).size();
    EXPECT_GE(first, 20u);
    EXPECT_LE(first, 40u);
    for (size_t i = 0; i + 1 < levels.size(); ++i)
        EXPECT_LT(readBlvl(levels[i].bytes).size(), last) << levels[i].name;
}

TEST_F(ShippedLevels, EveryShapeIsDistinct) {
    std::set<std::set<Position>> shapes;
    for (const GeneratedAsset& level : levels) {
        std::vector<Position> blocks = readBlvl(level.bytes);
        shapes.insert(std::set<Position>(blocks.begin(), blocks.end()));
    }
    EXPECT_EQ(shapes.size(), levels.size());
}

TEST_F(ShippedLevels, ShapesStayNearTheOrigin) {
    // The camera sits 640 units out; a mass wider than 13 blocks leaves the screen.
    for (const GeneratedAsset& level : levels)
        for (const auto& [x, y, z] : readBlvl(level.bytes))
            for (float v : {x, y, z}) EXPECT_LE(std::abs(v), 6 * 32.0f) << level.name;
}

}  // namespace
