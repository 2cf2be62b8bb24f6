#include "shell/launch_options.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "base/console_log.h"
#include "base/game_state.h"
#include "game/meter.h"
#include "game/modes.h"
#include "platform/gamepad.h"
#include "platform/input_state.h"
#include "platform/window.h"
#include "settings/settings.h"
#include "shell/state_table.h"
#include "sound/sound_log.h"

LaunchOptions launchOptions;
std::vector<ScriptCommand> launchScript;

static bool parseWholeNumber(const std::string& text, int64_t& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    long long parsed = strtoll(text.c_str(), &end, 10);
    if (*end != '\0') return false;
    value = parsed;
    return true;
}

static bool parseWindowSize(const std::string& text, LaunchOptions& options) {
    size_t x = text.find('x');
    int64_t width = 0, height = 0;
    if (x == std::string::npos || !parseWholeNumber(text.substr(0, x), width) ||
        !parseWholeNumber(text.substr(x + 1), height))
        return false;
    if (width < 64 || height < 64 || width > 16384 || height > 16384) return false;
    options.windowedWidth = static_cast<int32_t>(width);
    options.windowedHeight = static_cast<int32_t>(height);
    return true;
}

static const char* const rankedPrefix = "ranked:";

bool parseStartMode(const std::string& whole, int32_t& mode, int32_t& level, bool& ranked) {
    static const char* const names[] = {"casual", "normal",   "expert",
                                        "rush",   "survival", "meditation"};
    ranked = whole.rfind(rankedPrefix, 0) == 0;
    std::string text = ranked ? whole.substr(strlen(rankedPrefix)) : whole;
    size_t colon = text.find(':');
    std::string name = text.substr(0, colon);
    mode = 0;
    for (int32_t i = 0; i < 6; i++)
        if (name == names[i]) mode = ModeCasual + i;
    level = 0;
    if (colon != std::string::npos) {
        char* end = nullptr;
        long parsed = strtol(text.c_str() + colon + 1, &end, 10);
        if (*end != '\0' || parsed < 1 || parsed > lastClassicLevelIndex + 1) return false;
        level = static_cast<int32_t>(parsed);
    }
    return mode != 0;
}

static bool validStartMode(const std::string& text) {
    int32_t mode = 0, level = 0;
    bool ranked = false;
    return parseStartMode(text, mode, level, ranked);
}

// Applies one option that takes a value; false when the value is malformed.
static bool applyValueOption(const std::string& name, const std::string& value,
                             LaunchOptions& options) {
    int64_t number = 0;
    if (name == "--windowed") return parseWindowSize(value, options);
    if (name == "--config-dir") return !(options.configDir = value).empty();
    if (name == "--server") return !(options.serverUrl = value).empty();
    if (name == "--script") return !(options.scriptPath = value).empty();
    if (name == "--sound-log") return !(options.soundLogPath = value).empty();
    if (name == "--replay") return !(options.replayPath = value).empty();
    if (name == "--start") return validStartMode(options.startMode = value);
    if (name == "--seed" && parseWholeNumber(value, number) && number >= 0) {
        options.hasSeed = true;
        options.seed = static_cast<uint32_t>(number);
        return true;
    }
    if (name == "--fixed-step" && parseWholeNumber(value, number) && number > 0 && number < 1000)
        return (options.fixedStepMs = static_cast<float>(number)) > 0;
    if (name == "--frames" && parseWholeNumber(value, number) && number > 0)
        return (options.frameLimit = number) > 0;
    return false;
}

static bool applyFlagOption(const std::string& name, LaunchOptions& options) {
    if (name == "--offline") return options.offline = true;
    if (name == "--autoplay") return options.autoplay = true;
    if (name == "--clear-level") return options.clearLevel = true;
    if (name == "--no-dialogs") return options.noDialogs = true;
    if (name == "--help") return options.showHelp = true;
    if (name == "--version") return options.showVersion = true;
    return false;
}

bool parseLaunchOptions(int argc, char** argv, LaunchOptions& options, std::string& error) {
    static const char* valueOptions[] = {"--windowed",  "--config-dir", "--server",     "--script",
                                         "--start",     "--seed",       "--fixed-step", "--frames",
                                         "--sound-log", "--replay"};
    for (int i = 1; i < argc; i++) {
        std::string name = argv[i];
        bool takesValue = false;
        for (const char* known : valueOptions) takesValue |= name == known;
        if (!takesValue) {
            if (applyFlagOption(name, options)) continue;
            error = "unknown option " + name;
            return false;
        }
        if (i + 1 >= argc || !applyValueOption(name, argv[i + 1], options)) {
            error = "bad or missing value for " + name;
            return false;
        }
        i++;
    }
    return true;
}

