// Ogg Vorbis and WAV encoders for the synthesised sounds. Same samples give the same bytes.
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/assets/sounds.h"

namespace {

constexpr float vorbisQuality = 0.45f;   // VBR quality: transparent enough, quick to encode
constexpr int oggSerialNumber = 0x5A58;  // fixed so every build writes the same stream
constexpr int encodeChunkFrames = 4096;

struct VorbisEncoder {
    vorbis_info info;
    vorbis_comment comment;
    vorbis_dsp_state dsp;
    vorbis_block block;
    ogg_stream_state stream;
};

}  // namespace

static void appendPage(std::string& out, const ogg_page& page) {
    out.append(reinterpret_cast<const char*>(page.header), page.header_len);
    out.append(reinterpret_cast<const char*>(page.body), page.body_len);
}

static void writeHeaders(VorbisEncoder& enc, std::string& out) {
    ogg_packet identification, comments, codebooks;
    vorbis_analysis_headerout(&enc.dsp, &enc.comment, &identification, &comments, &codebooks);
    ogg_stream_packetin(&enc.stream, &identification);
    ogg_stream_packetin(&enc.stream, &comments);
    ogg_stream_packetin(&enc.stream, &codebooks);
    ogg_page page;
    // audio starts on a fresh page, as decoders expect
    while (ogg_stream_flush(&enc.stream, &page) != 0) appendPage(out, page);
}

// Moves every finished block through the encoder and out as pages.
static void drainBlocks(VorbisEncoder& enc, std::string& out) {
    ogg_packet packet;
    ogg_page page;
    while (vorbis_analysis_blockout(&enc.dsp, &enc.block) == 1) {
        vorbis_analysis(&enc.block, nullptr);
        vorbis_bitrate_addblock(&enc.block);
        while (vorbis_bitrate_flushpacket(&enc.dsp, &packet) != 0) {
            ogg_stream_packetin(&enc.stream, &packet);
            while (ogg_stream_pageout(&enc.stream, &page) != 0) appendPage(out, page);
        }
    }
}

static void feedSamples(VorbisEncoder& enc, const SoundClip& clip, std::string& out) {
    size_t frames = clip.samples.size() / clip.channels;
    for (size_t first = 0; first < frames; first += encodeChunkFrames) {
        size_t count = std::min<size_t>(encodeChunkFrames, frames - first);
        float** buffer = vorbis_analysis_buffer(&enc.dsp, static_cast<int>(count));
        for (size_t i = 0; i < count; ++i) {
            for (int c = 0; c < clip.channels; ++c)
                buffer[c][i] = clip.samples[(first + i) * clip.channels + c];
        }
        vorbis_analysis_wrote(&enc.dsp, static_cast<int>(count));
        drainBlocks(enc, out);
    }
    vorbis_analysis_wrote(&enc.dsp, 0);
    drainBlocks(enc, out);
    ogg_page page;
    while (ogg_stream_flush(&enc.stream, &page) != 0) appendPage(out, page);
}

std::string encodeOggVorbis(const SoundClip& clip) {
    VorbisEncoder enc;
    vorbis_info_init(&enc.info);
    if (vorbis_encode_init_vbr(&enc.info, clip.channels, synthRate, vorbisQuality) != 0) {
        std::fprintf(stderr, "sounds: the Vorbis encoder refused %s\n", clip.name.c_str());
        vorbis_info_clear(&enc.info);
        return {};
    }
    vorbis_comment_init(&enc.comment);
    vorbis_comment_add_tag(&enc.comment, "TITLE", clip.name.c_str());
    vorbis_analysis_init(&enc.dsp, &enc.info);
    vorbis_block_init(&enc.dsp, &enc.block);
    ogg_stream_init(&enc.stream, oggSerialNumber);
    std::string out;
    writeHeaders(enc, out);
    feedSamples(enc, clip, out);
    ogg_stream_clear(&enc.stream);
    vorbis_block_clear(&enc.block);
    vorbis_dsp_clear(&enc.dsp);
    vorbis_comment_clear(&enc.comment);
    vorbis_info_clear(&enc.info);
    return out;
}

static void appendLittleEndian(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::string encodeWav(const SoundClip& clip) {
    constexpr int bytesPerSample = 2;
    uint32_t dataBytes = static_cast<uint32_t>(clip.samples.size() * bytesPerSample);
    std::string out = "RIFF";
    appendLittleEndian(out, 36 + dataBytes, 4);
    out += "WAVEfmt ";
    appendLittleEndian(out, 16, 4);  // format chunk size
    appendLittleEndian(out, 1, 2);   // integer PCM
    appendLittleEndian(out, clip.channels, 2);
    appendLittleEndian(out, synthRate, 4);
    appendLittleEndian(out, synthRate * clip.channels * bytesPerSample, 4);
    appendLittleEndian(out, clip.channels * bytesPerSample, 2);
    appendLittleEndian(out, 8 * bytesPerSample, 2);
    out += "data";
    appendLittleEndian(out, dataBytes, 4);
    for (float s : clip.samples) {
        long value = std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f);
        appendLittleEndian(out, static_cast<uint32_t>(value), bytesPerSample);
    }
    return out;
}
