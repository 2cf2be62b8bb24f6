#include "screens/music_mixer.h"

#include <algorithm>
#include <cmath>

#include "base/game_state.h"
#include "base/profiler.h"
#include "game/meter.h"
#include "game/modes.h"
#include "game/play.h"
#include "game/powerups.h"
#include "screens/options.h"
#include "settings/settings.h"
#include "sound/sound.h"

float musicStartTimer = 0.0f;
bool musicLoopsStarted = false;

static constexpr float musicCeiling = 0.45f;
static constexpr float padCeiling = 0.15f;
static constexpr float pausedMusicDivisor = 4.0f;
static constexpr float volumeSteps = 10.0f;
static constexpr float humStartFill = 75.0f;
static constexpr float humRangeFill = 25.0f;
static constexpr float humMaxSteps = 100.0f;

// Per-millisecond divisors of the volume and pitch slopes.
static constexpr float padSlopeMs = 1000.0f;
static constexpr float melodyMeditationSlopeMs = 10000.0f;
static constexpr float melodyScoreScreenSlopeMs = 3000.0f;
static constexpr float melodySlopeMs = 30000.0f;
static constexpr float musicFallSlopeMs = 2000.0f;
static constexpr float drumsMeditationSlopeMs = 30000.0f;
static constexpr float drumsSlopeMs = 10000.0f;
static constexpr float pitchRecoverSlopeMs = 500.0f;
static constexpr float pitchFallSlopeMs = 2000.0f;

// ---- the rules, each a pure step ----

float musicLevel(const MixerInput& in) {
    float volume = in.paused ? in.musicVol / pausedMusicDivisor : in.musicVol;
    return volume * musicCeiling / volumeSteps;
}

float padLevel(const MixerInput& in) {
    return in.soundVol * padCeiling / volumeSteps;
}

float massHumVolume(float massFill, float soundVol) {
    if (massFill <= humStartFill) return 0.0f;
    float steps = std::trunc((massFill - humStartFill) / humRangeFill * humMaxSteps);
    return std::min(steps, humMaxSteps) / humMaxSteps * soundVol / volumeSteps;
}

static void stepTimewarpPad(MixerVoice& pad, const MixerInput& in, float dtMs) {
    if (in.state != Game) {
        pad.volume = 0.0f;
        return;
    }
    float ceiling = padLevel(in);
    if (in.timewarpActive && pad.volume < ceiling) pad.volume += dtMs / padSlopeMs;
    if (!in.timewarpActive && pad.volume > 0) pad.volume -= dtMs / padSlopeMs;
    pad.volume = std::clamp(pad.volume, 0.0f, ceiling);
}

// Leaving the program or restarting it, and Meditation's way in and out,
// take the melody down with the picture.
static bool melodyFadesWithScreen(const MixerInput& in) {
    if (in.state == Exiting || in.state == OptionsToRestart) return true;
    if (in.mode != ModeMeditation) return false;
    return in.state == GametypeToGame || in.state == ScoreScreenToMenu || in.state == GameToMenu;
}

static float melodySlope(const MixerInput& in) {
    if (in.state == Game && in.mode == ModeMeditation) return melodyMeditationSlopeMs;
    if (in.state == ScoreScreen) return melodyScoreScreenSlopeMs;
    return melodySlopeMs;
}

static void stepMelodyVolume(MixerVoices& voices, float& startTimer, const MixerInput& in,
                             float dtMs) {
    MixerVoice& melody = voices.melody;
    if (melodyFadesWithScreen(in)) {
        if (melody.volume > 0 && in.fadeFraction < melody.volume) melody.volume = in.fadeFraction;
        melody.volume = std::max(melody.volume, 0.0f);
    } else if (startTimer < musicStartWaitMs) {
        startTimer += dtMs;
    } else if (in.playHasStarted) {
        if (melody.volume < musicLevel(in)) melody.volume += dtMs / melodySlope(in);
        melody.volume = std::min(melody.volume, musicLevel(in));
    } else {
        melody.volume = std::max(melody.volume - dtMs / musicFallSlopeMs, 0.0f);
        voices.drums.volume = 0.0f;
    }
}

// Meditation plays slower throughout the game and the screens around it.
static bool meditationHoldsPitch(const MixerInput& in) {
    if (in.mode != ModeMeditation) return false;
    switch (in.state) {
        case Game:
        case GameToScoreScreen:
        case ScoreScreen:
        case ScoreScreenToGame:
        case ScoreScreenToMenu:
        case GameToMenu:
            return true;
        case GameToOptions:
        case Options:
        case OptionsToGame:
            return in.optionsFromGame;
        default:
            return false;
    }
}

