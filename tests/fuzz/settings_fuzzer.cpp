// libFuzzer target: any bytes as the settings file. Whatever it holds, the
// game loads it, and what it then saves loads back to the same settings:
// saving twice in a row writes the same file.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/settings_store.h"
#include "settings/settings.h"
#include "tests/fuzz/fuzz_support.h"

static std::string readWhole(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

static std::string loadAndSave() {
    loadSettings();
    saveSettings();
    return readWhole(settingsFilePath());
}

// Every run starts from the first-run values, whatever the last input left.
static void firstRunValues() {
    ScreenWidth = 1920, ScreenHeight = 1080, VisualQuality = 3, MotionBlur = 1, AAlevel = 16;
    Username.clear();
    storedPasswordBlob.clear();
    loginPassword.clear();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    quietGame();
    settingsDirOverride = fuzzScratch() + "/settings";
    firstRunValues();
    saveSettings();
    writeFuzzFile(settingsFilePath(), fuzzBytes(data, size));
    std::string first = loadAndSave();
    std::string second = loadAndSave();
    if (first != second) {
        fprintf(stderr, "first save:\n%s\nsecond save:\n%s\n", first.c_str(), second.c_str());
        __builtin_trap();
    }
    return 0;
}
