// A temporary folder of this test process's own: ctest runs test processes
// side by side, so fixed file names would be written and removed under each
// other's feet.
#pragma once

#include <filesystem>
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
