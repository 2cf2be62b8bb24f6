// The debug console: its word tree, the suggestions drawn from it, and the
// commands that a typed line runs.
#include "shell/console.h"

#include <cstddef>

#include "base/console_log.h"
#include "base/frame_state.h"
#include "base/profiler.h"
#include "engine/fonts.h"
#include "engine/gl_caps.h"
#include "engine/textures.h"
#include "online/requests.h"
#include "settings/settings.h"
#include "shell/program.h"

bool consoleOpen = false;
std::string consoleLine;
std::string lastConsoleLine;
bool showAtlas = false;
bool showCurlConsole = false;
bool showFps = false;
bool showParticleCount = false;
std::vector<ConsoleWord> consoleWordTree;

static ConsoleWord leafWord(const char* word, const char* hint = "") {
    return {word, hint, {}};
}

// The overlay words that "show" and "hide" offer.
static std::vector<ConsoleWord> overlayWords() {
    return {leafWord("particlecount"), leafWord("profiling"), leafWord("atlas"), leafWord("curl"),
            leafWord("debug")};
}

void buildConsoleWordTree() {
    consoleWordTree = {
        {"set",
         "",
         {leafWord("smalltextures"), leafWord("motionblur"),
          leafWord("atlassize", "power of two [4096]"), leafWord("particledeg")}},
        {"show", "", overlayWords()},
        {"hide", "", overlayWords()},
        {"flush", "", {leafWord("atlas")}},
        {"reload", "", {leafWord("textures"), leafWord("fonts")}},
        {"config", "", {leafWord("load"), leafWord("save")}},
    };
}

static const ConsoleWord* findWord(const std::vector<ConsoleWord>& level, const std::string& word) {
    for (const ConsoleWord& entry : level) {
        if (entry.word == word) return &entry;
    }
    return nullptr;
}

std::vector<const ConsoleWord*> consoleSuggestions(const std::string& typed) {
    std::vector<std::string> words = splitTokens(typed, ' ');
    // The last word is still being typed unless a blank follows it.
    std::string partial;
    if (!typed.empty() && typed.back() != ' ' && !words.empty()) {
        partial = words.back();
        words.pop_back();
    }
    const std::vector<ConsoleWord>* level = &consoleWordTree;
    for (const std::string& word : words) {
        const ConsoleWord* entry = findWord(*level, word);
        if (!entry) return {};
        level = &entry->next;
    }
    std::vector<const ConsoleWord*> found;
    for (const ConsoleWord& entry : *level) {
        if (entry.word.compare(0, partial.size(), partial) == 0) found.push_back(&entry);
    }
    return found;
}

// The atlas side is a power of two; anything else would leave pages the
// packer cannot fill.
static void setAtlasSizeTyped(int32_t value) {
    bool powerOfTwo = value > 0 && (value & (value - 1)) == 0;
    if (!powerOfTwo) {
        logConsole("atlassize must be a power of two, not " + std::to_string(value));
        return;
    }
    setAtlasSize(value);
}

static void runSet(const std::string& name, int32_t value) {
    if (name == "smalltextures") {
        smallTextures = value != 0;
    } else if (name == "motionblur") {
        MotionBlur = value;
    } else if (name == "atlassize") {
        setAtlasSizeTyped(value);
    } else if (name == "particledeg") {
        particleDeg = static_cast<float>(value);
    }
}

// "show" and "hide" share their words; on tells which one ran.
static void runShow(const std::string& name, bool on) {
    if (name == "atlas") {
        showAtlas = on;
    } else if (name == "profiling") {
        profilingOn = on;
    } else if (name == "curlconsole") {
        showCurlConsole = on;
    } else if (name == "fps") {
        showFps = on;
    } else if (name == "particlecount") {
        showParticleCount = on;
    } else if (name == "debug") {
        showParticleCount = on;
        showFps = on;
        profilingOn = on;
    }
}

static void runReload(const std::string& name) {
    if (name == "textures") {
        resetAtlas();
        setupFonts();
        reloadTextures();
    }
    if (name == "fonts") setupFonts();
}

static void runConfig(const std::string& name) {
    if (name == "load") loadSettings();
    if (name == "save") saveSettings();
}

void runConsoleCommand(const std::string& line) {
    std::vector<std::string> words = splitTokens(line, ' ');
    if (words.size() == 3 && words[0] == "set") {
        runSet(words[1], parseDecimalPrefix(words[2]));
        return;
    }
    if (words.size() != 2) return;
    if (words[0] == "show") runShow(words[1], true);
    if (words[0] == "hide") runShow(words[1], false);
    if (words[0] == "reload") runReload(words[1]);
    if (words[0] == "config") runConfig(words[1]);
}
