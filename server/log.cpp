// Time-stamped, thread-safe log lines on standard error.
#include "server/log.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>

static std::mutex logMutex;
static const int badInputLinesPerSecond = 20;
static bool jsonLog = false;

void setJsonLog(bool on) {
    jsonLog = on;
}

static std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

static void writeLine(const char* level, const std::string& text) {
    char stamp[32] = "";
    std::time_t now = std::time(nullptr);
    // std::localtime and std::gmtime share one buffer; the lock covers it too.
    std::lock_guard<std::mutex> lock(logMutex);
    if (jsonLog) {
        const std::tm* utc = std::gmtime(&now);
        if (utc != nullptr) std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", utc);
        std::fprintf(
            stderr,
            "{\"time\":\"%s\",\"level\":\"%s\",\"program\":\"zentrix-server\",\"message\":%s}\n",
            stamp, level, jsonString(text).c_str());
        return;
    }
    const std::tm* local = std::localtime(&now);
    if (local != nullptr) std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", local);
    std::fprintf(stderr, "%s zentrix-server: %s\n", stamp, text.c_str());
}

void logLine(const std::string& text) {
    writeLine("info", text);
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
    writeLine("warning", "refused: " + text);
}
