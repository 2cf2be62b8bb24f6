// The persisted settings: the file format, load rules, presets, password
// blob and the atomic save.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "base/console_log.h"
#include "platform/settings_store.h"
#include "protocol/encodings.h"
#include "settings/settings.h"
#include "shell/window.h"
#include "temp_folder.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

static void resetSettingsGlobals() {
    ScreenWidth = ScreenHeight = 0;
    AAlevel = 16;
    VSync = 1;
    VisualQuality = 3;
    MotionBlur = 1;
    controls = 0;
    Fullscreen = 1;
    Buffer = 0;
    MusicVol = SoundVol = MasterVol = 10;
    Muted = 0;
    TuteControl = TutePup = TuteCombo = TuteComboNow = TuteColor = 0;
    TuteZent = TuteRush = TuteSurvival = TuteMeditation = Colorblind = 0;
    Username = storedPasswordBlob = loginPassword = "";
    anisotropyWanted = 0;
    resolutionIndex = -1;
}

// Values no load leaves in place, so a value that is not read shows.
static void clobberSettingsGlobals() {
    ScreenWidth = ScreenHeight = AAlevel = VSync = VisualQuality = MotionBlur = 5;
    controls = Fullscreen = Buffer = 5;
    MusicVol = SoundVol = MasterVol = 5;
    Muted = 5;
    TuteControl = TutePup = TuteCombo = TuteComboNow = TuteColor = 5;
    TuteZent = TuteRush = TuteSurvival = TuteMeditation = Colorblind = 5;
    anisotropyWanted = 5;
    Username = "junk";
    storedPasswordBlob = loginPassword = "junk";
    resolutionIndex = 5;
}

// A password blob as the server makes it: private-key RSA, Base64 on one line.
static std::string makePasswordBlob(const std::string& password) {
    std::string privateKey = serverPrivateKey();
    std::string blob = base64Encode(rsaPrivateEncryptChunks(password, privateKey));
    blob.erase(std::remove(blob.begin(), blob.end(), '\n'), blob.end());
    return blob;
}

class SettingsTest : public ::testing::Test {
  protected:
    fs::path root;

    void SetUp() override {
        std::random_device random;
        root = fs::temp_directory_path() / ("zentrix_settings_" + std::to_string(random()));
        fs::create_directories(root);
        settingsDirOverride = (root / "config").string();
        logDirectory = root.string();
        consoleHistory.clear();
        displayModes = {{1280, 720}, {1920, 1080}};
        resetSettingsGlobals();
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(root / "config", fs::perms::owner_all, ignored);
        fs::remove_all(root, ignored);
        settingsDirOverride.clear();
        logDirectory.clear();
        displayModes.clear();
        resetSettingsGlobals();
    }

