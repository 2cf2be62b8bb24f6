// The archive the default build made, read back through the game's reader:
// every name the game loads is there once, in streaming order.
#include <filesystem>
#include <set>

#include "archive/asset_archive.h"
#include "engine/preload_list.h"
#include "tests/assets/archive_test_support.h"
#include "tests/assets/expected_sounds.h"

namespace {

class BuiltArchive : public ArchiveTest {
  protected:
    void SetUp() override {
        ArchiveTest::SetUp();
        assetArchivePath = ZENTRIX_BUILD_DIR "/data/assets.ass";
        ASSERT_TRUE(std::filesystem::exists(assetArchivePath)) << "the default build makes it";
        openAssetArchive();
    }
    std::set<std::string> names() const {
        std::set<std::string> set;
        for (const AssetIndexEntry& entry : assetIndex) set.insert(entry.name);
        return set;
    }
};

TEST_F(BuiltArchive, HoldsEveryNameOnce) {
    std::set<std::string> all = names();
    EXPECT_EQ(all.size(), assetIndex.size()) << "a name appears twice";
    std::vector<std::string> wanted{"meshes\\cube.mbm", "meshes\\geosphere.mbm",
                                    "fonts\\prototype.ttf", "fonts\\arialbd.ttf"};
    for (int i = 1; i <= 10; ++i) {
        wanted.push_back("levels\\" + std::to_string(i) + ".blvl");
        wanted.push_back("textures\\background" + std::to_string(i) + ".tga");
    }
    for (int i = 0; i <= 9; ++i)
        wanted.push_back("textures\\LevelNumber" + std::to_string(i) + ".tga");
    for (int i = 1; i <= 5; ++i) wanted.push_back("textures\\PowerUp" + std::to_string(i) + ".tga");
    for (const char* sound : expectedSoundNames) wanted.push_back(std::string("sounds\\") + sound);
    for (const std::string& name : wanted) EXPECT_TRUE(all.count(name)) << name;
}

TEST_F(BuiltArchive, PreloadTexturesLeadInPreloadOrder) {
    ASSERT_GE(assetIndex.size(), 2 * preloadTextureCount);
    for (size_t i = 0; i < preloadTextureCount; ++i) {
        EXPECT_EQ(assetIndex[2 * i].name, std::string("textures\\") + preloadTextureNames[i]);
        EXPECT_EQ(assetIndex[2 * i + 1].name,
                  std::string("textures\\small\\") + preloadTextureNames[i]);
    }
    for (size_t i = 1; i < assetIndex.size(); ++i)
        EXPECT_GE(assetIndex[i].offset, assetIndex[i - 1].offset + assetIndex[i - 1].size);
}

TEST_F(BuiltArchive, FirstImageReadsBackAsATrueColourTga) {
    std::string splash = readAsset("textures\\briskogames.tga");
    ASSERT_GE(splash.size(), 18u);
    EXPECT_EQ(splash[2], 2);
    EXPECT_TRUE(splash[16] == 24 || splash[16] == 32);
}

}  // namespace
