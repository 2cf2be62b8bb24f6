// Failure counts per key in fixed one-minute windows, in memory.
#include "server/throttle.h"

#include <chrono>
#include <map>
#include <mutex>

struct FailureWindow {
    long long windowStart;  // steady-clock seconds when the window opened
    int failures;
};

static std::mutex throttleMutex;
static std::map<std::string, FailureWindow> failureWindows;  // key -> its current window

static const long long windowSeconds = 60;
static const int maxFailuresPerWindow = 5;
static const int addressFailuresPerWindow = 30;
// Past this many keys, windows that have ended are swept out.
static const size_t sweepThreshold = 100000;

static long long steadySeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

static int limitFor(const std::string& key) {
    return key.compare(0, 5, "addr:") == 0 ? addressFailuresPerWindow : maxFailuresPerWindow;
}

static void sweepEnded(long long now) {
    for (auto it = failureWindows.begin(); it != failureWindows.end();) {
        it = now - it->second.windowStart >= windowSeconds ? failureWindows.erase(it) : ++it;
    }
}

bool throttleAllows(const std::string& key) {
    std::lock_guard<std::mutex> lock(throttleMutex);
    auto found = failureWindows.find(key);
    if (found == failureWindows.end()) return true;
    if (steadySeconds() - found->second.windowStart >= windowSeconds) {
        failureWindows.erase(found);
        return true;
    }
    return found->second.failures < limitFor(key);
}

void throttleFailure(const std::string& key) {
    std::lock_guard<std::mutex> lock(throttleMutex);
    long long now = steadySeconds();
    if (failureWindows.size() > sweepThreshold) sweepEnded(now);
    FailureWindow& window = failureWindows[key];
    if (window.failures == 0 || now - window.windowStart >= windowSeconds) {
        window = FailureWindow{now, 0};
    }
    ++window.failures;
}

void throttleSuccess(const std::string& key) {
    std::lock_guard<std::mutex> lock(throttleMutex);
    failureWindows.erase(key);
}

void resetThrottle() {
    std::lock_guard<std::mutex> lock(throttleMutex);
    failureWindows.clear();
}
