#include "shell/program.h"

#include "base/frame_state.h"
#include "base/game_state.h"
#include "base/player_settings.h"
#include "base/profiler.h"
#include "game/play_state.h"
#include "online/account.h"

bool programRunning = true;
bool quitPosted = false;
std::deque<float> frameTimeHistory;
float averageFps = 0.0f;
int32_t blinkTimer = 0;

static constexpr float particleDegStep = 0.01f;

void recordFrameStatistics() {
    frameTimeHistory.push_front(frameTime);
    if (frameTimeHistory.size() > frameHistoryLength) frameTimeHistory.resize(frameHistoryLength);
    double sum = 0;
    for (float ms : frameTimeHistory) sum += ms;
    double average = sum / frameTimeHistory.size();
    averageFps = average > 0 ? static_cast<float>(1000.0 / average) : 0.0f;

    bool slow = averageFps < slowFrameFps;
    if (particlesDrawn > 0 && slow && !powerups.timewarpActive) particleDeg += particleDegStep;
    if ((powerups.timewarpActive || GameState == Grats) && slow) MotionBlur = 0;
    particlesDrawn = 0;
}

void updateBlink(float dtMs) {
    blinkTimer += static_cast<int32_t>(dtMs);
    if (blinkTimer > blinkPeriodMs) {
        blinkTimer = 0;
        blinkOn = !blinkOn;
    }
}

// The exit fade may end on several frames; the server hears one logout.
void quitProgram() {
    if (!programRunning) return;
    sendLogout();
    quitPosted = true;
    programRunning = false;
}
