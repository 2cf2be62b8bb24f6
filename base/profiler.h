// Per-frame profiler: a tree of named sections, times in ms from the frame's
// start. Records only while switched on from the console.
#pragma once

#include <string>
#include <vector>

struct ProfileSection {
    std::string label;
    int depth;       // nesting level, 0 for the outermost sections
    double startMs;  // from the frame's start reading
    double endMs;    // -1 while still open
};

extern bool profilingOn;                              // console "show profiling"
extern float frameTime;                               // ms of the previous main-loop pass
extern std::vector<ProfileSection> lastFrameProfile;  // the finished tree of the last frame

void profileFrameStart();
// Takes the label as it is written in the code: while profiling is off a
// section costs no string, since every per-frame routine opens one.
void profileBegin(const char* label);
void profileEnd();
void profileFrameEnd();

// Opens a section for the lifetime of a scope.
struct ProfileScope {
    explicit ProfileScope(const char* label) { profileBegin(label); }
    ~ProfileScope() { profileEnd(); }
    ProfileScope(const ProfileScope&) = delete;
    ProfileScope& operator=(const ProfileScope&) = delete;
};
