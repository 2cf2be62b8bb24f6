#include "game/level_file.h"

#include <zlib.h>

#include <cmath>
#include <cstring>

#include "engine/asset_archive.h"
#include "game/blocks.h"
#include "shell/console_log.h"

std::vector<Vec3> (*levelSource)(int32_t fileNumber) = loadLevelFromArchive;

std::string levelFileName(int32_t fileNumber) {
    return "levels\\" + std::to_string(fileNumber < 0 ? -fileNumber : fileNumber) + ".blvl";
}

static bool readLittleEndian32(gzFile file, uint32_t& value) {
    unsigned char bytes[4];
    if (gzread(file, bytes, sizeof bytes) != static_cast<int>(sizeof bytes)) return false;
    value = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
    return true;
}

static bool readFloat(gzFile file, float& value) {
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

static void readCentres(gzFile file, int32_t count, const std::string& path,
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

bool readLevelFile(const std::string& path, int32_t offset, std::vector<Vec3>& centres) {
    centres.clear();
    gzFile file = gzopen(path.c_str(), "rb");
    if (!file) return false;
    uint32_t rawCount = 0;
    if (offset < 0 || gzseek(file, offset, SEEK_SET) != offset ||
        !readLittleEndian32(file, rawCount)) {
        logConsole("Level file in " + path + " is damaged: no block count");
    } else {
        readCentres(file, checkedCount(rawCount, path), path, centres);
    }
    gzclose(file);
    return true;
}

std::vector<Vec3> loadLevelFromArchive(int32_t fileNumber) {
    std::vector<Vec3> centres;
    std::string name = levelFileName(fileNumber);
    int32_t offset = lookupAssetOffset(name);
    if (offset < 0) {
        logConsole("Level file " + name + " is missing; the level starts empty");
        return centres;
    }
    if (!readLevelFile(assetArchivePath, offset, centres)) {
        logConsole("Cannot open " + assetArchivePath + " for " + name);
    }
    return centres;
}
