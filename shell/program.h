// Whether the program runs, its quit, and the frame statistics and text
// blink every screen reads: shared by the shell's files below the main loop,
// which only runs them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

extern bool programRunning;                 // keeps the outer loop going; cleared by quitProgram
extern bool quitPosted;                     // the quit message is waiting in the queue
extern std::deque<float> frameTimeHistory;  // last 100 frame times, newest first
extern float averageFps;                    // 1000 / mean of frameTimeHistory
extern int32_t blinkTimer;                  // ms since the last flip

constexpr size_t frameHistoryLength = 100;
constexpr int32_t blinkPeriodMs = 500;
constexpr float slowFrameFps = 50.0f;

// Sends the logout request, posts the quit message, clears programRunning.
void quitProgram();
// Keeps the last 100 frame times and their rate; while frames run slow,
// thins the particles and, under Timewarp or on Grats, stops the motion blur.
void recordFrameStatistics();
// Advances blinkTimer and flips blinkOn past 500 ms.
void updateBlink(float dtMs);