const char launchUsageLine[] =
    "Usage: zentrix [OPTION]...\nTry 'zentrix --help' for more information.\n";

std::string launchHelpText() {
    return "Usage: zentrix [OPTION]...\n"
           "Zentrix, a 3D block-puzzle action game. Without options it starts as\n"
           "the player left it; the options below serve tests and development.\n\n"
           "  --windowed WxH       play in a window of that size this time\n"
           "  --config-dir DIR     keep the settings in DIR\n"
           "  --server URL         talk to the game server at URL\n"
           "  --offline            start offline, send no requests\n"
           "  --seed N             seed the random numbers with N\n"
           "  --fixed-step MS      every frame lasts MS milliseconds\n"
           "  --frames N           quit after N frames\n"
           "  --script FILE        play timed input from FILE\n"
           "  --start MODE[:LEVEL] go straight into a game (casual, normal, expert,\n"
           "                       rush, survival, meditation; level 1 to 10)\n"
           "  --autoplay           let the bot play\n"
           "  --replay FILE        show a recorded level as it was played (offline)\n"
           "  --sound-log FILE     list every sound played in FILE\n"
           "  --no-dialogs         log message boxes instead of showing them\n"
           "  --help               show this help and quit\n"
           "  --version            show the version and quit\n\n"
           "Logs (console.log, trace.log) go to $XDG_STATE_HOME/zentrix when the game\n"
           "is installed, else to the folder it starts in. Settings live in\n"
           "$XDG_CONFIG_HOME/Brisko/Zentrix/settings.ini.\n";
}

std::string launchVersionText(const std::string& version) {
    return "zentrix " + version +
           "\nCopyright (C) 2026 Brisko Game Studios\n"
           "This is free software: you are free to change and redistribute it.\n";
}

void anchorScriptPaths(const std::string& folder) {
    for (ScriptCommand& command : launchScript) {
        if (command.action == "shot" && !command.argument.empty() && command.argument[0] != '/')
            command.argument = folder + "/" + command.argument;
    }
}

// ---- scripts ----

static bool knownStateName(const std::string& name) {
    for (int i = 0; i < gameStateCount(); i++)
        if (name == gameStateAt(i).name) return true;
    return false;
}

// "120", or "ScoreScreen+40", "Menu#2+30".
static bool parseScriptFrame(const std::string& word, ScriptCommand& command) {
    int64_t number = 0;
    size_t plus = word.rfind('+');
    if (plus == std::string::npos) return parseWholeNumber(word, command.frame);
    if (!parseWholeNumber(word.substr(plus + 1), command.frame)) return false;
    std::string anchor = word.substr(0, plus);
    size_t hash = anchor.find('#');
    if (hash != std::string::npos) {
        if (!parseWholeNumber(anchor.substr(hash + 1), number) || number < 1) return false;
        command.anchorEntry = static_cast<int32_t>(number);
        anchor.resize(hash);
    }
    command.anchor = anchor;
    return knownStateName(anchor);
}

// "pad attach", "pad detach", "pad press BUTTON", "pad release BUTTON",
// "pad axis AXIS VALUE": the virtual controller, through SDL's own layer.
static bool parsePadCommand(std::istringstream& words, ScriptCommand& command) {
    std::string verb, name;
    words >> verb;
    command.argument = verb;
    if (verb == "attach" || verb == "detach") return true;
    if (!(words >> name)) return false;
    if (verb == "press" || verb == "release") {
        command.x = padButtonFromName(name.c_str());
        return command.x >= 0;
    }
    command.x = padAxisFromName(name.c_str());
    return verb == "axis" && command.x >= 0 && static_cast<bool>(words >> command.amount);
}

static bool parseScriptLine(const std::string& line, ScriptCommand& command) {
    std::istringstream words(line);
    std::string frame;
    if (!(words >> frame >> command.action) || !parseScriptFrame(frame, command) ||
        command.frame < 0)
        return false;
    const std::string& action = command.action;
    if (action == "move") return static_cast<bool>(words >> command.x >> command.y);
    if (action == "wheel") return static_cast<bool>(words >> command.amount);
    if (action == "key") {
        words >> command.argument;
        return virtualKeyFromName(command.argument) != 0;
    }
    if (action == "shot") return static_cast<bool>(words >> command.argument);
    if (action == "keyup") {
        words >> command.argument;
        return virtualKeyFromName(command.argument) != 0;
    }
    if (action == "pad") return parsePadCommand(words, command);
    return action == "ldown" || action == "lup" || action == "rdown" || action == "rup" ||
           action == "quit";
}

