// The sound engine: the in-memory Ogg file the decoder reads through, decoding
// into buffers, volume scaling and the bookkeeping of live sources. Playback
// runs on OpenAL Soft's null device, which mixes into nothing.
#include <AL/al.h>
#include <gtest/gtest.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "archive/asset_archive.h"
#include "base/console_log.h"
#include "settings/settings.h"
#include "shell/main_loop.h"
#include "shell/window.h"
#include "sound/sound.h"
#include "tests/graphics_test_support.h"

namespace {

// ---- the in-memory Ogg file ----

class MemoryOggFileTest : public ::testing::Test {
  protected:
    const uint8_t bytes[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    MemoryOggFile file{bytes, sizeof(bytes), 0};
    uint8_t out[16] = {};
};

TEST_F(MemoryOggFileTest, ReadCopiesWhatIsLeftAndAdvances) {
    EXPECT_EQ(vorbisRead(out, 2, 3, &file), 6u);
    EXPECT_EQ(out[5], 5);
    EXPECT_EQ(vorbisTell(&file), 6);
    EXPECT_EQ(vorbisRead(out, 1, 16, &file), 4u) << "only the bytes left";
    EXPECT_EQ(out[0], 6);
    EXPECT_EQ(out[3], 9);
    EXPECT_EQ(vorbisRead(out, 1, 16, &file), 0u) << "nothing past the end";
    EXPECT_EQ(vorbisTell(&file), 10);
    file.position = 7;
    EXPECT_EQ(vorbisRead(out, SIZE_MAX, 2, &file), 3u) << "a size that overflows";
}

// A seek never leaves the file: from the start it stops at the end, from
// here it moves at most the bytes left or back to the start, and from the end
// it lands one past it, where nothing is read and nothing is left to advance over.
TEST_F(MemoryOggFileTest, SeeksStayWithinTheFile) {
    const struct {
        size_t from;
        int64_t offset;
        int whence;
        long to;
    } cases[] = {{0, 4, SEEK_SET, 4},   {0, 25, SEEK_SET, 10},  {5, -3, SEEK_SET, 0},
                 {3, 4, SEEK_CUR, 7},   {7, 100, SEEK_CUR, 10}, {10, -4, SEEK_CUR, 6},
                 {6, -40, SEEK_CUR, 0}, {0, 0, SEEK_END, 11},   {11, 5, SEEK_CUR, 11}};
    for (const auto& c : cases) {
        file.position = c.from;
        EXPECT_EQ(vorbisSeek(&file, c.offset, c.whence), 0);
        EXPECT_EQ(vorbisTell(&file), c.to) << c.from << " " << c.offset << " " << c.whence;
    }
    EXPECT_EQ(vorbisRead(out, 1, 4, &file), 0u);
}

// ---- Ogg Vorbis data made for the tests ----

void writePage(std::string& out, const ogg_page& page) {
    out.append(reinterpret_cast<const char*>(page.header), page.header_len);
    out.append(reinterpret_cast<const char*>(page.body), page.body_len);
}

// Pages of about 4 KB, or one page a packet when `pagePerPacket`.
void drainEncoder(vorbis_dsp_state& dsp, vorbis_block& block, ogg_stream_state& stream,
                  std::string& out, bool pagePerPacket) {
    ogg_packet packet;
    ogg_page page;
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
        vorbis_analysis(&block, nullptr);
        vorbis_bitrate_addblock(&block);
        while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
            ogg_stream_packetin(&stream, &packet);
            while (pagePerPacket ? ogg_stream_flush(&stream, &page)
                                 : ogg_stream_pageout(&stream, &page))
                writePage(out, page);
        }
    }
    while (ogg_stream_flush(&stream, &page)) writePage(out, page);
}

