// The asset archive "data/assets.ass" (the AssPack): one gzip stream whose
// uncompressed data starts with an index of named assets, then their bytes.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

struct AssetIndexEntry {
    std::string name;  // archive key, backslash-separated ("textures\\red.tga")
    int32_t offset;    // first byte of the asset in the uncompressed stream
    int32_t size;      // length of the asset in bytes
};

extern std::vector<AssetIndexEntry> assetIndex;  // filled by openAssetArchive, file order
extern gzFile assetArchive;  // start-up's handle, later the texture streamer's; null if closed
extern std::string assetArchivePath;  // "data/assets.ass"; tests point it elsewhere

// Limits beyond which the index is taken as damaged or an asset is refused.
constexpr int32_t maxAssetHeaderTextBytes = 1 << 20;
constexpr int32_t maxAssetEntryCount = 1 << 20;
constexpr int32_t maxAssetNameBytes = 4096;
constexpr int32_t maxAssetBytes = 256 << 20;

// Points assetArchivePath at "data/assets.ass" beside the program when there
// is one, else at "assets.ass" in the installed data folder; true when the
// installed copy was chosen. Neither found: the path is left as it is.
bool locateAssetArchive(const std::string& programDir, const std::string& installedDataDir);
// Opens the archive and reads its index; a missing archive leaves the index empty.
void openAssetArchive();
// Offset and size of the first entry named exactly `name`, or -1.
int32_t lookupAssetOffset(const std::string& name);
int32_t lookupAssetSize(const std::string& name);
// The asset's bytes read through a handle of its own; empty when missing or unreadable.
std::string readAsset(const std::string& name);
// Reads the named assets ahead, in archive order in one forward pass, so that
// the readAsset calls that follow (in any order) inflate nothing again.
void prefetchAssets(const std::vector<std::string>& names);
// An asset asked for again and again (a level file at every level start):
// the first call reads every asset of its folder in one forward pass and
// keeps them until the archive is closed; later calls inflate nothing.
std::string readKeptAsset(const std::string& name);
void closeAssetArchive();
// Names the archive path looked for when the index is empty (no archive, or
// one without assets); "" when there are assets.
std::string missingArchiveMessage();

// Reads an index from a stream positioned at its start; stops at the first
// damage of the index itself and keeps the entries before it; an entry whose
// range lies outside the stream is dropped alone. `streamEnd` (-1 = unknown) bounds
// the asset ranges. Used by openAssetArchive and the fuzzer.
std::vector<AssetIndexEntry> readAssetIndex(gzFile file, int64_t streamEnd);
