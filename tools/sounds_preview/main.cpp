// Writes every game sound into a folder as NAME.wav (the synthesised samples) and
// NAME.ogg (the bytes the archive packs), for listening and inspection.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tools/assets/sounds.h"

static bool writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zentrix-sounds-preview OUTPUT_DIR\n");
        return 2;
    }
    std::filesystem::path folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    auto start = std::chrono::steady_clock::now();
    std::vector<SoundClip> clips = synthesizeSounds();
    auto synthesized = std::chrono::steady_clock::now();
    bool ok = true;
    for (const SoundClip& clip : clips) {
        std::string stem = clip.name.substr(0, clip.name.size() - 4);
        ok = writeFile(folder / (stem + ".wav"), encodeWav(clip)) && ok;
        ok = writeFile(folder / clip.name, encodeOggVorbis(clip)) && ok;
    }
    auto done = std::chrono::steady_clock::now();
    using Ms = std::chrono::milliseconds;
    std::printf("synthesis %lld ms, encoding %lld ms\n",
                static_cast<long long>(std::chrono::duration_cast<Ms>(synthesized - start).count()),
                static_cast<long long>(std::chrono::duration_cast<Ms>(done - synthesized).count()));
    if (!ok) std::fprintf(stderr, "could not write every file into %s\n", folder.c_str());
    return ok ? 0 : 1;
}
