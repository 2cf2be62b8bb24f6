#include "game/level_file.h"

#include <zlib.h>

#include <cmath>
#include <cstring>

#include "archive/asset_archive.h"
#include "base/console_log.h"
#include "game/blocks.h"

std::vector<Vec3> (*levelSource)(int32_t fileNumber) = loadLevelFromArchive;

std::string levelFileName(int32_t fileNumber) {
    return "levels\\" + std::to_string(fileNumber < 0 ? -fileNumber : fileNumber) + ".blvl";
}

// A level file's bytes and how far they have been read.
struct LevelBytes {
    const std::string& bytes;
    size_t position;
};

static bool readLittleEndian32(LevelBytes& file, uint32_t& value) {
    if (file.bytes.size() - file.position < 4) return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(file.bytes.data()) + file.position;
    file.position += 4;
    value = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
    return true;
}

static bool readFloat(LevelBytes& file, float& value) {
    uint32_t bits = 0;
    if (!readLittleEndian32(file, bits)) return false;
    std::memcpy(&value, &bits, sizeof value);
    return true;
}

// A count the table can hold; anything else is damage.
static int32_t checkedCount(uint32_t raw, const std::string& path) {
    int32_t count = static_cast<int32_t>(raw);
    if (count < 0) {
        logConsole("Level file in " + path + " is damaged: negative block count");
        return 0;
    }
    if (count > blockSlots) {
        logConsole("Level file in " + path + " claims " + std::to_string(count) +
                   " blocks; reading the first " + std::to_string(blockSlots));
        return blockSlots;
    }
    return count;
}

static bool validCentre(Vec3 c) {
    return std::isfinite(c.x) && std::isfinite(c.y) && std::isfinite(c.z) &&
           std::fabs(c.x) <= worldBound && std::fabs(c.y) <= worldBound &&
           std::fabs(c.z) <= worldBound;
}

static void readCentres(LevelBytes& file, int32_t count, const std::string& path,
                        std::vector<Vec3>& centres) {
    for (int32_t i = 0; i < count; i++) {
        Vec3 c;
        if (!readFloat(file, c.x) || !readFloat(file, c.y) || !readFloat(file, c.z)) {
            logConsole("Level file in " + path + " is truncated after " + std::to_string(i) +
                       " of " + std::to_string(count) + " blocks");
            return;
        }
        if (!validCentre(c)) {
            logConsole("Level file in " + path + ": block " + std::to_string(i) +
                       " lies outside the world and is skipped");
            continue;
        }
        centres.push_back(c);
    }
}

// The block count and the centres, from a level file's bytes.
static void parseLevel(const std::string& bytes, const std::string& path,
                       std::vector<Vec3>& centres) {
    LevelBytes file{bytes, 0};
    uint32_t rawCount = 0;
    if (!readLittleEndian32(file, rawCount)) {
        logConsole("Level file in " + path + " is damaged: no block count");
        return;
    }
    readCentres(file, checkedCount(rawCount, path), path, centres);
}

// The most a level file can hold: its count and a centre per slot.
static constexpr int32_t maxLevelBytes = 4 + blockSlots * 12;

bool readLevelFile(const std::string& path, int32_t offset, std::vector<Vec3>& centres) {
    centres.clear();
    gzFile file = gzopen(path.c_str(), "rb");
    if (!file) return false;
    std::string bytes(maxLevelBytes, '\0');
    int got = 0;
    if (offset >= 0 && gzseek(file, offset, SEEK_SET) == offset)
        got = gzread(file, bytes.data(), maxLevelBytes);
    bytes.resize(got > 0 ? got : 0);
    gzclose(file);
    parseLevel(bytes, path, centres);
    return true;
}

std::vector<Vec3> loadLevelFromArchive(int32_t fileNumber) {
    std::vector<Vec3> centres;
    std::string name = levelFileName(fileNumber);
    // Kept after the first level start, so no later one inflates the archive again.
    std::string bytes = readKeptAsset(name);
    if (bytes.empty()) {
        logConsole("Level file " + name + " is missing; the level starts empty");
        return centres;
    }
    parseLevel(bytes, assetArchivePath, centres);
    return centres;
}
