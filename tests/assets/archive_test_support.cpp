#include "tests/assets/archive_test_support.h"

#include <fstream>
#include <sstream>

#include "archive/asset_archive.h"
#include "base/console_log.h"
#include "tests/temp_folder.h"
#include "tools/assets/archive_writer.h"

namespace fs = std::filesystem;

void ArchiveTest::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    directory = fs::path(tempDir()) /
                ("asset_archive_" + std::string(info->test_suite_name()) + "_" + info->name());
    fs::remove_all(directory);
    fs::create_directories(directory);
    savedArchivePath = assetArchivePath;
    savedLogDirectory = logDirectory;
    assetArchivePath = (directory / "assets.ass").string();
    logDirectory = directory.string();
    closeAssetArchive();
    assetIndex.clear();
}

void ArchiveTest::TearDown() {
    closeAssetArchive();
    assetIndex.clear();
    assetArchivePath = savedArchivePath;
    logDirectory = savedLogDirectory;
    fs::remove_all(directory);
}

void ArchiveTest::writeArchiveFile(const std::string& bytes) {
    // A death test's child takes the process's temporary folder with it.
    fs::create_directories(directory);
    std::ofstream out(assetArchivePath, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void ArchiveTest::openPacked(const std::vector<GeneratedAsset>& assets, const std::string& header) {
    std::string error;
    std::string index = buildArchiveIndex(header, assets, error);
    ASSERT_TRUE(error.empty()) << error;
    writeArchiveFile(gzipArchive(index, assets));
    emptyConsoleLog();
    openAssetArchive();
}

std::vector<std::string> ArchiveTest::logLines() const {
    std::ifstream in(directory / "console.log", std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool ArchiveTest::logged(const std::string& line) const {
    for (const std::string& each : logLines())
        if (each == line) return true;
    return false;
}

std::string int32Bytes(int32_t value) {
    uint32_t bits = static_cast<uint32_t>(value);
    std::string out;
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>(bits >> shift & 0xff));
    return out;
}

std::string entryBytes(const std::string& name, int32_t offset, int32_t size) {
    return int32Bytes(static_cast<int32_t>(name.size())) + name + int32Bytes(offset) +
           int32Bytes(size);
}

std::string gzipped(const std::string& raw) {
    return gzipDeterministic({&raw});
}
