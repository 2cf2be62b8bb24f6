#include "shell/profiler.h"

#include "platform/system.h"

bool profilingOn = false;
float frameTime = 0.0f;
std::vector<ProfileSection> lastFrameProfile;

static std::vector<ProfileSection> currentSections;  // this frame's tree, in opening order
static std::vector<size_t> openSections;             // indices of the open sections
static uint64_t frameStartCounter = 0;
static double counterFrequency = 1.0;

static double millisecondsSinceFrameStart() {
    return (platformCounter() - frameStartCounter) / counterFrequency * 1000.0;
}

void profileFrameStart() {
    counterFrequency = static_cast<double>(platformCounterFrequency());
    frameStartCounter = platformCounter();
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
