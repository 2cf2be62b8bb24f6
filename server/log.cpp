// Time-stamped, thread-safe log lines on standard error.
#include "server/log.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>

static std::mutex logMutex;
static const int badInputLinesPerSecond = 20;

void logLine(const std::string& text) {
    char stamp[32] = "";
    std::time_t now = std::time(nullptr);
    // std::localtime shares one buffer; the lock covers it too.
    std::lock_guard<std::mutex> lock(logMutex);
    const std::tm* local = std::localtime(&now);
    if (local != nullptr) std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", local);
    std::fprintf(stderr, "%s zentrix-server: %s\n", stamp, text.c_str());
}

void logBadInput(const std::string& text) {
    static std::mutex rateMutex;
    static long long currentSecond = 0;
    static int linesThisSecond = 0;
    long long second = std::chrono::duration_cast<std::chrono::seconds>(
                           std::chrono::steady_clock::now().time_since_epoch())
                           .count();
    {
        std::lock_guard<std::mutex> lock(rateMutex);
        if (second != currentSecond) {
            currentSecond = second;
            linesThisSecond = 0;
        }
        if (++linesThisSecond > badInputLinesPerSecond) return;
    }
    logLine("refused: " + text);
}
