// The player's persisted settings: defaults, loading with the quality
// presets and the stored password, and saving every value at once.
#include "settings/settings.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <map>
#include <utility>
#include <vector>

#include "base/console_log.h"
#include "platform/settings_store.h"
#include "protocol/encodings.h"

using StoredValues = std::map<std::string, std::string>;
using StoreLines = std::vector<std::pair<std::string, std::string>>;

struct IntegerSetting {
    const char* name;
    int32_t* global;
};

// A stored whole number outside [lowest, highest] is damage: the setting
// takes its default instead, and the console log says so.
struct RangedSetting {
    const char* name;
    int32_t* global;
    int32_t lowest, highest, fallback;
};

// The whole-number values in the order they are read (the screen size apart).
static const RangedSetting integersRead[] = {
    {"VSync", &VSync, 0, 1, 1},
    {"VisualQuality", &VisualQuality, lowestVisualQuality, highestVisualQuality, 3},
    {"MotionBlur", &MotionBlur, 0, 1, 1},
    {"TuteControl", &TuteControl, 0, 1, 0},
    {"TutePup", &TutePup, 0, 1, 0},
    {"TuteCombo", &TuteCombo, 0, 1, 0},
    {"TuteComboNow", &TuteComboNow, 0, 1, 0},
    {"TuteColor", &TuteColor, 0, 1, 0},
    {"TuteZent", &TuteZent, 0, 1, 0},
    {"TuteRush", &TuteRush, 0, 1, 0},
    {"TuteSurvival", &TuteSurvival, 0, 1, 0},
    {"TuteMeditation", &TuteMeditation, 0, 1, 0},
    {"Colorblind", &Colorblind, 0, 1, 0},
    {"Mute", &Muted, 0, 1, 0},
    {"MouseFlip", &controls, 0, 2, 0},
    {"Fullscreen", &Fullscreen, 0, 1, 1},
    // Reset to 0 by every load whatever it held.
    {"Buffer", &Buffer, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(),
     0},
};

// The whole-number values written between the volumes and the user name.
static const IntegerSetting tutorialFlagsWritten[] = {
    {"TuteControl", &TuteControl},
    {"TuteCombo", &TuteCombo},
    {"TuteComboNow", &TuteComboNow},
    {"TuteColor", &TuteColor},
    {"TuteZent", &TuteZent},
    {"TutePup", &TutePup},
    {"TuteRush", &TuteRush},
    {"TuteSurvival", &TuteSurvival},
    {"TuteMeditation", &TuteMeditation},
    {"Colorblind", &Colorblind},
    {"Mute", &Muted},
};

struct QualityPreset {
    int32_t anisotropy;
    int32_t antialiasing;
    bool motionBlurOff;  // the top quality keeps the loaded MotionBlur
};

constexpr int32_t lowestQuality = lowestVisualQuality;
static const QualityPreset qualityPresets[] = {
    {0, 0, true},
    {0, 4, true},
    {1, 8, true},
    {1, 16, false},
};
constexpr int32_t presetCount = sizeof(qualityPresets) / sizeof(qualityPresets[0]);

static const char emptyStoredText[] = "0";  // how an empty name or blob is stored
constexpr size_t rsaBlockBytes = 128;

