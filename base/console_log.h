// The console log: every subsystem's progress lines, kept in "console.log"
// (flushed per line, so it survives a crash) and in a short history that the
// debug console shows.
#pragma once

#include <deque>
#include <string>

extern std::deque<std::string> consoleHistory;  // the last 20 lines, oldest first
extern std::string logDirectory;                // folder of the log files; empty = working dir

constexpr size_t consoleHistoryLength = 20;

void logConsole(const std::string& text);
// Creates or empties "console.log" and "trace.log".
void emptyLogFiles();
// Empties "console.log" only (start-up begins a fresh log).
void emptyConsoleLog();
