// Writing the asset archive: order the assets, check them, and pack them as
// header text, index and data in one deterministic gzip stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/atlas_limits.h"
#include "tools/assets/generated_asset.h"

struct TgaInfo {
    int idLength;
    int imageType;
    int width;
    int height;
    int pixelDepth;
    size_t pixelOffset;  // first pixel byte: 18 + idLength
};

// Reads the 18-byte TGA header; false when the bytes are too short for it.
bool readTgaInfo(const std::string& bytes, TgaInfo& info);
// Preload textures first (each full size, then small), the rest sorted by name.
std::vector<GeneratedAsset> orderAssets(std::vector<GeneratedAsset> assets);
// One line per problem: duplicate names, malformed images, sounds, fonts or levels.
std::vector<std::string> findAssetProblems(const std::vector<GeneratedAsset>& assets);
// Header text and index for the assets in the given order; their data
// follows it directly. Empty with `error` set when a position would not fit
// in 32 bits.
std::string buildArchiveIndex(const std::string& headerText,
                              const std::vector<GeneratedAsset>& assets, std::string& error);
// Gzip of the pieces in order, with a fixed header (no name, no time), so
// equal input gives equal bytes. Empty on a compressor failure.
std::string gzipDeterministic(const std::vector<const std::string*>& pieces);
// The whole archive: the index, then every asset's bytes, compressed.
std::string gzipArchive(const std::string& index, const std::vector<GeneratedAsset>& assets);
// Writes through a temporary file and a rename; false on any failure.
bool writeFileReplacing(const std::string& path, const std::string& bytes);
