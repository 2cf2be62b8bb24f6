// The Patching screen: the download of a patch with its speed, size and history.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

extern float patchSpeedTimer;           // ms, wraps at 1000
extern float patchSizeTimer;            // ms, wraps at 1000
extern size_t lastSampleBytes;          // patchData's length at the last speed sample
extern float currentSpeed;              // KB/s over the last second
extern std::deque<float> speedHistory;  // the 60 earlier speeds, newest first
extern size_t shownBytes;               // patchData's length at the last size sample

constexpr size_t speedHistoryLength = 60;

void UpdatePatching(float dtMs);
void renderPatching();
// The shown speed: the current one and the history's mean, averaged.
float shownSpeed();
