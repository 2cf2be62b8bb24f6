// Shared set-up for the archive tests: a scratch folder for the archive and
// the log, and builders for archives both well-formed and damaged.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/assets/generated_asset.h"

class ArchiveTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Writes `bytes` as the archive file.
    void writeArchiveFile(const std::string& bytes);
    // Packs the assets with the builder's writer and opens the result.
    void openPacked(const std::vector<GeneratedAsset>& assets, const std::string& header = "test");
    // Every line of console.log, in order.
    std::vector<std::string> logLines() const;
    bool logged(const std::string& line) const;

    std::filesystem::path directory;
    std::string savedArchivePath;
    std::string savedLogDirectory;
};

// Little-endian int32, as the index stores it.
std::string int32Bytes(int32_t value);
// One raw index entry.
std::string entryBytes(const std::string& name, int32_t offset, int32_t size);
// Gzip of raw bytes through the builder's compressor.
std::string gzipped(const std::string& raw);