int32_t parseDecimalPrefix(const std::string& text) {
    // Like the C runtime's decimal parse, leading blanks come before the sign.
    size_t position = text.find_first_not_of(" \t\n\v\f\r");
    if (position == std::string::npos) return 0;
    bool negative = text[position] == '-';
    if (negative || text[position] == '+') position++;
    // Stops growing at the int32 limit, so long digit runs clamp instead of overflowing.
    const int64_t limit = negative ? -int64_t(std::numeric_limits<int32_t>::min())
                                   : int64_t(std::numeric_limits<int32_t>::max());
    int64_t magnitude = 0;
    for (; position < text.size() && text[position] >= '0' && text[position] <= '9'; position++) {
        magnitude = std::min(magnitude * 10 + (text[position] - '0'), limit);
    }
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

std::string formatSettingFloat(double value) {
    char text[32];
    snprintf(text, sizeof(text), "%g", value);
    return text;
}

static void logOutOfRange(const char* name, const std::string& stored, const std::string& used) {
    logConsole("Settings file " + settingsFilePath() + ": " + name + "=" + stored +
               " is out of range; using " + used);
}

static void readIntegers(const StoredValues& values) {
    for (const RangedSetting& setting : integersRead) {
        auto found = values.find(setting.name);
        if (found == values.end()) continue;
        int32_t value = parseDecimalPrefix(found->second);
        bool inRange = value >= setting.lowest && value <= setting.highest;
        *setting.global = inRange ? value : setting.fallback;
        if (!inRange) logOutOfRange(setting.name, found->second, std::to_string(setting.fallback));
    }
}

// The largest size the display offers bounds the window; without a mode
// list (tools, tests) the largest texture any driver here makes.
static std::pair<int32_t, int32_t> largestScreenSize() {
    if (displayModes.empty()) return {largestScreenSide, largestScreenSide};
    float width = 0, height = 0;
    for (const auto& mode : displayModes) {
        width = std::max(width, mode.first);
        height = std::max(height, mode.second);
    }
    return {static_cast<int32_t>(width), static_cast<int32_t>(height)};
}

// Width and height go together: either both fit, or the window takes the
// desktop size (stored 0). A missing value keeps the current one.
static void readScreenSize(const StoredValues& values) {
    auto width = values.find("ScreenWidth"), height = values.find("ScreenHeight");
    if (width == values.end() && height == values.end()) return;
    int32_t w = width == values.end() ? ScreenWidth : parseDecimalPrefix(width->second);
    int32_t h = height == values.end() ? ScreenHeight : parseDecimalPrefix(height->second);
    auto [widest, tallest] = largestScreenSize();
    bool desktop = w == 0 && h == 0;
    bool fits =
        w >= smallestScreenWidth && w <= widest && h >= smallestScreenHeight && h <= tallest;
    if (desktop || fits) {
        ScreenWidth = w;
        ScreenHeight = h;
        return;
    }
    ScreenWidth = ScreenHeight = 0;
    if (width != values.end()) logOutOfRange("ScreenWidth", width->second, "the desktop width");
    if (height != values.end()) logOutOfRange("ScreenHeight", height->second, "the desktop height");
}

// Volumes are stored as float text but read back as whole numbers within
// the options slider's 0 to 10: a damaged file must not make the game
// deafening, so anything outside falls back to the default.
static void readVolume(const StoredValues& values, const char* name, float& volume) {
    auto found = values.find(name);
    if (found == values.end()) return;
    float whole = static_cast<float>(parseDecimalPrefix(found->second));
    bool inRange = whole >= lowestVolume && whole <= highestVolume;
    volume = inRange ? whole : defaultVolume;
    if (!inRange) logOutOfRange(name, found->second, formatSettingFloat(defaultVolume));
}

static void readText(const StoredValues& values, const char* name, std::string& text) {
    auto found = values.find(name);
    if (found != values.end()) text = found->second;
}

static void decodeStoredPassword() {
    std::string encrypted = base64Decode(storedPasswordBlob);
    if (encrypted.empty()) {
        loginPassword.clear();
        return;
    }
    loginPassword = rsaDecryptChunks(encrypted, serverPublicKey);
    if (loginPassword.empty() || encrypted.size() % rsaBlockBytes != 0) {
        logConsole("The stored password could not be decoded");
    }
}

static void logStoreDamage(const SettingsStoreDamage& damage) {
    if (damage.truncated) {
        logConsole("Settings file " + settingsFilePath() + " is too large; read its first " +
                   std::to_string(settingsFileLimit) + " bytes");
    }
    if (damage.skippedLines > 0) {
        logConsole("Settings file " + settingsFilePath() + ": skipped " +
                   std::to_string(damage.skippedLines) + " damaged lines");
    }
}

static void readStoredSettings(const StoredValues& values) {
    readScreenSize(values);
    readIntegers(values);
    readVolume(values, "MusicVol", MusicVol);
    readVolume(values, "SoundVol", SoundVol);
    readVolume(values, "MasterVol", MasterVol);
    readText(values, "Username", Username);
    readText(values, "Password", storedPasswordBlob);
}

void applyQualityPresets() {
    if (VisualQuality < lowestQuality || VisualQuality >= lowestQuality + presetCount) return;
    const QualityPreset& preset = qualityPresets[VisualQuality - lowestQuality];
    anisotropyWanted = preset.anisotropy;
    AAlevel = preset.antialiasing;
    if (preset.motionBlurOff) MotionBlur = 0;
}

void loadSettings() {
    StoredValues values;
    SettingsStoreDamage damage;
    settingsFileFound = readSettingsStore(values, &damage);
    if (settingsFileFound) {
        logStoreDamage(damage);
        readStoredSettings(values);
        decodeStoredPassword();
    }
    // A one-character name is what an empty name ("0") reads back as.
    if (Username.size() == 1) {
        Username.clear();
        loginPassword.clear();
    }
    applyQualityPresets();
    resolutionIndex = findDisplayMode(ScreenWidth, ScreenHeight);
    Buffer = 0;
}

// The chosen display mode; the current size when none is chosen, so a
// size missing from the mode list is never lost.
static void addScreenSize(StoreLines& lines) {
    bool chosen = resolutionIndex >= 0 && size_t(resolutionIndex) < displayModes.size();
    if (chosen) {
        lines.emplace_back("ScreenWidth", formatSettingFloat(displayModes[resolutionIndex].first));
        lines.emplace_back("ScreenHeight",
                           formatSettingFloat(displayModes[resolutionIndex].second));
        return;
    }
    lines.emplace_back("ScreenWidth", std::to_string(ScreenWidth));
    lines.emplace_back("ScreenHeight", std::to_string(ScreenHeight));
}

static void addInteger(StoreLines& lines, const char* name, int32_t value) {
    lines.emplace_back(name, std::to_string(value));
}

static std::string storedText(const std::string& text) {
    return text.empty() ? emptyStoredText : text;
}

static StoreLines settingsLines() {
    StoreLines lines;
    addScreenSize(lines);
    addInteger(lines, "AAlevel", AAlevel);
    addInteger(lines, "VSync", VSync);
    addInteger(lines, "VisualQuality", VisualQuality);
    addInteger(lines, "MotionBlur", MotionBlur);
    addInteger(lines, "MouseFlip", controls);
    addInteger(lines, "Fullscreen", Fullscreen);
    addInteger(lines, "Buffer", Buffer);
    lines.emplace_back("MusicVol", formatSettingFloat(MusicVol));
    lines.emplace_back("SoundVol", formatSettingFloat(SoundVol));
    lines.emplace_back("MasterVol", formatSettingFloat(MasterVol));
    for (const IntegerSetting& setting : tutorialFlagsWritten) {
        addInteger(lines, setting.name, *setting.global);
    }
    lines.emplace_back("Username", storedText(Username));
    lines.emplace_back("Password", storedText(storedPasswordBlob));
    return lines;
}

void saveSettings() {
    if (settingsSavingOff) return;
    if (!writeSettingsStore(settingsLines())) {
        logConsole("Could not save settings to " + settingsFilePath());
    }
}

void resetTutorials() {
    clearTutorialFlags();
    saveSettings();
}
