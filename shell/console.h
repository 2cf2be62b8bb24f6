// The debug console: its input line, its commands and the overlay switches.
#pragma once

#include <string>
#include <vector>

extern bool consoleOpen;             // the console takes every key while open
extern std::string consoleLine;      // the line being typed
extern std::string lastConsoleLine;  // the last line run, recalled with Tab
extern bool showAtlas;               // draw the texture atlas pages
extern bool showCurlConsole;         // draw the HTTP console
extern bool showFps;                 // draw the frame-rate line
extern bool showParticleCount;       // draw the particle count and particleDeg

struct ConsoleWord {
    std::string word;
    std::string hint;  // shown after the word, e.g. "power of two [4096]"
    std::vector<ConsoleWord> next;
};
extern std::vector<ConsoleWord> consoleWordTree;  // the words offered while typing

void buildConsoleWordTree();
void runConsoleCommand(const std::string& line);
// The words that can follow what has been typed so far.
std::vector<const ConsoleWord*> consoleSuggestions(const std::string& typed);
