// Decodes the Ogg Vorbis sounds to WAV files for listening and analysis.
#include <vorbis/vorbisfile.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "tools/assets/review_aids.h"

static const char soundPrefix[] = "sounds\\";
constexpr int wavBitsPerSample = 16;
constexpr int decodeChunkBytes = 1 << 15;

struct MemoryReader {
    const std::string* bytes;
    size_t position;
};

static size_t readMemory(void* into, size_t size, size_t count, void* source) {
    MemoryReader* reader = static_cast<MemoryReader*>(source);
    size_t wanted = size * count, left = reader->bytes->size() - reader->position;
    size_t given = std::min(wanted, left);
    std::memcpy(into, reader->bytes->data() + reader->position, given);
    reader->position += given;
    return size ? given / size : 0;
}

// The PCM of an Ogg Vorbis stream as interleaved 16-bit samples.
static bool decodeOgg(const std::string& bytes, std::string& pcm, int& channels, long& rate) {
    MemoryReader reader{&bytes, 0};
    ov_callbacks callbacks{readMemory, nullptr, nullptr, nullptr};
    OggVorbis_File file;
    if (ov_open_callbacks(&reader, &file, nullptr, 0, callbacks) != 0) return false;
    vorbis_info* info = ov_info(&file, -1);
    channels = info->channels;
    rate = info->rate;
    char buffer[decodeChunkBytes];
    int section = 0;
    long got = 0;
    while ((got = ov_read(&file, buffer, sizeof(buffer), 0, 2, 1, &section)) > 0)
        pcm.append(buffer, got);
    ov_clear(&file);
    return got == 0;
}

static void appendLittle(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(value >> (8 * i) & 0xff));
}

static std::string wavFile(const std::string& pcm, int channels, long rate) {
    int blockAlign = channels * wavBitsPerSample / 8;
    std::string out = "RIFF";
    appendLittle(out, 36 + pcm.size(), 4);
    out += "WAVEfmt ";
    appendLittle(out, 16, 4);
    appendLittle(out, 1, 2);
    appendLittle(out, channels, 2);
    appendLittle(out, rate, 4);
    appendLittle(out, rate * blockAlign, 4);
    appendLittle(out, blockAlign, 2);
    appendLittle(out, wavBitsPerSample, 2);
    out += "data";
    appendLittle(out, pcm.size(), 4);
    return out + pcm;
}

bool writeWavFiles(const std::vector<GeneratedAsset>& assets, const std::string& directory,
                   std::string& error) {
    std::error_code ignored;
    std::filesystem::create_directories(directory, ignored);
    for (const GeneratedAsset& asset : assets) {
        if (asset.name.rfind(soundPrefix, 0) != 0) continue;
        std::string pcm;
        int channels = 0;
        long rate = 0;
        std::string stem = std::filesystem::path(asset.name.substr(sizeof(soundPrefix) - 1)).stem();
        if (!decodeOgg(asset.bytes, pcm, channels, rate)) {
            error = asset.name + ": not decodable Ogg Vorbis";
            return false;
        }
        std::ofstream out(directory + "/" + stem + ".wav", std::ios::binary);
        std::string wav = wavFile(pcm, channels, rate);
        if (!out.write(wav.data(), wav.size())) {
            error = directory + ": cannot write " + stem + ".wav";
            return false;
        }
    }
    return true;
}