std::vector<ScriptCommand> parseScript(const std::string& text, std::string& error) {
    std::vector<ScriptCommand> commands;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); number++) {
        if (line.find_first_not_of(" \t\r") == std::string::npos || line[0] == '#') continue;
        ScriptCommand command;
        if (parseScriptLine(line, command))
            commands.push_back(command);
        else
            error += "script line " + std::to_string(number) + " not understood: " + line + "\n";
    }
    return commands;
}

bool loadLaunchScript(std::string& error) {
    if (!launchOptions.soundLogPath.empty() && !startSoundLog(launchOptions.soundLogPath)) {
        error = "cannot open sound log " + launchOptions.soundLogPath;
        return false;
    }
    if (launchOptions.scriptPath.empty()) return true;
    std::ifstream file(launchOptions.scriptPath);
    if (!file) {
        error = "cannot read script " + launchOptions.scriptPath;
        return false;
    }
    std::stringstream text;
    text << file.rdbuf();
    launchScript = parseScript(text.str(), error);
    return error.empty();
}

static PlatformEvent scriptEvent(const ScriptCommand& command) {
    PlatformEvent event;
    const std::string& action = command.action;
    if (action == "move") event = {PlatformEventKind::MouseMove, command.x, command.y, 0, 0};
    if (action == "ldown") event.kind = PlatformEventKind::LeftDown;
    if (action == "lup") event.kind = PlatformEventKind::LeftUp;
    if (action == "rdown") event.kind = PlatformEventKind::RightDown;
    if (action == "rup") event.kind = PlatformEventKind::RightUp;
    if (action == "quit") event.kind = PlatformEventKind::Close;
    if (action == "wheel") {
        event.kind = PlatformEventKind::Wheel;
        event.wheelDelta = command.amount * 120;
    }
    if (action == "key" || action == "keyup") {
        event.kind = action == "key" ? PlatformEventKind::KeyDown : PlatformEventKind::KeyUp;
        event.virtualKey = virtualKeyFromName(command.argument);
    }
    return event;
}

// The frames at which each state was entered, in order, by name.
static std::map<std::string, std::vector<int64_t>> stateEntries;
static int32_t lastNotedState = -1;

void resetScriptStateEntries() {
    stateEntries.clear();
    lastNotedState = -1;
}

void noteScriptStateEntry(int64_t frame) {
    if (GameState == lastNotedState) return;
    lastNotedState = GameState;
    const GameStateEntry* entry = findGameState(GameState);
    if (entry) stateEntries[entry->name].push_back(frame);
}

int64_t scriptCommandFrame(const ScriptCommand& command) {
    if (command.anchor.empty()) return command.frame;
    auto found = stateEntries.find(command.anchor);
    if (found == stateEntries.end()) return -1;
    const std::vector<int64_t>& entries = found->second;
    if (static_cast<size_t>(command.anchorEntry) > entries.size()) return -1;
    return entries[command.anchorEntry - 1] + command.frame;
}

// The controller's changes reach the game as SDL's events and stick readings.
static void runPadCommand(const ScriptCommand& command) {
    const std::string& verb = command.argument;
    if (verb == "attach" && !platformAttachVirtualPad())
        logConsole(std::string("Virtual controller refused: ") + platformLastError());
    if (verb == "detach") platformDetachVirtualPad();
    if (verb == "press" || verb == "release")
        platformSetVirtualPadButton(command.x, verb == "press");
    if (verb == "axis") platformSetVirtualPadAxis(command.x, command.amount);
}

void runScriptFrame(int64_t frame) {
    noteScriptStateEntry(frame);
    for (const ScriptCommand& command : launchScript) {
        if (scriptCommandFrame(command) != frame || command.action == "shot") continue;
        if (command.action == "pad") {
            runPadCommand(command);
            continue;
        }
        PlatformEvent event = scriptEvent(command);
        if (event.kind == PlatformEventKind::KeyDown) platformHoldKeyForFrame(event.virtualKey);
        platformPushEvent(event);
    }
}

void takeScriptScreenshots(int64_t frame) {
    for (const ScriptCommand& command : launchScript) {
        if (scriptCommandFrame(command) != frame || command.action != "shot") continue;
        if (platformSaveScreenshot(command.argument, ScreenWidth, ScreenHeight))
            logConsole("Screenshot " + command.argument);
        else
            logConsole("Screenshot failed " + command.argument);
    }
}
