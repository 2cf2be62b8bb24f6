#include "sound/sound_log.h"

#include <AL/alc.h>
#include <AL/alext.h>

#include <chrono>
#include <cstdio>

#include "base/console_log.h"
#include "base/frame_state.h"

static FILE* soundLogFile = nullptr;
static std::chrono::steady_clock::time_point soundLogStart;

std::string soundLogLine(int64_t frame, int64_t ms, const SoundRequest& request) {
    char numbers[64];
    snprintf(numbers, sizeof numbers, " %.3f %.3f", request.gain, request.pitch);
    return "frame " + std::to_string(frame) + " ms " + std::to_string(ms) + " " + request.name +
           numbers;
}

static int64_t soundLogMs() {
    auto elapsed = std::chrono::steady_clock::now() - soundLogStart;
    return std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
}

// Each line is flushed at once, so a run that is killed keeps its log.
static void appendSoundLogLine(const std::string& line) {
    if (!soundLogFile) return;
    fputs((line + "\n").c_str(), soundLogFile);
    fflush(soundLogFile);
}

// How much sound the mixer has rendered, in ms; -1 without a device that
// tells. A busy machine can hold the mixer back from the wall clock, and a
// recording follows the mixer.
static int64_t mixerClockMs() {
    ALCcontext* context = alcGetCurrentContext();
    ALCdevice* device = context ? alcGetContextsDevice(context) : nullptr;
    if (!device || !alcIsExtensionPresent(device, "ALC_SOFT_device_clock")) return -1;
    auto getInteger64 =
        reinterpret_cast<LPALCGETINTEGER64VSOFT>(alcGetProcAddress(device, "alcGetInteger64vSOFT"));
    if (!getInteger64) return -1;
    ALCint64SOFT nanoseconds = -1000000;
    getInteger64(device, ALC_DEVICE_CLOCK_SOFT, 1, &nanoseconds);
    return nanoseconds / 1000000;
}

static std::string mixerField() {
    return " mixer " + std::to_string(mixerClockMs());
}

static void writeSoundLogLine(const SoundRequest& request) {
    appendSoundLogLine(soundLogLine(frameNumber, soundLogMs(), request) + mixerField());
}

static void writeSilenceLine(bool silenced) {
    appendSoundLogLine("frame " + std::to_string(frameNumber) + " ms " +
                       std::to_string(soundLogMs()) + (silenced ? " silenced" : " sounding") +
                       mixerField());
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
    soundSilenceObserver = writeSilenceLine;
    return true;
}

void stopSoundLog() {
    if (soundRequestObserver == writeSoundLogLine) soundRequestObserver = nullptr;
    if (soundSilenceObserver == writeSilenceLine) soundSilenceObserver = nullptr;
    if (soundLogFile) fclose(soundLogFile);
    soundLogFile = nullptr;
}
