// The asset archive: reads the index once at start-up, then serves lookups
// by exact name and whole-asset reads through a handle of their own.
#include "archive/asset_archive.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>

#include "base/console_log.h"

std::vector<AssetIndexEntry> assetIndex;
gzFile assetArchive = nullptr;
std::string assetArchivePath = "data/assets.ass";

static const unsigned char gzipMagic[2] = {0x1f, 0x8b};
constexpr int32_t readChunkBytes = 1 << 16;
constexpr int64_t maxInt32 = 0x7fffffff;

static bool fileExists(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file) std::fclose(file);
    return file != nullptr;
}

bool locateAssetArchive(const std::string& programDir, const std::string& installedDataDir) {
    std::string beside = programDir + "/data/assets.ass";
    std::string installed = installedDataDir + "/assets.ass";
    if (fileExists(beside)) {
        assetArchivePath = beside;
        return false;
    }
    if (!fileExists(installed)) return false;
    assetArchivePath = installed;
    return true;
}

static void logDamage(const std::string& what) {
    logConsole("AssPack index damaged: " + what);
}

static bool readInt32(gzFile file, int32_t& value) {
    unsigned char bytes[4];
    if (gzread(file, bytes, sizeof(bytes)) != static_cast<int>(sizeof(bytes))) return false;
    uint32_t bits =
        bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    value = static_cast<int32_t>(bits);
    return true;
}

// Reads `count` bytes in bounded chunks, so a false length costs no more
// memory than the data really there; false on a short read.
static bool readBytes(gzFile file, int64_t count, std::string* into) {
    std::string chunk;
    while (count > 0) {
        int32_t want = static_cast<int32_t>(std::min<int64_t>(count, readChunkBytes));
        chunk.resize(want);
        int got = gzread(file, chunk.data(), want);
        if (got != want) return false;
        if (into) into->append(chunk, 0, got);
        count -= got;
    }
    return true;
}

// The uncompressed length: a gzip member's trailer holds it, a plain file
// (which zlib reads as it is) is its own length; -1 when unknown.
static int64_t uncompressedLength(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return -1;
    unsigned char head[2] = {0, 0};
    unsigned char tail[4] = {0, 0, 0, 0};
    bool gzip =
        std::fread(head, 1, 2, file) == 2 && head[0] == gzipMagic[0] && head[1] == gzipMagic[1];
    int64_t length = -1;
    if (!gzip) {
        if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
    } else if (std::fseek(file, -4, SEEK_END) == 0 && std::fread(tail, 1, 4, file) == 4) {
        length = tail[0] | tail[1] << 8 | tail[2] << 16 | static_cast<int64_t>(tail[3]) << 24;
    }
    std::fclose(file);
    return length;
}

static bool readIndexEntry(gzFile file, AssetIndexEntry& entry) {
    int32_t nameLength = 0;
    if (!readInt32(file, nameLength)) {
        logDamage("index ends early");
        return false;
    }
    if (nameLength < 0 || nameLength > maxAssetNameBytes) {
        logDamage("name length " + std::to_string(nameLength));
        return false;
    }
    entry.name.clear();
    if (!readBytes(file, nameLength, &entry.name) || !readInt32(file, entry.offset) ||
        !readInt32(file, entry.size)) {
        logDamage("index ends early");
        return false;
    }
    return true;
}

// An entry must lie after the index and inside the stream.
static bool entryInRange(const AssetIndexEntry& entry, int64_t indexEnd, int64_t streamEnd) {
    if (entry.offset < indexEnd || entry.size < 0) return false;
    int64_t end = static_cast<int64_t>(entry.offset) + entry.size;
    return end <= maxInt32 && (streamEnd < 0 || end <= streamEnd);
}

// Each entry stands on its own: one bad range costs only its own asset.
static void dropEntriesOutOfRange(std::vector<AssetIndexEntry>& entries, int64_t indexEnd,
                                  int64_t streamEnd) {
    auto outside = [&](const AssetIndexEntry& entry) {
        if (entryInRange(entry, indexEnd, streamEnd)) return false;
        logDamage("asset " + entry.name + " lies outside the archive");
        return true;
    };
    entries.erase(std::remove_if(entries.begin(), entries.end(), outside), entries.end());
}

static bool skipHeaderText(gzFile file) {
    int32_t length = 0;
    bool lengthRead = readInt32(file, length);
    if (lengthRead && (length < 0 || length > maxAssetHeaderTextBytes)) {
        logDamage("header text length " + std::to_string(length));
        return false;
    }
    if (lengthRead && readBytes(file, length, nullptr)) return true;
    logDamage("header ends early");
    return false;
}

std::vector<AssetIndexEntry> readAssetIndex(gzFile file, int64_t streamEnd) {
    std::vector<AssetIndexEntry> entries;
    int32_t count = 0;
    if (!skipHeaderText(file)) return entries;
    if (!readInt32(file, count)) {
        logDamage("entry count missing");
        return entries;
    }
    if (count < 0 || count > maxAssetEntryCount) {
        logDamage("entry count " + std::to_string(count));
        return entries;
    }
    AssetIndexEntry entry;
    for (int32_t i = 0; i < count && readIndexEntry(file, entry); ++i) {
        entries.push_back(entry);
        logConsole("Indexed asset " + entry.name);
    }
    dropEntriesOutOfRange(entries, gztell(file), streamEnd);
    return entries;
}