// A 440 Hz tone of `frames` sample frames, encoded as one Ogg Vorbis stream.
std::string encodeTone(int channels, long rate, int frames, bool pagePerPacket = false) {
    vorbis_info info;
    vorbis_info_init(&info);
    vorbis_encode_init_vbr(&info, channels, rate, 0.4f);
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1);
    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    std::string out;
    ogg_page page;
    while (ogg_stream_flush(&stream, &page)) writePage(out, page);

    float** samples = vorbis_analysis_buffer(&dsp, frames);
    for (int c = 0; c < channels; c++)
        for (int i = 0; i < frames; i++)
            samples[c][i] = 0.5f * std::sin(i * 440.0f * 6.2832f / rate);
    vorbis_analysis_wrote(&dsp, frames);
    vorbis_analysis_wrote(&dsp, 0);
    drainEncoder(dsp, block, stream, out, pagePerPacket);

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

using graphics_test::writeArchive;

// ---- decoding and playing on the null device ----

class SoundEngineTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        setenv("ALSOFT_DRIVERS", "null", 1);
        unsetenv("ALSOFT_CONF");
        initSound();
        archivePath = tempDir() + "/sounds.ass";
        writeArchive(archivePath, {{"sounds\\tone.ogg", encodeTone(1, 22050, 5000)},
                                   {"sounds\\stereo.ogg", encodeTone(2, 44100, 3000)}});
    }
    static void TearDownTestSuite() {
        shutdownSound();
        std::remove(archivePath.c_str());
    }
    void SetUp() override {
        ASSERT_TRUE(soundDeviceOpen) << "OpenAL Soft's null device must open";
        savedArchivePath = assetArchivePath;
        savedIndex = assetIndex;
        assetArchivePath = archivePath;
        assetIndex.clear();
        openAssetArchive();
        SoundVol = 10;
        windowActive = 1.0f;
    }
    void TearDown() override {
        stopAllSources();
        closeAssetArchive();
        assetArchivePath = savedArchivePath;
        assetIndex = savedIndex;
    }
    static void stopAllSources() {
        for (uint32_t source : soundSources) alSourceStop(source);
        while (!soundSources.empty()) CleanupSound();
    }
    static float alSourceValue(int handle, ALenum what) {
        for (size_t i = 0; i < soundHandles.size(); i++) {
            if (soundHandles[i] != handle) continue;
            float value = -1;
            alGetSourcef(soundSources[i], what, &value);
            return value;
        }
        return -1;
    }
    static void stop(int handle) {
        for (size_t i = 0; i < soundHandles.size(); i++)
            if (soundHandles[i] == handle) alSourceStop(soundSources[i]);
    }

    static std::string archivePath;
    std::string savedArchivePath;
    std::vector<AssetIndexEntry> savedIndex;
};
std::string SoundEngineTest::archivePath;

ALint bufferValue(int buffer, ALenum what) {
    ALint value = -1;
    alGetBufferi(static_cast<ALuint>(buffer), what, &value);
    return value;
}

TEST_F(SoundEngineTest, DecodesTheWholeStreamIntoSixteenBitPcm) {
    int mono = LoadSoundFile("tone.ogg");
    ASSERT_NE(mono, -1);
    EXPECT_EQ(bufferValue(mono, AL_CHANNELS), 1);
    EXPECT_EQ(bufferValue(mono, AL_BITS), 16);
    EXPECT_EQ(bufferValue(mono, AL_FREQUENCY), 22050);
    EXPECT_EQ(bufferValue(mono, AL_SIZE), 5000 * 2);

    int stereo = LoadSoundFile("stereo.ogg");
    ASSERT_NE(stereo, -1);
    EXPECT_EQ(bufferValue(stereo, AL_CHANNELS), 2);
    EXPECT_EQ(bufferValue(stereo, AL_FREQUENCY), 44100);
    EXPECT_EQ(bufferValue(stereo, AL_SIZE), 3000 * 4);
}

