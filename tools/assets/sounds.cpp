// Every sound of the game, synthesised and packed as Ogg Vorbis for the archive.
#include "tools/assets/sounds.h"

#include <future>

#include "tools/assets/generated_asset.h"

namespace {

constexpr const char* loopingSounds[] = {"massincrease.ogg", "ethereal2.ogg",
                                         "zxdnb_melody_loop.ogg", "zxdnb_drums.ogg"};

}  // namespace

bool isLoopingSound(const std::string& name) {
    for (const char* loop : loopingSounds) {
        if (name == loop) return true;
    }
    return false;
}

std::vector<SoundClip> synthesizeSounds() {
    // the music is the larger half of the work; render it beside the effects
    std::future<std::vector<SoundClip>> music = std::async(std::launch::async, synthesizeMusic);
    std::vector<SoundClip> clips = synthesizeEffects();
    for (SoundClip& clip : music.get()) clips.push_back(std::move(clip));
    return clips;
}

std::vector<GeneratedAsset> generateSounds() {
    std::vector<SoundClip> clips = synthesizeSounds();
    std::vector<std::future<std::string>> encoded;
    for (const SoundClip& clip : clips) {
        encoded.push_back(
            std::async(std::launch::async, [&clip] { return encodeOggVorbis(clip); }));
    }
    std::vector<GeneratedAsset> assets;
    for (size_t i = 0; i < clips.size(); ++i)
        assets.push_back({"sounds\\" + clips[i].name, encoded[i].get()});
    return assets;
}
