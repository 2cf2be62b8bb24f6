#include "sound/sound.h"

#include <AL/al.h>
#include <AL/alut.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "archive/asset_archive.h"
#include "base/console_log.h"
#include "base/frame_state.h"
#include "base/player_settings.h"
#include "base/profiler.h"
#include "engine/gl_caps.h"

std::vector<std::string> soundNames;
std::vector<uint32_t> soundBuffers;
std::vector<std::string> failedSoundNames;
std::vector<uint32_t> soundSources;
std::vector<float> soundGains;
std::vector<float> soundPitches;
std::vector<int32_t> soundHandles;
int32_t melodySource = -1;
int32_t drumsSource = -1;
int32_t massHumSource = -1;
int32_t timewarpPadSource = -1;
bool soundDeviceOpen = false;
void (*soundRequestObserver)(const SoundRequest& request) = nullptr;
void (*soundSilenceObserver)(bool silenced) = nullptr;
static float appliedWindowActive = 1.0f;  // the windowActive the gains were last applied with

static constexpr const char* soundFolder = "sounds\\";
static constexpr const char* oggFailureText = "Could not read Ogg file from memory";
// Longer decoded sounds than this (ten minutes of 48 kHz stereo) are taken as damaged.
static constexpr int64_t maxDecodedBytes = 10LL * 60 * 48000 * 4;
// The largest piece asked of the decoder at once.
static constexpr int decodeChunkBytes = 1 << 16;
static constexpr int fatalExitCode = 1;

// Handles count up and are never reused, so a handle stays with its source
// while entries in front of it are removed.
static int32_t nextSoundHandle = 0;
static float scratchValue = 0.0f;

// ---- the in-memory Ogg file ----

static size_t bytesLeft(const MemoryOggFile& file) {
    return file.position >= file.length ? 0 : file.length - file.position;
}

size_t vorbisRead(void* destination, size_t size, size_t count, void* source) {
    ProfileScope section("VorbisRead");
    MemoryOggFile& file = *static_cast<MemoryOggFile*>(source);
    bool overflows = count != 0 && size > SIZE_MAX / count;
    size_t wanted = overflows ? SIZE_MAX : size * count;
    size_t copied = std::min(wanted, bytesLeft(file));
    if (copied > 0) memcpy(destination, file.data + file.position, copied);
    file.position += copied;
    return copied;
}

// A from-the-end seek lands one past the end, so reads from there give nothing.
int vorbisSeek(void* source, int64_t offset, int whence) {
    ProfileScope section("VorbisSeek");
    MemoryOggFile& file = *static_cast<MemoryOggFile*>(source);
    if (whence == SEEK_SET) {
        file.position = offset < 0 ? 0 : std::min(static_cast<size_t>(offset), file.length);
    } else if (whence == SEEK_CUR) {
        if (offset >= 0) {
            file.position += std::min(static_cast<size_t>(offset), bytesLeft(file));
        } else {
            size_t back = static_cast<size_t>(-(offset + 1)) + 1;
            file.position = back > file.position ? 0 : file.position - back;
        }
    } else if (whence == SEEK_END) {
        file.position = file.length + 1;
    } else {
        printf("*** ERROR *** Unknown seek command in VorbisSeek\n");
    }
    return 0;
}

int vorbisClose(void*) {
    return 1;
}

long vorbisTell(void* source) {
    return static_cast<long>(static_cast<MemoryOggFile*>(source)->position);
}

// ---- decoding ----

// Undecodable sound data ends the program on purpose, with a message.
[[noreturn]] static void failOnUndecodableOgg(const std::string& name) {
    logConsole("Sound file " + name + " is not Ogg Vorbis data");
    logConsole(oggFailureText);
    showMessageBox(oggFailureText, "Error");
    shutdownSound();
    endProgram(fatalExitCode);
}

// Fills pcm from the decoder; stops at the end of the stream or at an error.
static void decodeAll(OggVorbis_File& vorbis, std::vector<char>& pcm) {
    size_t filled = 0;
    int bitstream = 0;
    while (filled < pcm.size()) {
        int wanted = static_cast<int>(std::min(pcm.size() - filled, size_t(decodeChunkBytes)));
        long got = ov_read(&vorbis, pcm.data() + filled, wanted, 0, 2, 1, &bitstream);
        if (got <= 0) break;
        filled += static_cast<size_t>(got);
    }
}

static int makeBuffer(const std::vector<char>& pcm, int channels, long rate) {
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    alGetError();
    ALenum format = channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
    alBufferData(buffer, format, pcm.data(), static_cast<ALsizei>(pcm.size()),
                 static_cast<ALsizei>(rate));
    alGetError();
    return static_cast<int>(buffer);
}