// The same stream with its last page's granule position (the sample frames
// it declares) set to `frames`, the page's checksum made again. The stream
// needs more than one page of sound: a lone page's granule also places the
// stream's start, and the length then stays what was encoded.
std::string declaringFrames(std::string ogg, int64_t frames) {
    size_t at = ogg.rfind("OggS");
    auto* header = reinterpret_cast<unsigned char*>(&ogg[at]);
    for (int i = 0; i < 8; i++) header[6 + i] = static_cast<unsigned char>(frames >> (8 * i));
    long headerLength = 27 + header[26];
    long bodyLength = 0;
    for (int i = 0; i < header[26]; i++) bodyLength += header[27 + i];
    ogg_page page = {header, headerLength, header + headerLength, bodyLength};
    ogg_page_checksum_set(&page);
    return ogg;
}

// A length is believed up to ten minutes of 48 kHz stereo in 16-bit samples;
// a stream declaring one sample frame more is taken as damaged and refused.
TEST_F(SoundEngineTest, ADeclaredLengthPastTheCapIsRefused) {
    const int64_t capBytes = 10LL * 60 * 48000 * 4;
    for (int channels : {1, 2}) {
        std::string tone = encodeTone(channels, 44100, 3000, true);
        int64_t capFrames = capBytes / 2 / channels;
        std::string atCap = declaringFrames(tone, capFrames);
        std::string pastCap = declaringFrames(tone, capFrames + 1);
        auto load = [](const std::string& ogg) {
            return loadSoundFromMemory("long.ogg", reinterpret_cast<const uint8_t*>(ogg.data()),
                                       ogg.size());
        };
        EXPECT_NE(load(atCap), -1) << channels << " channels";
        EXPECT_EQ(load(pastCap), -1) << channels << " channels";
    }
}

TEST_F(SoundEngineTest, MissingOrEmptyNamesPlayNothing) {
    size_t live = soundSources.size();
    EXPECT_EQ(LoadSoundFile(""), -1);
    EXPECT_EQ(LoadSoundFile("nothere.ogg"), -1);
    EXPECT_EQ(LoadSoundFile("TONE.ogg"), -1) << "names are exact";
    EXPECT_EQ(PlaySound("nothere.ogg", 1.0f, 1.0f), -1);
    EXPECT_EQ(PlaySoundLoop("nothere.ogg", 1.0f), -1);
    EXPECT_EQ(soundSources.size(), live);
}

// Only the first play of a missing sound asks the archive for it.
TEST_F(SoundEngineTest, AFailedSoundIsNotLookedForAgainOnEveryPlay) {
    consoleHistory.clear();
    for (int play = 0; play < 3; play++) EXPECT_EQ(PlaySound("absent.ogg", 1.0f, 1.0f), -1);
    long lookups = std::count(consoleHistory.begin(), consoleHistory.end(),
                              "Looking up offset for sounds\\absent.ogg");
    EXPECT_EQ(lookups, 1);
    EXPECT_EQ(std::count(consoleHistory.begin(), consoleHistory.end(),
                         "Sound file sounds\\absent.ogg is not in the archive"),
              1);
    EXPECT_NE(LoadSoundFile("tone.ogg"), -1) << "a sound that is there still loads";
}

TEST_F(SoundEngineTest, EffectsAreScaledBySoundVol) {
    SoundVol = 10;
    int full = PlaySound("tone.ogg", 0.5f, 1.0f);
    SoundVol = 4;
    int reduced = PlaySound("tone.ogg", 0.5f, 1.3f);
    SoundVol = 0;
    int silent = PlaySound("tone.ogg", 0.5f, 1.0f);
    EXPECT_FLOAT_EQ(soundGain(full), 0.5f);
    EXPECT_FLOAT_EQ(soundGain(reduced), 0.2f);
    EXPECT_FLOAT_EQ(soundGain(silent), 0.0f);
    EXPECT_FLOAT_EQ(alSourceValue(reduced, AL_GAIN), 0.2f);
    EXPECT_FLOAT_EQ(alSourceValue(reduced, AL_PITCH), 1.3f);
}

std::vector<bool> silenceChanges;
void recordSilence(bool silenced) {
    silenceChanges.push_back(silenced);
}

