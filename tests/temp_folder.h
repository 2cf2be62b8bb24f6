// A temporary folder of this test process's own: ctest runs test processes
// side by side, so fixed file names would be written and removed under each
// other's feet. Also the files the tests read back whole.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

// Made at first use, removed at exit.
struct TempFolder {
    std::filesystem::path path;
    TempFolder() {
        std::random_device random;
        path = std::filesystem::temp_directory_path() /
               ("zentrix_test_" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(path);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

inline std::string tempDir() {
    static TempFolder folder;
    // A death test's child removes it on its way out; the parent makes it again.
    std::filesystem::create_directories(folder.path);
    return folder.path.string();
}

// The file's bytes as they are; empty when it cannot be read.
inline std::string readWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

#ifdef ZENTRIX_BUILD_DIR
// The private key the build made for the development server, for tests that
// open or sign what only the server can.
inline std::string serverPrivateKey() {
    return readWholeFile(ZENTRIX_BUILD_DIR "/keys/server_private.pem");
}
#endif
