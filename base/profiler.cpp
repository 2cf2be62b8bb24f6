#include "base/profiler.h"

#include <chrono>

bool profilingOn = false;
float frameTime = 0.0f;
std::vector<ProfileSection> lastFrameProfile;

static std::vector<ProfileSection> currentSections;  // this frame's tree, in opening order
static std::vector<size_t> openSections;             // indices of the open sections
// The rules profile themselves too, so the clock is the standard library's, not the platform's.
using ProfileClock = std::chrono::steady_clock;
static ProfileClock::time_point frameStart = ProfileClock::now();

static double millisecondsSinceFrameStart() {
    return std::chrono::duration<double, std::milli>(ProfileClock::now() - frameStart).count();
}

void profileFrameStart() {
    frameStart = ProfileClock::now();
}

void profileBegin(const char* label) {
    if (!profilingOn) return;
    int depth = static_cast<int>(openSections.size());
    openSections.push_back(currentSections.size());
    currentSections.push_back({label, depth, millisecondsSinceFrameStart(), -1.0});
}

void profileEnd() {
    if (!profilingOn || openSections.empty()) return;
    currentSections[openSections.back()].endMs = millisecondsSinceFrameStart();
    openSections.pop_back();
}

void profileFrameEnd() {
    frameTime = static_cast<float>(millisecondsSinceFrameStart());
    lastFrameProfile.swap(currentSections);
    currentSections.clear();
    openSections.clear();
}
