// libFuzzer target: any bytes as the whole archive, read as the game reads
// it: the index, the fonts' forward prefetch, every asset through the range
// reader (in index order, so reads behind the reader rewind it), the kept
// level folder, and each asset handed to its loader by folder (meshes,
// levels, sounds). What the range reader gives must be exactly the size
// the index names, or nothing.
#include <cstdint>
#include <string>
#include <vector>

#include "archive/asset_archive.h"
#include "engine/meshes.h"
#include "game/level_file.h"
#include "sound/sound.h"
#include "tests/fuzz/fuzz_support.h"

static bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// "levels\N.blvl" gives N; 0 for any other name.
static int32_t levelNumber(const std::string& name) {
    for (int32_t n = 1; n <= 10; n++)
        if (name == levelFileName(n)) return n;
    return 0;
}

static void loadByFolder(const AssetIndexEntry& entry, const std::string& bytes) {
    if (startsWith(entry.name, "meshes\\")) {
        std::vector<std::vector<float>> subMeshes;
        std::string error;
        parseMbm(bytes, subMeshes, error);
    } else if (int32_t level = levelNumber(entry.name)) {
        loadLevelFromArchive(level);
    } else if (startsWith(entry.name, "sounds\\") && !bytes.empty()) {
        try {
            loadSoundFromMemory(entry.name, reinterpret_cast<const uint8_t*>(bytes.data()),
                                bytes.size());
        } catch (const ProgramEnded&) {
        }
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzzScratch() + "/archive.ass";
    quietGame();
    writeFuzzFile(path, fuzzBytes(data, size));
    assetArchivePath = path;
    openAssetArchive();
    prefetchAssets({"fonts\\prototype.ttf", "fonts\\arialbd.ttf"});
    std::vector<AssetIndexEntry> entries = assetIndex;
    for (const AssetIndexEntry& entry : entries) {
        std::string bytes = readAsset(entry.name);
        int32_t size = lookupAssetSize(entry.name);
        if (!bytes.empty() && static_cast<int64_t>(bytes.size()) != size) __builtin_trap();
        loadByFolder(entry, bytes);
    }
    soundNames.clear();
    soundBuffers.clear();
    closeAssetArchive();
    return 0;
}