// The PCM length the stream declares; -1 when it is not believable.
static int64_t declaredPcmBytes(OggVorbis_File& vorbis, int channels) {
    ogg_int64_t samples = ov_pcm_total(&vorbis, -1);
    if (samples < 0 || channels < 1) return -1;
    if (samples > maxDecodedBytes / 2 / channels) return -1;
    return static_cast<int64_t>(samples) * channels * 2;
}

int loadSoundFromMemory(const std::string& name, const uint8_t* bytes, size_t length) {
    MemoryOggFile file{bytes, length, 0};
    ov_callbacks callbacks{vorbisRead, vorbisSeek, vorbisClose, vorbisTell};
    OggVorbis_File vorbis;
    if (ov_open_callbacks(&file, &vorbis, nullptr, 0, callbacks) != 0) failOnUndecodableOgg(name);
    vorbis_info* info = ov_info(&vorbis, -1);
    int channels = info ? info->channels : 0;
    int64_t pcmBytes = declaredPcmBytes(vorbis, channels);
    if (pcmBytes < 0) {
        logConsole("Sound file " + name + " has an unusable length");
        ov_clear(&vorbis);
        return -1;
    }
    std::vector<char> pcm(static_cast<size_t>(pcmBytes));
    decodeAll(vorbis, pcm);
    int buffer = makeBuffer(pcm, channels, info->rate);
    ov_clear(&vorbis);
    soundBuffers.push_back(static_cast<uint32_t>(buffer));
    soundNames.push_back(name);
    return buffer;
}

