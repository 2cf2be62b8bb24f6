// Command-line options for tests, benchmarks and development. Without them
// the program behaves exactly as it would for a player.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct LaunchOptions {
    int32_t windowedWidth = 0;  // --windowed WxH; 0 = use the settings
    int32_t windowedHeight = 0;
    std::string configDir;  // --config-dir
    std::string serverUrl;  // --server
    bool offline = false;   // --offline
    bool hasSeed = false;   // --seed N
    uint32_t seed = 0;
    float fixedStepMs = 0;     // --fixed-step MS; 0 = measured
    int64_t frameLimit = 0;    // --frames N; 0 = no limit
    std::string scriptPath;    // --script FILE
    std::string startMode;     // --start MODE[:LEVEL]
    std::string soundLogPath;  // --sound-log FILE
    bool autoplay = false;     // --autoplay
    std::string replayPath;    // --replay FILE: show a recorded level
    bool clearLevel = false;   // --clear-level: the first level played is emptied at once
    bool noDialogs = false;    // --no-dialogs
    bool showHelp = false;     // --help: print the options and quit
    bool showVersion = false;  // --version: print the version and quit
};

// A script line: "FRAME action ...", or "STATE[#K]+N action ..." to act N
// frames after the K-th time (the first by default) GameState became the
// state of that name, which keeps scripts in step with screens reached at
// moments no one can foretell (a server's reply, a level the bot clears).
struct ScriptCommand {
    int64_t frame;            // absolute, or counted from the anchor's entry
    std::string anchor;       // a GameState name; "" for an absolute frame
    int32_t anchorEntry = 1;  // which entry into the anchor state, from 1
    std::string action;       // move, ldown, lup, rdown, rup, key, keyup, wheel, shot, pad, quit
    int32_t x = 0, y = 0;     // move; x: a pad's button or axis
    int32_t amount = 0;       // wheel notches, a pad axis value
    std::string argument;     // key name, screenshot path, or pad verb
};

extern LaunchOptions launchOptions;              // parsed once by the entry
extern std::vector<ScriptCommand> launchScript;  // loaded from --script

// False with a message in error when an option is unknown or malformed.
bool parseLaunchOptions(int argc, char** argv, LaunchOptions& options, std::string& error);
// The --help page, the --version text and the one line shown after a bad option.
std::string launchHelpText();
std::string launchVersionText(const std::string& version);
extern const char launchUsageLine[];
// Makes the script's screenshot paths absolute from `folder`, so they still
// point where the player meant after the program moves to its state folder.
void anchorScriptPaths(const std::string& folder);
// Reads a script; bad lines are reported in error and skipped.
std::vector<ScriptCommand> parseScript(const std::string& text, std::string& error);
// Loads launchScript from launchOptions.scriptPath (nothing when none given)
// and opens the --sound-log, the two files the options name.
bool loadLaunchScript(std::string& error);
// The frame a command acts on; -1 while its anchor state has not been entered.
int64_t scriptCommandFrame(const ScriptCommand& command);
// Records the frame at which GameState took its current value, for anchored lines.
void noteScriptStateEntry(int64_t frame);
// Forgets every recorded entry (a new run of the script).
void resetScriptStateEntries();
// Injects this frame's script input as window events, taken by the real handlers.
void runScriptFrame(int64_t frame);
// Saves the screenshots this frame's script asks for (after Draw, before the swap).
void takeScriptScreenshots(int64_t frame);

// Parses --start's "[ranked:]mode[:level]"; false for an unknown mode or a level outside 1..10.
bool parseStartMode(const std::string& text, int32_t& mode, int32_t& level, bool& ranked);
