#include "sound/sound_log.h"

#include <chrono>
#include <cstdio>

#include "shell/console_log.h"
#include "shell/frame_state.h"

static FILE* soundLogFile = nullptr;
static std::chrono::steady_clock::time_point soundLogStart;

std::string soundLogLine(int64_t frame, int64_t ms, const SoundRequest& request) {
    char numbers[64];
    snprintf(numbers, sizeof numbers, " %.3f %.3f", request.gain, request.pitch);
    return "frame " + std::to_string(frame) + " ms " + std::to_string(ms) + " " + request.name +
           numbers;
}

// Each line is flushed at once, so a run that is killed keeps its log.
static void writeSoundLogLine(const SoundRequest& request) {
    if (!soundLogFile) return;
    auto elapsed = std::chrono::steady_clock::now() - soundLogStart;
    int64_t ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
    std::string line = soundLogLine(frameNumber, ms, request) + "\n";
    fputs(line.c_str(), soundLogFile);
    fflush(soundLogFile);
}

bool startSoundLog(const std::string& path) {
    stopSoundLog();
    soundLogFile = fopen(path.c_str(), "a");
    if (!soundLogFile) {
        logConsole("Cannot open the sound log " + path);
        return false;
    }
    soundLogStart = std::chrono::steady_clock::now();
    soundRequestObserver = writeSoundLogLine;
    return true;
}

void stopSoundLog() {
    if (soundRequestObserver == writeSoundLogLine) soundRequestObserver = nullptr;
    if (soundLogFile) fclose(soundLogFile);
    soundLogFile = nullptr;
}