void openAssetArchive() {
    closeAssetArchive();
    assetIndex.clear();
    logConsole("Opening AssPack");
    assetArchive = gzopen(assetArchivePath.c_str(), "rb");
    if (!assetArchive) {
        logConsole("gzopen failed");
        return;
    }
    assetIndex = readAssetIndex(assetArchive, uncompressedLength(assetArchivePath));
    logConsole("AssPack headers loaded");
}

std::string missingArchiveMessage() {
    if (!assetIndex.empty()) return {};
    std::error_code error;
    std::filesystem::path looked = std::filesystem::absolute(assetArchivePath, error);
    std::string path = error ? assetArchivePath : looked.lexically_normal().string();
    return "The game's data was not found: " + path +
           " is missing or empty.\nStart the game from the folder that holds data/assets.ass.";
}

static const AssetIndexEntry* findAsset(const std::string& name) {
    for (const AssetIndexEntry& entry : assetIndex) {
        if (entry.name == name) return &entry;
    }
    return nullptr;
}

int32_t lookupAssetOffset(const std::string& name) {
    logConsole("Looking up offset for " + name);
    const AssetIndexEntry* entry = findAsset(name);
    if (!entry) return -1;
    logConsole("found offset");
    return entry->offset;
}

int32_t lookupAssetSize(const std::string& name) {
    logConsole("Looking up size for " + name);
    const AssetIndexEntry* entry = findAsset(name);
    if (!entry) return -1;
    logConsole("found size");
    return entry->size;
}

// The archive is one gzip stream: reaching an offset means inflating
// everything before it. The range reader stays open and moves forward from
// where the last read ended; only a read behind it starts again at the top.
static gzFile rangeReader = nullptr;
// Assets read ahead by prefetchAssets, handed out once each.
static std::map<std::string, std::string> prefetchedAssets;

static void closeRangeReader() {
    if (rangeReader) gzclose(rangeReader);
    rangeReader = nullptr;
}

static bool positionRangeReader(int32_t offset) {
    if (!rangeReader) rangeReader = gzopen(assetArchivePath.c_str(), "rb");
    if (!rangeReader) {
        logConsole("gzopen failed");
        return false;
    }
    // Reading behind the reader inflates the archive again from its start.
    if (gztell(rangeReader) > offset) {
        logConsole("AssPack rewinds to " + std::to_string(offset));
        gzrewind(rangeReader);
    }
    return gzseek(rangeReader, offset, SEEK_SET) == offset;
}

static std::string readAssetRange(const std::string& name, int32_t offset, int32_t size) {
    std::string bytes;
    if (positionRangeReader(offset) && readBytes(rangeReader, size, &bytes)) return bytes;
    // A damaged stream leaves the reader in an error state: start afresh next time.
    closeRangeReader();
    logConsole("AssPack asset truncated: " + name);
    return {};
}

void prefetchAssets(const std::vector<std::string>& names) {
    std::vector<const AssetIndexEntry*> entries;
    for (const std::string& name : names) {
        const AssetIndexEntry* entry = findAsset(name);
        if (entry && entry->size <= maxAssetBytes && !prefetchedAssets.count(name))
            entries.push_back(entry);
    }
    std::sort(
        entries.begin(), entries.end(),
        [](const AssetIndexEntry* a, const AssetIndexEntry* b) { return a->offset < b->offset; });
    for (const AssetIndexEntry* entry : entries) {
        std::string bytes = readAssetRange(entry->name, entry->offset, entry->size);
        if (!bytes.empty()) prefetchedAssets[entry->name] = std::move(bytes);
    }
}

// Assets asked for again and again, read once and kept for the run.
static std::map<std::string, std::string> keptAssets;

static std::string folderOf(const std::string& name) {
    return name.substr(0, name.rfind('\\') + 1);
}

std::string readKeptAsset(const std::string& name) {
    auto kept = keptAssets.find(name);
    if (kept != keptAssets.end()) return kept->second;
    std::vector<std::string> folder;
    for (const AssetIndexEntry& entry : assetIndex)
        if (folderOf(entry.name) == folderOf(name) && !keptAssets.count(entry.name))
            folder.push_back(entry.name);
    prefetchAssets(folder);
    for (const std::string& member : folder) {
        std::string bytes = readAsset(member);
        if (!bytes.empty()) keptAssets.emplace(member, std::move(bytes));
    }
    kept = keptAssets.find(name);
    // A name that is not there is looked up once more, for the log line.
    return kept != keptAssets.end() ? kept->second : readAsset(name);
}

std::string readAsset(const std::string& name) {
    int32_t offset = lookupAssetOffset(name);
    int32_t size = lookupAssetSize(name);
    if (offset < 0 || size < 0) {
        logConsole("AssPack has no asset " + name);
        return {};
    }
    if (size > maxAssetBytes) {
        logConsole("AssPack asset too large: " + name);
        return {};
    }
    auto prefetched = prefetchedAssets.find(name);
    if (prefetched != prefetchedAssets.end()) {
        std::string bytes = std::move(prefetched->second);
        prefetchedAssets.erase(prefetched);
        return bytes;
    }
    return readAssetRange(name, offset, size);
}

void closeAssetArchive() {
    closeRangeReader();
    prefetchedAssets.clear();
    keptAssets.clear();
    if (!assetArchive) return;
    gzclose(assetArchive);
    assetArchive = nullptr;
}
