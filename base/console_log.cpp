// The console log: one line per call, appended to "console.log" and kept in
// the in-memory history that the debug console shows.
#include "base/console_log.h"

#include <cstdio>

std::deque<std::string> consoleHistory;
std::string logDirectory;

static const char consoleLogName[] = "console.log";
static const char traceLogName[] = "trace.log";
static const char lineEnd[] = "\r\n";

static std::string logFilePath(const char* name) {
    if (logDirectory.empty()) return name;
    if (logDirectory.back() == '/') return logDirectory + name;
    return logDirectory + "/" + name;
}

// Opening for writing creates the file or cuts it to nothing.
static void emptyLogFile(const char* name) {
    FILE* file = std::fopen(logFilePath(name).c_str(), "wb");
    if (file) std::fclose(file);
}

void logConsole(const std::string& text) {
    consoleHistory.push_back(text);
    while (consoleHistory.size() > consoleHistoryLength) consoleHistory.pop_front();

    // Closed at once so every line is on disk before the next one is produced.
    FILE* file = std::fopen(logFilePath(consoleLogName).c_str(), "ab");
    if (!file) return;
    std::fwrite(text.data(), 1, text.size(), file);
    std::fwrite(lineEnd, 1, sizeof(lineEnd) - 1, file);
    std::fclose(file);
}

void emptyLogFiles() {
    emptyLogFile(consoleLogName);
    emptyLogFile(traceLogName);
}

void emptyConsoleLog() {
    emptyLogFile(consoleLogName);
}