    void writeStore(const std::string& text) {
        fs::create_directories(settingsDirOverride);
        std::ofstream(settingsFilePath(), std::ios::binary) << text;
    }
    std::vector<std::string> storedLines() {
        std::vector<std::string> lines;
        std::ifstream in(settingsFilePath());
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    bool consoleLogged(const std::string& start) {
        for (const std::string& line : consoleHistory) {
            if (line.rfind(start, 0) == 0) return true;
        }
        return false;
    }
};

// Whatever save wrote, load reads back: loaded over values no load leaves in
// place, a second save writes the same lines; what is derived follows them.
TEST_F(SettingsTest, LoadRestoresWhatSaveWrote) {
    ScreenWidth = 1280, ScreenHeight = 720, resolutionIndex = 0;
    VSync = 0, VisualQuality = 4, MotionBlur = 1, controls = 1, Fullscreen = 0;
    MusicVol = 6, SoundVol = 2, TutePup = 1, TuteRush = 1, TuteMeditation = 1, Colorblind = 1;
    MasterVol = 3, Muted = 1;
    Username = "alice", storedPasswordBlob = makePasswordBlob("hunter2");
    saveSettings();
    std::vector<std::string> saved = storedLines();
    clobberSettingsGlobals();
    loadSettings();
    saveSettings();
    EXPECT_EQ(storedLines(), saved);
    EXPECT_EQ(resolutionIndex, 0);
    EXPECT_EQ(AAlevel, 16);
    EXPECT_EQ(anisotropyWanted, 1);
    EXPECT_EQ(Buffer, 0);
    EXPECT_EQ(loginPassword, "hunter2");
}

TEST_F(SettingsTest, FirstRunAppliesPresetToDefaults) {
    loadSettings();
    EXPECT_EQ(AAlevel, 8);
    EXPECT_EQ(MotionBlur, 0);
    EXPECT_EQ(anisotropyWanted, 1);
    EXPECT_EQ(VSync, 1);
    EXPECT_EQ(MusicVol, 10);
    EXPECT_EQ(resolutionIndex, -1);
    EXPECT_FALSE(fs::exists(settingsFilePath()));
}

TEST_F(SettingsTest, QualityPresets) {
    struct Case {
        int32_t quality, anisotropy, antialiasing, motionBlur;
    };
    // A stored quality outside 1..4 reads as the default 3.
    const Case cases[] = {{1, 0, 0, 0}, {2, 0, 4, 0}, {3, 1, 8, 0}, {4, 1, 16, 1},
                          {0, 1, 8, 0}, {5, 1, 8, 0}, {-1, 1, 8, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.quality);
        anisotropyWanted = AAlevel = 99;
        writeStore("VisualQuality=" + std::to_string(c.quality) + "\nMotionBlur=1\n");
        loadSettings();
        EXPECT_EQ(anisotropyWanted, c.anisotropy);
        EXPECT_EQ(AAlevel, c.antialiasing);
        EXPECT_EQ(MotionBlur, c.motionBlur);
    }
}

TEST_F(SettingsTest, VolumesLoadAsWholeNumbers) {
    writeStore("MusicVol=7.5\nSoundVol=3.99\n");
    loadSettings();
    EXPECT_EQ(MusicVol, 7);
    EXPECT_EQ(SoundVol, 3);
}

// Every stored number outside its range reads as the setting's default, with
// one console line naming it, and the next save writes the default back.
// Each range is probed just inside and just outside both of its ends.
TEST_F(SettingsTest, ValuesOutOfRangeFallBackToTheirDefaultsOneLineEach) {
    struct Case {
        const char* name;
        int32_t* global;  // null for the volumes
        float* volume;
        int32_t lowest, highest, fallback;
    };
    const Case cases[] = {
        {"VSync", &VSync, nullptr, 0, 1, 1},
        {"VisualQuality", &VisualQuality, nullptr, 1, 4, 3},
        {"MotionBlur", &MotionBlur, nullptr, 0, 1, 1},
        {"MouseFlip", &controls, nullptr, 0, 2, 0},
        {"Fullscreen", &Fullscreen, nullptr, 0, 1, 1},
        {"Colorblind", &Colorblind, nullptr, 0, 1, 0},
        {"Mute", &Muted, nullptr, 0, 1, 0},
        {"TuteControl", &TuteControl, nullptr, 0, 1, 0},
        {"TutePup", &TutePup, nullptr, 0, 1, 0},
        {"TuteCombo", &TuteCombo, nullptr, 0, 1, 0},
        {"TuteComboNow", &TuteComboNow, nullptr, 0, 1, 0},
        {"TuteColor", &TuteColor, nullptr, 0, 1, 0},
        {"TuteZent", &TuteZent, nullptr, 0, 1, 0},
        {"TuteRush", &TuteRush, nullptr, 0, 1, 0},
        {"TuteSurvival", &TuteSurvival, nullptr, 0, 1, 0},
        {"TuteMeditation", &TuteMeditation, nullptr, 0, 1, 0},
        {"MusicVol", nullptr, &MusicVol, 0, 10, 10},
        {"SoundVol", nullptr, &SoundVol, 0, 10, 10},
        {"MasterVol", nullptr, &MasterVol, 0, 10, 10},
    };
    auto current = [](const Case& c) {
        return c.global ? *c.global : static_cast<int32_t>(*c.volume);
    };
    for (const Case& c : cases) {
        for (int32_t stored : {c.lowest - 1, c.lowest, c.highest, c.highest + 1}) {
            SCOPED_TRACE(std::string(c.name) + "=" + std::to_string(stored));
            bool inRange = stored >= c.lowest && stored <= c.highest;
            resetSettingsGlobals();
            consoleHistory.clear();
            writeStore(std::string(c.name) + "=" + std::to_string(stored) + "\n");
            loadSettings();
            // The quality presets rewrite MotionBlur after the load.
            if (std::string(c.name) != "MotionBlur") {
                EXPECT_EQ(current(c), inRange ? stored : c.fallback);
            }
            EXPECT_EQ(consoleLogged("Settings file " + settingsFilePath() + ": " + c.name + "="),
                      !inRange);
            if (inRange) continue;
            saveSettings();
            std::map<std::string, std::string> values;
            ASSERT_TRUE(readSettingsStore(values));
            EXPECT_NE(values[c.name], std::to_string(stored)) << "the damage is not saved back";
        }
    }
}

// The window size: both sides within the display's modes (at least 640 x 480)
// or the desktop size, which is stored as 0.
TEST_F(SettingsTest, AScreenSizeOutsideTheDisplayTakesTheDesktopSize) {
    struct Case {
        const char* stored;
        int32_t width, height;
        int lines;
    };
    const Case cases[] = {
        {"ScreenWidth=640\nScreenHeight=480\n", 640, 480, 0},
        {"ScreenWidth=1920\nScreenHeight=1080\n", 1920, 1080, 0},
        {"ScreenWidth=0\nScreenHeight=0\n", 0, 0, 0},
        {"ScreenWidth=1\nScreenHeight=1\n", 0, 0, 2},
        {"ScreenWidth=639\nScreenHeight=480\n", 0, 0, 2},
        {"ScreenWidth=640\nScreenHeight=479\n", 0, 0, 2},
        {"ScreenWidth=1921\nScreenHeight=1080\n", 0, 0, 2},
        {"ScreenWidth=1920\nScreenHeight=1081\n", 0, 0, 2},
        {"ScreenWidth=20000\nScreenHeight=20000\n", 0, 0, 2},
        {"ScreenWidth=-1280\nScreenHeight=720\n", 0, 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        resetSettingsGlobals();
        consoleHistory.clear();
        writeStore(c.stored);
        loadSettings();
        EXPECT_EQ(ScreenWidth, c.width);
        EXPECT_EQ(ScreenHeight, c.height);
        int lines = 0;
        for (const std::string& line : consoleHistory)
            lines += line.find("out of range") != std::string::npos;
        EXPECT_EQ(lines, c.lines);
    }
}

TEST_F(SettingsTest, SingleCharacterNameClearsNameAndPassword) {
    std::string blob = makePasswordBlob("secret");
    for (const char* name : {"0", "x"}) {
        SCOPED_TRACE(name);
        writeStore(std::string("Username=") + name + "\nPassword=" + blob + "\n");
        loadSettings();
        EXPECT_EQ(Username, "");
        EXPECT_EQ(loginPassword, "");
    }
    writeStore("Username=xy\nPassword=" + blob + "\n");
    loadSettings();
    EXPECT_EQ(Username, "xy");
    EXPECT_EQ(loginPassword, "secret");
}

TEST_F(SettingsTest, SaveWithoutUserWritesZeros) {
    saveSettings();
    std::map<std::string, std::string> values;
    ASSERT_TRUE(readSettingsStore(values));
    EXPECT_EQ(values["Username"], "0");
    EXPECT_EQ(values["Password"], "0");
    loadSettings();
    EXPECT_EQ(Username, "");
    EXPECT_EQ(loginPassword, "");
}

TEST_F(SettingsTest, MissingValueKeepsCurrentGlobal) {
    MusicVol = 4, Username = "bob", TuteZent = 1, ScreenWidth = 800;
    writeStore("VSync=1\nVSync=0\n");
    loadSettings();
    EXPECT_EQ(VSync, 0);  // the later duplicate wins
    EXPECT_EQ(MusicVol, 4);
    EXPECT_EQ(Username, "bob");
    EXPECT_EQ(TuteZent, 1);
    EXPECT_EQ(ScreenWidth, 800);
}

TEST_F(SettingsTest, DamagedLinesAreSkipped) {
    std::string huge(100000, '9');
    std::string text = "VSync=0\r\n";
    text += "no equals sign\n=5\n\x01\x02=3\n";
    text += "Fullscreen=" + huge + "\n";
    text += "Colorblind=1\0\n"s;
    text += "Tute\0Zent=1\n"s;
    text += "\xff\xfe\x80garbage\x00\x7f\n"s;
    text += "Username=carol\r\nMusicVol=3";  // last line cut without a newline
    writeStore(text);
    loadSettings();
    EXPECT_EQ(VSync, 0);
    EXPECT_EQ(Fullscreen, 1);
    EXPECT_EQ(Colorblind, 1);
    EXPECT_EQ(TuteZent, 0);
    EXPECT_EQ(Username, "carol");
    EXPECT_EQ(MusicVol, 3);
    EXPECT_TRUE(consoleLogged("Settings file " + settingsFilePath() + ": skipped 6 damaged"));
}

// A name or value at its limit is read; one byte more and the line is skipped.
TEST_F(SettingsTest, NamesAndValuesAtTheirLimitsAreReadOneMoreIsSkipped) {
    const struct {
        size_t nameBytes, valueBytes;
        bool read;
    } cases[] = {
        {settingsNameLimit, 1, true},
        {settingsNameLimit + 1, 1, false},
        {1, settingsValueLimit, true},
        {1, settingsValueLimit + 1, false},
    };
    for (const auto& c : cases) {
        std::string name(c.nameBytes, 'N'), value(c.valueBytes, '7');
        writeStore("VSync=0\n" + name + "=" + value + "\n");
        std::map<std::string, std::string> values;
        SettingsStoreDamage damage;
        ASSERT_TRUE(readSettingsStore(values, &damage));
        EXPECT_EQ(values.count(name), c.read ? 1u : 0u) << c.nameBytes << " " << c.valueBytes;
        EXPECT_EQ(damage.skippedLines, c.read ? 0u : 1u);
        EXPECT_EQ(values["VSync"], "0");
    }
}

// Found by the settings fuzzer: a carriage return before a NUL survived the
// load but not the save, so the second load read another name.
TEST_F(SettingsTest, StrayCarriageReturnLoadsAsItWillBeSaved) {
    writeStore("\xef\xbb\xbfUsername=n\r\0\0\n l\nMusicVol=2\r\r\n"s);
    loadSettings();
    EXPECT_EQ(Username, "");  // "n" alone is how an empty name reads back
    EXPECT_EQ(MusicVol, 2);
    writeStore("Username=er\rin\0\n"s);
    loadSettings();
    EXPECT_EQ(Username, "erin");
    saveSettings();
    loadSettings();
    EXPECT_EQ(Username, "erin");
}

TEST_F(SettingsTest, RandomBytesNeverBreakTheLoader) {
    std::mt19937 random(12345);
    for (int round = 0; round < 20; round++) {
        std::string text(4096, '\0');
        for (char& c : text) c = static_cast<char>(random());
        // Values the loader must still find between the garbage.
        writeStore(text + "\nUsername=dave\n" + text + "\nPassword=" + text.substr(0, 300));
        loadSettings();
        EXPECT_EQ(Username, "dave");
    }
}

TEST_F(SettingsTest, OversizedFileIsReadUpToTheCap) {
    std::string line = "Colorblind=1\n";
    std::string text;
    while (text.size() < settingsFileLimit - 10) text += line;
    text += "Fullscreen=0" + std::string(settingsFileLimit, '0') + "\nVSync=0\n";
    writeStore(text);
    std::map<std::string, std::string> values;
    SettingsStoreDamage damage;
    ASSERT_TRUE(readSettingsStore(values, &damage));
    EXPECT_TRUE(damage.truncated);
    EXPECT_EQ(values["Colorblind"], "1");
    EXPECT_EQ(values.count("Fullscreen"), 0u);  // cut by the cap
    EXPECT_EQ(values.count("VSync"), 0u);       // beyond the cap
    loadSettings();
    EXPECT_EQ(Colorblind, 1);
    EXPECT_TRUE(consoleLogged("Settings file " + settingsFilePath() + " is too large"));
}

TEST_F(SettingsTest, ScreenSizeOutsideModeListIsKept) {
    ScreenWidth = 1000, ScreenHeight = 700;
    saveSettings();
    ScreenWidth = ScreenHeight = 0;
    loadSettings();
    EXPECT_EQ(ScreenWidth, 1000);
    EXPECT_EQ(ScreenHeight, 700);
    EXPECT_EQ(resolutionIndex, -1);
}

TEST_F(SettingsTest, ResetTutorialsClearsAndSaves) {
    TuteControl = TutePup = TuteCombo = TuteComboNow = TuteColor = 1;
    TuteZent = TuteRush = TuteSurvival = TuteMeditation = Colorblind = 1;
    resetTutorials();
    EXPECT_EQ(TuteControl + TutePup + TuteCombo + TuteComboNow + TuteColor + TuteZent + TuteRush +
                  TuteSurvival + TuteMeditation,
              0);
    std::map<std::string, std::string> values;
    ASSERT_TRUE(readSettingsStore(values));
    EXPECT_EQ(values["TuteMeditation"], "0");
    EXPECT_EQ(values["Colorblind"], "1");
}

// A disk that takes no byte (a file size limit of 0 refuses every write, even
// root's): the save fails, says so, and the old file stays whole.
void saveOnAFullDiskAndExit() {
    rlimit nothing = {0, 0};
    signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &nothing);
    saveSettings();
    bool kept = readWholeFile(settingsFilePath()) == "VSync=0\n";
    std::string said = "Could not save settings to " + settingsFilePath();
    bool logged = std::any_of(consoleHistory.begin(), consoleHistory.end(),
                              [&](const std::string& line) { return line.rfind(said, 0) == 0; });
    exit(kept && logged ? 0 : 1);
}

TEST_F(SettingsTest, FailedSaveKeepsOldFileWhenTheDiskRefusesTheWrite) {
    writeStore("VSync=0\n");
    EXPECT_EXIT(saveOnAFullDiskAndExit(), ::testing::ExitedWithCode(0), "");
}

TEST_F(SettingsTest, FailedSaveWhenPathIsAFolder) {
    fs::create_directories(settingsFilePath() + "/old");
    saveSettings();
    EXPECT_TRUE(fs::is_directory(settingsFilePath() + "/old"));
    ASSERT_EQ(consoleHistory.size(), 1u);
    EXPECT_EQ(consoleHistory.back(), "Could not save settings to " + settingsFilePath());
    // The temporary file is gone too.
    size_t entries = std::distance(fs::directory_iterator(settingsDirOverride), {});
    EXPECT_EQ(entries, 1u);
}

TEST_F(SettingsTest, FailedSaveWhenFolderIsAFile) {
    std::ofstream(root / "config") << "not a folder";
    EXPECT_FALSE(writeSettingsStore({{"VSync", "0"}}));
    EXPECT_EQ(readWholeFile(root / "config"), "not a folder");
    loadSettings();  // no store: the first-run presets
    EXPECT_EQ(AAlevel, 8);
}

TEST_F(SettingsTest, PasswordBlobDecodesOrGivesAnEmptyPassword) {
    std::string longPassword(300, 'p');  // more than one RSA block
    for (const std::string& password : {std::string("s3cret"), longPassword}) {
        std::string blob = makePasswordBlob(password);
        writeStore("Username=erin\nPassword=" + blob + "\n");
        loadSettings();
        EXPECT_EQ(loginPassword, password);
        EXPECT_EQ(storedPasswordBlob, blob);
    }
    writeStore("Username=erin\nPassword=QUJDREVGRw==\n");
    loadSettings();
    EXPECT_EQ(loginPassword, "");
    EXPECT_EQ(storedPasswordBlob, "QUJDREVGRw==");
    EXPECT_TRUE(consoleLogged("The stored password could not be decoded"));
}

// Leading blanks and one sign are skipped; the digits stop at the first
// other character and saturate at the ends of int32.
TEST(SettingsFormat, ParseDecimalPrefix) {
    const std::pair<const char*, int32_t> cases[] = {
        {"", 0},
        {"abc", 0},
        {"12abc", 12},
        {"-5", -5},
        {"+5", 5},
        {"-", 0},
        {"7.5", 7},
        {"  1280", 1280},
        {"\t-3", -3},
        {" +8 ", 8},
        {"   ", 0},
        {"- 3", 0},
        {"2147483647", 2147483647},
        {"99999999999", 2147483647},
        {"-99999999999", -2147483647 - 1},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(parseDecimalPrefix(text), value) << text;
}

TEST(SettingsFormat, FloatsUseSixSignificantDigits) {
    EXPECT_EQ(formatSettingFloat(10), "10");
    EXPECT_EQ(formatSettingFloat(0), "0");
    EXPECT_EQ(formatSettingFloat(7.5), "7.5");
    EXPECT_EQ(formatSettingFloat(1920), "1920");
    EXPECT_EQ(formatSettingFloat(1234567), "1.23457e+06");
}

// Sets an environment variable for one scope and puts the old value back.
struct ScopedEnvironment {
    std::string name, oldValue;
    bool hadValue;
    ScopedEnvironment(const char* variable, const char* value) : name(variable) {
        const char* old = getenv(variable);
        hadValue = old != nullptr;
        oldValue = old ? old : "";
        set(value);
    }
    ~ScopedEnvironment() { set(hadValue ? oldValue.c_str() : nullptr); }
    void set(const char* value) {
        if (value) {
            setenv(name.c_str(), value, 1);
        } else {
            unsetenv(name.c_str());
        }
    }
};

TEST(SettingsStorePath, FollowsXdgConfigHome) {
    settingsDirOverride.clear();
    ScopedEnvironment home("HOME", "/home/player");
    {
        ScopedEnvironment xdg("XDG_CONFIG_HOME", "/tmp/xdg");
        EXPECT_EQ(settingsFilePath(), "/tmp/xdg/Brisko/Zentrix/settings.ini");
    }
    for (const char* unusable : {(const char*)nullptr, "", "relative/dir"}) {
        ScopedEnvironment xdg("XDG_CONFIG_HOME", unusable);
        EXPECT_EQ(settingsFilePath(), "/home/player/.config/Brisko/Zentrix/settings.ini");
    }
    settingsDirOverride = "/some/dir";
    EXPECT_EQ(settingsFilePath(), "/some/dir/settings.ini");
    settingsDirOverride.clear();
}
