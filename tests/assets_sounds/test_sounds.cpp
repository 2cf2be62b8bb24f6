// The synthesised sounds as the archive packs them: names, Ogg layout, loops, levels.
#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "tools/assets/generated_asset.h"
#include "tests/assets/expected_sounds.h"
#include "tools/assets/sounds.h"

namespace {

struct Decoded {
    bool ok = false;
    int channels = 0;
    long rate = 0;
    std::vector<float> samples;  // interleaved
    size_t frames() const { return channels > 0 ? samples.size() / channels : 0; }
};

struct MemoryFile {
    const std::string* bytes;
    size_t position;
};

size_t readMemory(void* out, size_t size, size_t count, void* source) {
    auto* file = static_cast<MemoryFile*>(source);
    size_t n = std::min(size * count, file->bytes->size() - file->position);
    std::memcpy(out, file->bytes->data() + file->position, n);
    file->position += n;
    return n;
}

Decoded decodeOgg(const std::string& bytes) {
    MemoryFile file{&bytes, 0};
    ov_callbacks callbacks{readMemory, nullptr, nullptr, nullptr};
    OggVorbis_File vf;
    Decoded result;
    if (ov_open_callbacks(&file, &vf, nullptr, 0, callbacks) != 0) return result;
    result.channels = ov_info(&vf, -1)->channels;
    result.rate = ov_info(&vf, -1)->rate;
    float** pcm;
    int section;
    long got;
    while ((got = ov_read_float(&vf, &pcm, 4096, &section)) > 0) {
        for (long i = 0; i < got; ++i) {
            for (int c = 0; c < result.channels; ++c) result.samples.push_back(pcm[c][i]);
        }
    }
    result.ok = got == 0;
    ov_clear(&vf);
    return result;
}

const std::vector<GeneratedAsset>& packedSounds() {
    static const std::vector<GeneratedAsset> sounds = generateSounds();
    return sounds;
}

const Decoded& decodedSound(const std::string& name) {
    static std::map<std::string, Decoded> cache;
    auto found = cache.find(name);
    if (found != cache.end()) return found->second;
    for (const GeneratedAsset& asset : packedSounds()) {
        if (asset.name == "sounds\\" + name) return cache[name] = decodeOgg(asset.bytes);
    }
    return cache[name];
}

bool isMusic(const std::string& name) {
    return name.rfind("zxdnb_", 0) == 0;
}

float channelPeak(const Decoded& sound) {
    float peak = 0.0f;
    for (float s : sound.samples) peak = std::max(peak, std::fabs(s));
    return peak;
}

// Largest jump between neighbouring samples of one channel, skipping the seam.
float typicalStep(const Decoded& sound, int channel) {
    double sum = 0.0;
    for (size_t i = 1; i < sound.frames(); ++i) {
        float step = sound.samples[i * sound.channels + channel] -
                     sound.samples[(i - 1) * sound.channels + channel];
        sum += step * step;
    }
    return static_cast<float>(std::sqrt(sum / sound.frames()));
}

}  // namespace

TEST(GeneratedSounds, EveryNameIsPackedOnce) {
    std::vector<std::string> names;
    for (const GeneratedAsset& asset : packedSounds()) names.push_back(asset.name);
    EXPECT_EQ(names.size(), std::size(expectedSoundNames));
    for (const char* name : expectedSoundNames) {
        EXPECT_EQ(std::count(names.begin(), names.end(), std::string("sounds\\") + name), 1)
            << name;
    }
}

TEST(GeneratedSounds, EffectsDecodeMonoAndMusicStereoAt44100) {
    for (const char* name : expectedSoundNames) {
        const Decoded& sound = decodedSound(name);
        ASSERT_TRUE(sound.ok) << name;
        EXPECT_EQ(sound.channels, isMusic(name) ? 2 : 1) << name;
        EXPECT_EQ(sound.rate, 44100) << name;
        EXPECT_GT(sound.frames(), 1000u) << name;
    }
}

TEST(GeneratedSounds, MusicLoopsHaveTheSameLength) {
    const Decoded& melody = decodedSound("zxdnb_melody_loop.ogg");
    const Decoded& drums = decodedSound("zxdnb_drums.ogg");
    EXPECT_EQ(melody.frames(), drums.frames());
    EXPECT_GT(melody.frames(), 20u * 44100u);
}

TEST(GeneratedSounds, LoopsJoinWithoutAJump) {
    for (const char* name : expectedSoundNames) {
        if (!isLoopingSound(name)) continue;
        const Decoded& sound = decodedSound(name);
        ASSERT_GT(sound.frames(), 2u);
        for (int c = 0; c < sound.channels; ++c) {
            float last = sound.samples[(sound.frames() - 1) * sound.channels + c];
            float first = sound.samples[c];
            EXPECT_LT(std::fabs(first - last), std::max(0.02f, 4.0f * typicalStep(sound, c)))
                << name;
        }
    }
}

TEST(GeneratedSounds, LevelsAreAudibleUnclippedAndCentred) {
    for (const char* name : expectedSoundNames) {
        const Decoded& sound = decodedSound(name);
        float peak = channelPeak(sound);
        EXPECT_LT(peak, 1.0f) << name;
        EXPECT_GT(peak, isMusic(name) ? 0.3f : 0.4f) << name;
        double sum = 0.0;
        for (float s : sound.samples) sum += s;
        EXPECT_LT(std::fabs(sum / sound.samples.size()), 0.01) << name;
    }
}

TEST(GeneratedSounds, SecondRunGivesIdenticalBytes) {
    std::vector<GeneratedAsset> again = generateSounds();
    ASSERT_EQ(again.size(), packedSounds().size());
    for (size_t i = 0; i < again.size(); ++i) {
        EXPECT_EQ(again[i].name, packedSounds()[i].name);
        EXPECT_TRUE(again[i].bytes == packedSounds()[i].bytes) << again[i].name;
    }
}

TEST(SoundHelpers, CrossfadeLoopContinuesTheEndIntoTheStart) {
    Signal ramp(150);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<float>(i) / 100.0f;
    Signal loop = crossfadeLoop(ramp, 100);
    ASSERT_EQ(loop.size(), 100u);
    EXPECT_NEAR(loop[0], ramp[100], 0.02f);  // the start picks up where the end left off
    EXPECT_FLOAT_EQ(loop[99], ramp[99]);
    EXPECT_FLOAT_EQ(loop[60], ramp[60]);  // past the blend the head is untouched
}

TEST(SoundHelpers, WavHeaderDescribesTheSamples) {
    SoundClip clip{"x.ogg", 2, {0.0f, 1.0f, -1.0f, 0.5f}};
    std::string wav = encodeWav(clip);
    ASSERT_EQ(wav.size(), 44u + 8u);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(static_cast<unsigned char>(wav[22]), 2);     // channels
    EXPECT_EQ(static_cast<unsigned char>(wav[46]), 0xFF);  // 1.0 is 32767, little-endian
    EXPECT_EQ(static_cast<unsigned char>(wav[47]), 0x7F);
}
