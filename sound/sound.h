// The sound engine: Ogg Vorbis files from the asset archive, decoded once into
// OpenAL buffers; one OpenAL source per play, steered every frame by the gain
// and pitch the game stores for it, and deleted once it has finished.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// ---- buffers: filled on first use, kept until shutdownSound ----
extern std::vector<std::string> soundNames;        // file names loaded so far, each once
extern std::vector<uint32_t> soundBuffers;         // their OpenAL buffers, parallel to soundNames
extern std::vector<std::string> failedSoundNames;  // missing or unusable: never read again

// ---- live sources: one entry per playing source, removed by CleanupSound ----
extern std::vector<uint32_t> soundSources;  // OpenAL source names
extern std::vector<float> soundGains;       // gain applied each frame (times windowActive)
extern std::vector<float> soundPitches;     // pitch applied each frame
extern std::vector<int32_t> soundHandles;   // the handle each entry was returned under

// ---- the music mixer's loops: -1 when none; CleanupSound clears an ended one ----
extern int32_t melodySource;       // "zxdnb_melody_loop.ogg"
extern int32_t drumsSource;        // "zxdnb_drums.ogg"
extern int32_t massHumSource;      // "massincrease.ogg"
extern int32_t timewarpPadSource;  // "ethereal2.ogg"

extern bool soundDeviceOpen;  // initSound opened a device; false: every play is silent

// Every play request, made before it is played (tests and tools watch with it).
struct SoundRequest {
    std::string name;
    float gain;
    float pitch;
    bool looping;
};
extern void (*soundRequestObserver)(const SoundRequest& request);  // null: nobody watches
// Told when UpdateSound silences every sound (the window lost the focus) and
// when it lets them sound again; null: nobody watches.
extern void (*soundSilenceObserver)(bool silenced);

// Opens the default device and places the listener at the origin.
void initSound();
// The OpenAL buffer of "sounds\" + name, decoded on first use; -1 when missing.
int LoadSoundFile(const std::string& name);
// Decodes in-memory Ogg Vorbis bytes into a new buffer registered under name.
int loadSoundFromMemory(const std::string& name, const uint8_t* bytes, size_t length);
// Plays a sound once at gain × SoundVol / 10; returns its handle, -1 when nothing plays.
int PlaySound(const char* name, float gain, float pitch);
// Loops a sound at pitch 1; its stored gain is the unscaled gain argument.
int PlaySoundLoop(const char* name, float gain);
// Stored gain and pitch of a live source, applied at the next UpdateSound. An
// unknown handle gets a scratch value, so writes to it change nothing.
float& soundGain(int handle);
float& soundPitch(int handle);
// Whether the handle names a live source.
bool soundIsLive(int handle);
// The listener's gain: MasterVol / 10, or 0 while Muted.
float masterGain();
// Applies the master gain, every stored gain (times windowActive) and pitch,
// then CleanupSound.
void UpdateSound(float dtMs = 0.0f);
// Sets the melody and drum loops to volume 0 (Meditation begins in silence).
void silenceMusicLoops();
// Deletes the sources that have stopped playing.
void CleanupSound();
// Deletes every source and buffer and closes the device.
void shutdownSound();
// Decodes the sounds play needs, so that nothing is decoded during play.
void preloadSounds();

// ---- the in-memory Ogg file that the Vorbis decoder reads through callbacks ----
struct MemoryOggFile {
    const uint8_t* data;
    size_t length;
    size_t position;
};
size_t vorbisRead(void* destination, size_t size, size_t count, void* file);
int vorbisSeek(void* file, int64_t offset, int whence);
int vorbisClose(void* file);
long vorbisTell(void* file);
