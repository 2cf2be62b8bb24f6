// Packs the generated assets into the archive format the game reads.
#include "tools/assets/archive_writer.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "engine/preload_list.h"

static const char texturePrefix[] = "textures\\";
static const char smallTexturePrefix[] = "textures\\small\\";
static const char tgaFooterSignature[] = "TRUEVISION-XFILE.";
constexpr size_t tgaHeaderBytes = 18;
constexpr size_t tgaFooterBytes = 26;
constexpr int tgaTrueColour = 2;
constexpr int64_t maxStreamPosition = 0x7fffffff;
constexpr int gzipWindowBits = 15 + 16;
constexpr int gzipMemoryLevel = 8;
constexpr int gzipUnknownOs = 255;
constexpr size_t deflateChunkBytes = 1 << 20;

static bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

static int readUint16(const std::string& bytes, size_t at) {
    return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
}

bool readTgaInfo(const std::string& bytes, TgaInfo& info) {
    if (bytes.size() < tgaHeaderBytes) return false;
    info.idLength = static_cast<unsigned char>(bytes[0]);
    info.imageType = static_cast<unsigned char>(bytes[2]);
    info.width = readUint16(bytes, 12);
    info.height = readUint16(bytes, 14);
    info.pixelDepth = static_cast<unsigned char>(bytes[16]);
    info.pixelOffset = tgaHeaderBytes + info.idLength;
    return true;
}

std::vector<GeneratedAsset> orderAssets(std::vector<GeneratedAsset> assets) {
    std::map<std::string, size_t> preloadRank;
    for (size_t i = 0; i < preloadTextureCount; ++i) {
        preloadRank[texturePrefix + std::string(preloadTextureNames[i])] = 2 * i;
        preloadRank[smallTexturePrefix + std::string(preloadTextureNames[i])] = 2 * i + 1;
    }
    auto rank = [&](const GeneratedAsset& asset) {
        auto found = preloadRank.find(asset.name);
        return found == preloadRank.end() ? preloadRank.size() : found->second;
    };
    std::stable_sort(assets.begin(), assets.end(),
                     [&](const GeneratedAsset& a, const GeneratedAsset& b) {
                         size_t rankA = rank(a), rankB = rank(b);
                         return rankA != rankB ? rankA < rankB : a.name < b.name;
                     });
    return assets;
}

static bool hasTgaFooter(const std::string& bytes, size_t pixelEnd) {
    if (bytes.size() != pixelEnd + tgaFooterBytes) return false;
    return bytes.compare(pixelEnd + 8, sizeof(tgaFooterSignature), tgaFooterSignature,
                         sizeof(tgaFooterSignature)) == 0;
}

static std::string tgaProblem(const std::string& bytes, int maxSide) {
    TgaInfo info;
    if (!readTgaInfo(bytes, info)) return "shorter than a TGA header";
    if (bytes[1] != 0 || info.imageType != tgaTrueColour)
        return "not an uncompressed true-colour TGA";
    if (info.pixelDepth != 24 && info.pixelDepth != 32) return "depth is not 24 or 32";
    if (info.width == 0 || info.height == 0) return "has no pixels";
    if (info.width > maxSide || info.height > maxSide) return "larger than the atlas allows";
    size_t pixelEnd = info.pixelOffset + size_t(info.width) * info.height * (info.pixelDepth / 8);
    if (bytes.size() != pixelEnd && !hasTgaFooter(bytes, pixelEnd))
        return "size does not match its header";
    return {};
}

static bool isHalfOf(int small, int full) {
    return small == full / 2 || small == (full + 1) / 2;
}

// Every full-size texture has its half-size twin and the other way round.
static void checkSmallTextures(const std::map<std::string, const GeneratedAsset*>& byName,
                               std::vector<std::string>& problems) {
    for (const auto& [name, asset] : byName) {
        bool small = startsWith(name, smallTexturePrefix);
        if (!startsWith(name, texturePrefix) || small) continue;
        std::string smallName = smallTexturePrefix + name.substr(sizeof(texturePrefix) - 1);
        auto twin = byName.find(smallName);
        if (twin == byName.end()) {
            problems.push_back(name + ": no small variant");
            continue;
        }
        TgaInfo full, half;
        if (readTgaInfo(asset->bytes, full) && readTgaInfo(twin->second->bytes, half) &&
            !(isHalfOf(half.width, full.width) && isHalfOf(half.height, full.height)))
            problems.push_back(smallName + ": not half the size of " + name);
    }
    for (const auto& entry : byName) {
        const std::string& name = entry.first;
        if (!startsWith(name, smallTexturePrefix)) continue;
        std::string fullName = texturePrefix + name.substr(sizeof(smallTexturePrefix) - 1);
        if (!byName.count(fullName)) problems.push_back(name + ": no full-size variant");
    }
}