// A recording is lined up with the game at the moment everything goes quiet:
// the observer hears each silencing and its end once.
TEST_F(SoundEngineTest, InactiveWindowSilencesEverySourceWithoutChangingItsGain) {
    int loop = PlaySoundLoop("tone.ogg", 0.4f);
    silenceChanges.clear();
    soundSilenceObserver = recordSilence;
    UpdateSound();
    windowActive = 0.0f;
    UpdateSound();
    UpdateSound();
    EXPECT_FLOAT_EQ(alSourceValue(loop, AL_GAIN), 0.0f);
    EXPECT_FLOAT_EQ(soundGain(loop), 0.4f);
    windowActive = 1.0f;
    UpdateSound();
    UpdateSound();
    soundSilenceObserver = nullptr;
    EXPECT_FLOAT_EQ(alSourceValue(loop, AL_GAIN), 0.4f);
    EXPECT_EQ(silenceChanges, (std::vector<bool>{true, false}));
}

TEST_F(SoundEngineTest, CleanupRemovesStoppedSourcesAndKeepsOtherHandles) {
    int first = PlaySoundLoop("tone.ogg", 0.1f);
    int second = PlaySoundLoop("tone.ogg", 0.2f);
    int third = PlaySoundLoop("tone.ogg", 0.3f);
    stop(first);
    CleanupSound();
    EXPECT_FALSE(soundIsLive(first));
    EXPECT_FLOAT_EQ(soundGain(second), 0.2f) << "handles stay with their sources";
    EXPECT_FLOAT_EQ(soundGain(third), 0.3f);
    soundGain(first) = 0.9f;
    EXPECT_FLOAT_EQ(soundGain(first), 0.0f) << "an ended handle writes nowhere";
    EXPECT_EQ(soundSources.size(), soundGains.size());
    EXPECT_EQ(soundSources.size(), soundPitches.size());
    EXPECT_EQ(soundSources.size(), soundHandles.size());
}

TEST_F(SoundEngineTest, AnEndedMusicLoopClearsItsMixerHandle) {
    melodySource = PlaySoundLoop("tone.ogg", 0.0f);
    drumsSource = PlaySoundLoop("tone.ogg", 0.0f);
    int drums = drumsSource;
    stop(melodySource);
    CleanupSound();
    EXPECT_EQ(melodySource, -1);
    EXPECT_EQ(drumsSource, drums) << "the drums keep their handle";
    EXPECT_TRUE(soundIsLive(drumsSource));
    stop(drumsSource);
    CleanupSound();
    EXPECT_EQ(drumsSource, -1);
}

// ---- without a device, and with damaged data ----

TEST(SoundWithoutDevice, EveryPlayIsSilentButStillObserved) {
    if (soundDeviceOpen) shutdownSound();
    static int seen = 0;
    soundRequestObserver = [](const SoundRequest& request) {
        if (request.name == "swish.ogg") seen++;
    };
    EXPECT_EQ(PlaySound("swish.ogg", 0.5f, 1.0f), -1);
    EXPECT_EQ(PlaySoundLoop("swish.ogg", 0.5f), -1);
    UpdateSound();
    soundRequestObserver = nullptr;
    EXPECT_EQ(seen, 2);
    EXPECT_TRUE(soundSources.empty());
}

TEST(SoundDeathTest, UndecodableOggEndsTheProgramWithItsMessage) {
    noDialogs = true;
    const uint8_t garbage[64] = {'O', 'g', 'g', 'S', 1, 2, 3};
    EXPECT_EXIT(loadSoundFromMemory("broken.ogg", garbage, sizeof(garbage)),
                testing::ExitedWithCode(1), "Error: Could not read Ogg file from memory");
    EXPECT_EXIT(loadSoundFromMemory("empty.ogg", garbage, 0), testing::ExitedWithCode(1),
                "Could not read Ogg file from memory");
}

}  // namespace