static float stepPitch(float pitch, const MixerInput& in, float dtMs) {
    if (in.timewarpActive) return std::max(pitch - dtMs / pitchFallSlopeMs, slowPitch);
    if (in.multiplierActive) return pitch;
    return std::min(pitch + dtMs / pitchRecoverSlopeMs, normalPitch);
}

static void stepMusicPitch(MixerVoices& voices, const MixerInput& in, float dtMs) {
    if (meditationHoldsPitch(in)) {
        voices.melody.pitch = voices.drums.pitch = slowPitch;
        return;
    }
    voices.melody.pitch = stepPitch(voices.melody.pitch, in, dtMs);
    voices.drums.pitch = stepPitch(voices.drums.pitch, in, dtMs);
}

static void stepDrumsVolume(MixerVoice& drums, const MixerInput& in, float dtMs) {
    if (in.state == Game && in.playHasStarted) {
        float slope = in.mode == ModeMeditation ? drumsMeditationSlopeMs : drumsSlopeMs;
        if (drums.volume < musicLevel(in)) drums.volume += dtMs / slope;
        drums.volume = std::min(drums.volume, musicLevel(in));
        return;
    }
    if (drums.volume > 0) drums.volume -= dtMs / musicFallSlopeMs;
    drums.volume = std::max(drums.volume, 0.0f);
}

void mixMusic(MixerVoices& voices, float& startTimer, const MixerInput& in, float dtMs) {
    bool inGame = in.state == Game;
    voices.massHum.volume = inGame ? massHumVolume(in.massFill, in.soundVol) : 0.0f;
    stepTimewarpPad(voices.timewarpPad, in, dtMs);
    stepMelodyVolume(voices, startTimer, in, dtMs);
    stepMusicPitch(voices, in, dtMs);
    if (in.state == Menu) {
        voices.melody.pitch = voices.drums.pitch = normalPitch;
        voices.drums.volume = 0.0f;
    }
    stepDrumsVolume(voices.drums, in, dtMs);
}

// ---- the loops in the sound engine ----

void startMusicLoops() {
    if (musicLoopsStarted) return;
    musicLoopsStarted = true;
    melodySource = PlaySoundLoop("zxdnb_melody_loop.ogg", 0.0f);
    drumsSource = PlaySoundLoop("zxdnb_drums.ogg", 0.0f);
    massHumSource = PlaySoundLoop("massincrease.ogg", 0.0f);
    timewarpPadSource = PlaySoundLoop("ethereal2.ogg", 0.0f);
}

MixerInput currentMixerInput() {
    MixerInput in{};
    in.state = GameState;
    in.mode = modeState.gameMode;
    in.optionsFromGame = optionsFromGame;
    in.paused = play.paused;
    in.playHasStarted = play.startDelay <= 0;
    in.timewarpActive = powerups.timewarpActive;
    in.multiplierActive = powerups.multiplierActive;
    in.massFill = meter.massLimit > 0 ? meter.mass / meter.massLimit * 100.0f : 0.0f;
    in.fadeFraction = fadeDuration > 0 ? fadeTimer / fadeDuration : 0.0f;
    in.musicVol = MusicVol;
    in.soundVol = SoundVol;
    return in;
}

static MixerVoice readVoice(int32_t handle) {
    return {soundGain(handle), soundPitch(handle)};
}

// A loop that is missing (handle -1) takes no part: its writes go nowhere.
static void writeVoice(int32_t handle, const MixerVoice& voice) {
    if (!soundIsLive(handle)) return;
    soundGain(handle) = voice.volume;
    soundPitch(handle) = voice.pitch;
}

void UpdateMusic(float dtMs) {
    ProfileScope section("UpdateMusic");
    // Without the menus a game entered directly starts the loops itself.
    if (GameState == Game) startMusicLoops();
    MixerVoices voices{readVoice(melodySource), readVoice(drumsSource), readVoice(massHumSource),
                       readVoice(timewarpPadSource)};
    mixMusic(voices, musicStartTimer, currentMixerInput(), dtMs);
    writeVoice(melodySource, voices.melody);
    writeVoice(drumsSource, voices.drums);
    writeVoice(massHumSource, voices.massHum);
    writeVoice(timewarpPadSource, voices.timewarpPad);
    UpdateSound(dtMs);
}
