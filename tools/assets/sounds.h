// The game's sounds before encoding, and their file encoders. generateSounds()
// (declared with the other generators) packs them as Ogg Vorbis.
#pragma once

#include <string>
#include <vector>

#include "tools/assets/sounds_synth.h"

struct SoundClip {
    std::string name;  // file name as the game asks for it, e.g. "tick.ogg"
    int channels;      // 1 for effects, 2 for music
    Signal samples;    // interleaved when stereo, nominally within -1 .. 1
};

constexpr float effectPeak = 0.7f;  // effects peak near -3 dBFS

std::vector<SoundClip> synthesizeEffects();
std::vector<SoundClip> synthesizeMusic();
// Every sound, effects first, in a fixed order.
std::vector<SoundClip> synthesizeSounds();

// The loops the game plays with looping sources: they must join without a click.
bool isLoopingSound(const std::string& name);

// Loop seam helper: blends the rendered samples past loopLength into the start.
Signal crossfadeLoop(const Signal& rendered, size_t loopLength);

std::string encodeOggVorbis(const SoundClip& clip);
std::string encodeWav(const SoundClip& clip);
