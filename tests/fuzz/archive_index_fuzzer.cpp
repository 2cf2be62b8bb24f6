// libFuzzer target: any bytes as the archive file (zlib reads plain data as
// it is, and gzip data when it starts with the gzip magic), then the index
// reader and a read of every entry it accepts.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "archive/asset_archive.h"
#include "base/console_log.h"

// The runner names a scratch folder in memory-backed storage and removes it after the run.
static std::string scratchPath() {
    const char* folder = std::getenv("ZENTRIX_FUZZ_SCRATCH");
    return std::string(folder ? folder : ".") + "/archive.ass";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = scratchPath();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    assetArchivePath = path;
    logDirectory = "/dev/null/";  // the log file cannot open; lines only go to the history
    openAssetArchive();
    for (const AssetIndexEntry& entry : assetIndex) readAsset(entry.name);
    closeAssetArchive();
    return 0;
}