static std::string levelProblem(const std::string& bytes) {
    if (bytes.size() < 4) return "shorter than its count";
    int32_t count;
    std::memcpy(&count, bytes.data(), 4);
    if (count < 0 || bytes.size() != 4 + 12 * size_t(count)) return "size does not match its count";
    return {};
}

static std::string contentProblem(const GeneratedAsset& asset) {
    const std::string& name = asset.name;
    if (startsWith(name, smallTexturePrefix)) return tgaProblem(asset.bytes, maxSmallImageSide);
    if (startsWith(name, texturePrefix)) return tgaProblem(asset.bytes, maxFullImageSide);
    if (startsWith(name, "sounds\\") && !startsWith(asset.bytes, "OggS"))
        return "not an Ogg stream";
    if (startsWith(name, "levels\\")) return levelProblem(asset.bytes);
    if (startsWith(name, "meshes\\") && (asset.bytes.empty() || asset.bytes.size() % 4))
        return "not a list of floats";
    if (startsWith(name, "fonts\\") && asset.bytes.size() < 4) return "too short for a font";
    return {};
}

std::vector<std::string> findAssetProblems(const std::vector<GeneratedAsset>& assets) {
    std::vector<std::string> problems;
    std::map<std::string, const GeneratedAsset*> byName;
    for (const GeneratedAsset& asset : assets) {
        if (!byName.emplace(asset.name, &asset).second)
            problems.push_back(asset.name + ": duplicate name");
        std::string problem = contentProblem(asset);
        if (!problem.empty()) problems.push_back(asset.name + ": " + problem);
    }
    for (size_t i = 0; i < preloadTextureCount; ++i) {
        std::string name = texturePrefix + std::string(preloadTextureNames[i]);
        if (!byName.count(name)) problems.push_back(name + ": preload texture missing");
    }
    checkSmallTextures(byName, problems);
    return problems;
}

static void appendInt32(std::string& out, int64_t value) {
    uint32_t bits = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>(bits >> shift & 0xff));
}

std::string buildArchiveIndex(const std::string& headerText,
                              const std::vector<GeneratedAsset>& assets, std::string& error) {
    int64_t position = 4 + int64_t(headerText.size()) + 4;
    for (const GeneratedAsset& asset : assets) position += 4 + int64_t(asset.name.size()) + 8;
    std::string index;
    appendInt32(index, headerText.size());
    index += headerText;
    appendInt32(index, assets.size());
    for (const GeneratedAsset& asset : assets) {
        appendInt32(index, asset.name.size());
        index += asset.name;
        appendInt32(index, position);
        appendInt32(index, asset.bytes.size());
        position += asset.bytes.size();
    }
    if (position <= maxStreamPosition) return index;
    error = "archive larger than 2 GiB";
    return {};
}

// Feeds one piece to the compressor, collecting whatever output it makes.
static bool deflatePiece(z_stream& zs, const std::string& piece, int flush, std::string& out) {
    std::string chunk(deflateChunkBytes, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.data()));
    zs.avail_in = static_cast<uInt>(piece.size());
    int status = Z_OK;
    do {
        zs.next_out = reinterpret_cast<Bytef*>(chunk.data());
        zs.avail_out = static_cast<uInt>(chunk.size());
        status = deflate(&zs, flush);
        if (status == Z_STREAM_ERROR) return false;
        out.append(chunk.data(), chunk.size() - zs.avail_out);
    } while (zs.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
    return true;
}

std::string gzipDeterministic(const std::vector<const std::string*>& pieces) {
    z_stream zs{};
    if (deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, gzipWindowBits, gzipMemoryLevel,
                     Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    gz_header header{};
    header.os = gzipUnknownOs;
    deflateSetHeader(&zs, &header);
    std::string out;
    const std::string nothing;
    bool ok = true;
    for (const std::string* piece : pieces) ok = ok && deflatePiece(zs, *piece, Z_NO_FLUSH, out);
    ok = ok && deflatePiece(zs, nothing, Z_FINISH, out);
    deflateEnd(&zs);
    return ok ? out : std::string();
}

std::string gzipArchive(const std::string& index, const std::vector<GeneratedAsset>& assets) {
    std::vector<const std::string*> pieces{&index};
    for (const GeneratedAsset& asset : assets) pieces.push_back(&asset.bytes);
    return gzipDeterministic(pieces);
}

bool writeFileReplacing(const std::string& path, const std::string& bytes) {
    std::filesystem::path target(path);
    std::error_code ignored;
    if (target.has_parent_path())
        std::filesystem::create_directories(target.parent_path(), ignored);
    std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) return false;
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}