// Reads and decodes a sound not tried before; -1 when it is missing or unusable.
static int loadSoundFromArchive(const std::string& name) {
    std::string key = soundFolder + name;
    if (lookupAssetOffset(key) == -1) {
        logConsole("Sound file " + key + " is not in the archive");
        return -1;
    }
    std::string bytes = readAsset(key);
    if (bytes.empty()) {
        logConsole("Sound file " + key + " could not be read");
        return -1;
    }
    return loadSoundFromMemory(name, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

int LoadSoundFile(const std::string& name) {
    ProfileScope section("LoadSoundFile");
    if (name.empty()) return -1;
    for (size_t i = 0; i < soundNames.size(); i++)
        if (soundNames[i] == name) return static_cast<int>(soundBuffers[i]);
    if (!soundDeviceOpen) return -1;
    // A failed sound would cost an archive read at every play.
    if (std::find(failedSoundNames.begin(), failedSoundNames.end(), name) != failedSoundNames.end())
        return -1;
    int buffer = loadSoundFromArchive(name);
    if (buffer == -1) failedSoundNames.push_back(name);
    return buffer;
}

// ---- device and listener ----

void initSound() {
    if (!alutInit(nullptr, nullptr)) {
        logConsole(std::string("No sound device, playing silently: ") +
                   alutGetErrorString(alutGetError()));
        soundDeviceOpen = false;
        return;
    }
    soundDeviceOpen = true;
    alGetError();
    const ALfloat origin[] = {0, 0, 0};
    const ALfloat orientation[] = {0, 0, -1, 0, 1, 0};
    alListenerfv(AL_POSITION, origin);
    alListenerfv(AL_VELOCITY, origin);
    alListenerfv(AL_ORIENTATION, orientation);
}

void shutdownSound() {
    if (!soundSources.empty())
        alDeleteSources(static_cast<ALsizei>(soundSources.size()), soundSources.data());
    if (!soundBuffers.empty())
        alDeleteBuffers(static_cast<ALsizei>(soundBuffers.size()), soundBuffers.data());
    soundSources.clear();
    soundGains.clear();
    soundPitches.clear();
    soundHandles.clear();
    soundBuffers.clear();
    soundNames.clear();
    failedSoundNames.clear();
    melodySource = drumsSource = massHumSource = timewarpPadSource = -1;
    if (soundDeviceOpen) alutExit();
    soundDeviceOpen = false;
}

// ---- playing ----

static void notifyObserver(const char* name, float gain, float pitch, bool looping) {
    if (soundRequestObserver) soundRequestObserver({name ? name : "", gain, pitch, looping});
}

// Starts a source on the named sound at the given OpenAL gain and lists it
// with the gain to apply from the next frame on; -1 when the sound is missing.
static int startSource(const char* name, float alGain, float storedGain, float pitch,
                       bool looping) {
    int buffer = LoadSoundFile(name ? name : "");
    if (buffer == -1) return -1;
    const ALfloat origin[] = {0, 0, 0};
    ALuint source = 0;
    alGenSources(1, &source);
    alSourcei(source, AL_BUFFER, buffer);
    alSourcef(source, AL_PITCH, pitch);
    alSourcef(source, AL_GAIN, alGain);
    alSourcefv(source, AL_POSITION, origin);
    alSourcefv(source, AL_VELOCITY, origin);
    alSourcei(source, AL_LOOPING, looping ? AL_TRUE : AL_FALSE);
    alGetError();
    soundSources.push_back(source);
    soundGains.push_back(storedGain);
    soundPitches.push_back(pitch);
    soundHandles.push_back(nextSoundHandle);
    alSourcePlay(source);
    return nextSoundHandle++;
}

int PlaySound(const char* name, float gain, float pitch) {
    ProfileScope section("PlaySoundA");
    notifyObserver(name, gain, pitch, false);
    float scaled = gain * SoundVol / 10;
    return startSource(name, scaled, scaled, pitch, false);
}

// The stored gain is the caller's own: from the next frame on it governs the loop.
int PlaySoundLoop(const char* name, float gain) {
    ProfileScope section("PlaySoundLoop");
    notifyObserver(name, gain, 1.0f, true);
    return startSource(name, gain * SoundVol / 10, gain, 1.0f, true);
}

// ---- per-frame upkeep ----

static int entryOf(int handle) {
    if (handle < 0) return -1;
    for (size_t i = 0; i < soundHandles.size(); i++)
        if (soundHandles[i] == handle) return static_cast<int>(i);
    return -1;
}

bool soundIsLive(int handle) {
    return entryOf(handle) != -1;
}

float& soundGain(int handle) {
    int entry = entryOf(handle);
    if (entry != -1) return soundGains[entry];
    scratchValue = 0.0f;
    return scratchValue;
}

float& soundPitch(int handle) {
    int entry = entryOf(handle);
    if (entry != -1) return soundPitches[entry];
    scratchValue = 0.0f;
    return scratchValue;
}

float masterGain() {
    return Muted ? 0.0f : std::clamp(MasterVol, lowestVolume, highestVolume) / highestVolume;
}

void UpdateSound(float) {
    ProfileScope section("UpdateSound");
    // The listener scales every source at once, the music loops included.
    if (soundDeviceOpen) alListenerf(AL_GAIN, masterGain());
    if (windowActive != appliedWindowActive && soundSilenceObserver)
        soundSilenceObserver(windowActive == 0.0f);
    appliedWindowActive = windowActive;
    for (size_t i = 0; i < soundSources.size(); i++) {
        alSourcef(soundSources[i], AL_GAIN, soundGains[i] * windowActive);
        alSourcef(soundSources[i], AL_PITCH, soundPitches[i]);
    }
    CleanupSound();
}

static void forgetMixerHandle(int32_t handle) {
    for (int32_t* loop : {&melodySource, &drumsSource, &massHumSource, &timewarpPadSource})
        if (*loop == handle) *loop = -1;
}

static void removeEntry(size_t i) {
    forgetMixerHandle(soundHandles[i]);
    soundSources.erase(soundSources.begin() + i);
    soundGains.erase(soundGains.begin() + i);
    soundPitches.erase(soundPitches.begin() + i);
    soundHandles.erase(soundHandles.begin() + i);
}

// The entry that moves into a removed place is looked at in the next frame.
void CleanupSound() {
    ProfileScope section("CleanupSound");
    for (size_t i = 0; i < soundSources.size(); i++) {
        ALint state = AL_STOPPED;
        alGetSourcei(soundSources[i], AL_SOURCE_STATE, &state);
        if (state == AL_PLAYING) continue;
        alDeleteSources(1, &soundSources[i]);
        alGetError();
        removeEntry(i);
    }
}

// ---- the sounds decoded ahead of play ----

static const char* const preloadedSounds[] = {
    "clunk-hardcore.ogg",
    "swish.ogg",
    "clunk-hardcore.ogg",
    "stab6.ogg",
    "tick.ogg",
    "massincrease.ogg",
    "subdrop.ogg",
    "woob.ogg",
    "explosey3.ogg",
    "ethereal2.ogg",
    "lazor.ogg",
    "cheeve6.ogg",
    "zxdnb_melody_loop.ogg",
    "zxdnb_drums.ogg",
    "endbreakshort3.ogg",
    "trololo.ogg",
};

// Decoded the first time they play; their bytes are read ahead with the rest,
// so that first play does not inflate the archive from its start mid-game.
static const char* const soundsDecodedOnFirstPlay[] = {"clockbeep.ogg", "powerupready.ogg"};

void preloadSounds() {
    std::vector<std::string> keys;
    for (const char* name : preloadedSounds) keys.push_back(std::string(soundFolder) + name);
    for (const char* name : soundsDecodedOnFirstPlay)
        keys.push_back(std::string(soundFolder) + name);
    // One pass through the archive instead of one from its start per sound.
    if (soundDeviceOpen) prefetchAssets(keys);
    for (const char* name : preloadedSounds) LoadSoundFile(name);
}

void silenceMusicLoops() {
    if (soundIsLive(melodySource)) soundGain(melodySource) = 0.0f;
    if (soundIsLive(drumsSource)) soundGain(drumsSource) = 0.0f;
}
