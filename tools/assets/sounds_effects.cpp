// The game's sound effects, each a short mono signal built from the synth blocks.
#include <cmath>

#include "tools/assets/sounds.h"
#include "tools/assets/sounds_voices.h"

namespace {

constexpr float dcCutoffHz = 12.0f;           // below anything audible, removes offset
constexpr float beepPeak = 0.5f;              // a pure tone sounds louder than its peak says
constexpr float softTickPeak = 0.55f;         // hover ticks stay gentle
constexpr float humLoopSeconds = 4.0f;        // the mass hum repeats every 4 s
constexpr float padLoopSeconds = 8.0f;        // the timewarp pad repeats every 8 s
constexpr float loopCrossfadeSeconds = 0.5f;  // length of the blend at a loop seam
constexpr float breakSixteenth = 60.0f / 174.0f / 4.0f;  // the break runs at the music's tempo

}  // namespace

// Renders seconds of audio from a per-sample function of time.
template <typename Fn>
static Signal render(float seconds, Fn&& sample) {
    Signal out(secondsToSamples(seconds));
    for (size_t i = 0; i < out.size(); ++i) out[i] = sample(static_cast<float>(i) / synthRate);
    return out;
}

static Signal finish(Signal samples, float peak) {
    OnePole dcBlocker;
    for (float& s : samples) s = runHighpass1(dcBlocker, s, dcCutoffHz);
    trimSilentTail(samples, 1e-4f);
    fadeEdges(samples, 0.001f, 0.01f);
    scaleToPeak(samples, peak);
    return samples;
}

static Signal withReverb(Signal dry, float tailSeconds, float room, float mix) {
    dry.resize(dry.size() + secondsToSamples(tailSeconds), 0.0f);
    addScaled(dry, monoReverb(dry, room, 0.4f), mix);
    return dry;
}

static Signal swish() {
    Rng rng{0x5151u};
    Svf sweep, body;
    return finish(render(0.48f,
                         [&](float t) {
                             float cutoff = 500.0f * std::pow(12.0f, std::min(1.0f, t / 0.3f));
                             float rise = std::pow(std::min(1.0f, t / 0.14f), 2.0f);
                             float fall = t < 0.14f ? 1.0f : std::exp(-(t - 0.14f) / 0.09f);
                             float noise = whiteNoise(rng);
                             float air = runSvf(sweep, noise, cutoff, 2.2f).band +
                                         0.4f * runSvf(body, noise, 900.0f, 0.7f).low;
                             return air * rise * fall;
                         }),
                  effectPeak);
}

static Signal clunk() {
    Rng rng{0xC1u};
    Svf knockFilter;
    float phase = 0.0f;
    return finish(
        render(0.32f,
               [&](float t) {
                   float pitch = 62.0f + 110.0f * std::exp(-t / 0.018f);
                   phase = advancePhase(phase, pitch / synthRate);
                   float thump = std::sin(twoPi * phase) * attackDecay(t, 0.0005f, 0.085f);
                   float modes = 0.5f * std::sin(twoPi * 510.0f * t) * std::exp(-t / 0.045f) +
                                 0.3f * std::sin(twoPi * 1270.0f * t) * std::exp(-t / 0.025f) +
                                 0.15f * std::sin(twoPi * 2930.0f * t) * std::exp(-t / 0.012f);
                   float crack = runSvf(knockFilter, whiteNoise(rng), 2200.0f, 1.0f).band *
                                 std::exp(-t / 0.008f);
                   return std::tanh(2.2f * (thump + 0.45f * modes + 0.6f * crack));
               }),
        effectPeak);
}

static Signal stab() {
    // D minor ninth: still a chord, not a smear, when pitched up an octave or more
    constexpr float chord[] = {62.0f, 65.0f, 69.0f, 72.0f, 76.0f};
    Rng rng{0x57ABu};
    Signal notes;
    for (float note : chord)
        addScaled(notes, supersaw(noteFrequency(note), 0.12f, 0.002f, 0.25f, rng), 1.0f);
    Svf filter;
    float subPhase = 0.0f;
    for (size_t i = 0; i < notes.size(); ++i) {
        float t = static_cast<float>(i) / synthRate;
        float cutoff = 500.0f + 4200.0f * std::exp(-t / 0.07f);
        subPhase = advancePhase(subPhase, noteFrequency(50.0f) / synthRate);
        float body = 0.5f * std::sin(twoPi * subPhase) * std::exp(-t / 0.12f);
        notes[i] =
            (runSvf(filter, notes[i], cutoff, 1.3f).low + body) * attackDecay(t, 0.002f, 0.16f);
    }
    // a little saturation makes the short hit denser without raising its peak
    softClip(notes, 2.5f);
    return finish(withReverb(notes, 0.6f, 0.7f, 0.25f), effectPeak);
}

static Signal tick() {
    return finish(
        render(0.05f,
               [](float t) {
                   return 0.7f * std::sin(twoPi * 2600.0f * t) * attackDecay(t, 0.0004f, 0.005f) +
                          0.4f * std::sin(twoPi * 1300.0f * t) * attackDecay(t, 0.0004f, 0.009f);
               }),
        softTickPeak);
}

static Signal massHum() {
    // every partial repeats a whole number of times per loop; the crossfade hides the filter seam
    Svf filter;
    Signal rendered = render(humLoopSeconds + loopCrossfadeSeconds, [&](float t) {
        float saws = 0.0f;
        for (float hz : {55.0f, 55.25f, 54.75f, 110.5f})
            saws += 2.0f * (hz * t - std::floor(hz * t + 0.5f));
        float throb = 0.5f - 0.5f * std::cos(twoPi * 1.0f * t);
        float cutoff = 220.0f + 520.0f * throb;
        float low = runSvf(filter, saws, cutoff, 2.0f).low;
        float sub = std::sin(twoPi * 55.0f * t);
        return (0.35f * low + 0.6f * sub) * (0.75f + 0.25f * throb);
    });
    Signal loop = crossfadeLoop(rendered, secondsToSamples(humLoopSeconds));
    scaleToPeak(loop, effectPeak);
    return loop;
}

static Signal subDrop() {
    Rng rng{0x5D0Bu};
    Svf noiseFilter, growlFilter;
    float phase = 0.0f;
    return finish(render(2.4f,
                         [&](float t) {
                             float pitch = 32.0f + 120.0f * std::exp(-t / 0.4f);
                             float dt = pitch / synthRate;
                             phase = advancePhase(phase, dt);
                             float sub = std::tanh(2.0f * std::sin(twoPi * phase)) *
                                         attackDecay(t, 0.004f, 0.9f);
                             // an upper layer on the same glide keeps the drop audible on small
                             // speakers
                             float growl = runSvf(growlFilter, sawWave(phase, dt),
                                                  200.0f + 1400.0f * std::exp(-t / 0.3f), 1.2f)
                                               .low *
                                           attackDecay(t, 0.004f, 0.5f);
                             float impact = runSvf(noiseFilter, whiteNoise(rng),
                                                   300.0f + 3000.0f * std::exp(-t / 0.05f), 0.7f)
                                                .low *
                                            attackDecay(t, 0.001f, 0.08f);
                             return sub + 0.35f * growl + 0.8f * impact;
                         }),
                  effectPeak);
}

static Signal woob() {
    Svf filter;
    float phase = 0.0f;
    return finish(
        render(1.7f,
               [&](float t) {
                   float pitch = 40.0f + 60.0f * std::exp(-t / 0.55f);
                   float dt = pitch / synthRate;
                   phase = advancePhase(phase, dt);
                   float wobble = 0.5f - 0.5f * std::cos(twoPi * (3.2f * t - 0.6f * t * t));
                   float cutoff = 120.0f + 1300.0f * wobble * std::exp(-t / 1.2f);
                   float voiced = runSvf(filter, sawWave(phase, dt) + 0.5f * squareWave(phase, dt),
                                         cutoff, 3.0f)
                                      .low;
                   float sub = 0.6f * std::sin(twoPi * phase);
                   return std::tanh(1.5f * (voiced + sub)) * noteGate(t, 1.3f, 0.015f, 0.35f);
               }),
        effectPeak);
}

static Signal explosion() {
    Rng rng{0xB0B0u};
    Svf blastFilter, crackleFilter;
    float phase = 0.0f;
    Signal dry = render(2.2f, [&](float t) {
        phase = advancePhase(phase, (32.0f + 60.0f * std::exp(-t / 0.12f)) / synthRate);
        float boom = std::sin(twoPi * phase) * attackDecay(t, 0.002f, 0.5f);
        float noise = whiteNoise(rng);
        float cutoff = 250.0f + 7000.0f * std::exp(-t / 0.12f);
        float blast = runSvf(blastFilter, noise, cutoff, 0.8f).low * attackDecay(t, 0.002f, 0.45f);
        float spark =
            randomUnit(rng) < 0.02f * std::exp(-t / 0.35f) ? whiteNoise(rng) * 2.0f : 0.0f;
        float crackle = runSvf(crackleFilter, spark, 3000.0f, 1.5f).band;
        return std::tanh(1.8f * (0.9f * boom + 1.2f * blast + crackle));
    });
    return finish(withReverb(dry, 1.5f, 0.86f, 0.35f), effectPeak);
}

static Signal etherealPad() {
    // D minor add nine, high and soft; breathy noise resonates on the same notes
    constexpr float partials[] = {146.875f, 220.0f, 293.625f, 349.25f, 440.0f, 659.25f};
    Rng rng{0xE7E7u};
    Svf breath[4];
    Signal rendered = render(padLoopSeconds + loopCrossfadeSeconds, [&](float t) {
        float sum = 0.0f;
        for (int k = 0; k < 6; ++k) {
            float swell = 0.6f + 0.4f * std::sin(twoPi * 0.125f * (k % 3 + 1) * t + k);
            float hz = partials[k];
            sum += swell *
                   (std::sin(twoPi * hz * t) + 0.5f * std::sin(twoPi * (hz + 0.25f) * t + 1.0f));
        }
        float noise = whiteNoise(rng);
        // two band-passes in series leave narrow breathy tones without a hiss floor
        float airLow =
            runSvf(breath[1], runSvf(breath[0], noise, 880.0f, 6.0f).band, 880.0f, 6.0f).band;
        float airHigh =
            runSvf(breath[3], runSvf(breath[2], noise, 1318.5f, 6.0f).band, 1318.5f, 6.0f).band;
        float air = 0.05f * (airLow + airHigh);
        float sparkle =
            0.04f * (std::sin(twoPi * 1761.0f * t) * (0.5f + 0.5f * std::sin(twoPi * 0.125f * t)) +
                     std::sin(twoPi * 2637.0f * t) * (0.5f - 0.5f * std::sin(twoPi * 0.125f * t)));
        return 0.12f * sum + 0.5f * air * (0.7f + 0.3f * std::sin(twoPi * 0.25f * t)) + sparkle;
    });
    Signal loop = crossfadeLoop(rendered, secondsToSamples(padLoopSeconds));
    Stereo wet = loopReverb({loop, loop}, 0.9f, 0.5f);
    for (size_t i = 0; i < loop.size(); ++i) loop[i] += 0.25f * (wet.left[i] + wet.right[i]);
    scaleToPeak(loop, effectPeak);
    return loop;
}

static Signal laser() {
    Svf filter;
    float phase = 0.0f;
    Signal dry = render(0.32f, [&](float t) {
        float pitch = 180.0f + 2600.0f * std::exp(-t / 0.06f);
        float dt = pitch * (1.0f + 0.08f * std::sin(twoPi * 38.0f * t)) / synthRate;
        phase = advancePhase(phase, dt);
        float tone = squareWave(phase, dt) + 0.5f * sawWave(phase, dt);
        return runSvf(filter, tone, pitch * 3.0f, 2.5f).low * attackDecay(t, 0.001f, 0.09f);
    });
    dry.resize(dry.size() + secondsToSamples(0.3f), 0.0f);
    Stereo echo = pingPongDelay({dry, dry}, secondsToSamples(0.07f), 0.35f, 4000.0f);
    addScaled(dry, echo.left, 0.35f);
    addScaled(dry, echo.right, 0.2f);
    return finish(dry, effectPeak);
}

static Signal achievementChime() {
    // a rising D major bell arpeggio over a warm chord
    constexpr float arpeggio[] = {74.0f, 78.0f, 81.0f, 86.0f, 90.0f};
    constexpr float noteGapSeconds = 0.075f;
    Signal out;
    for (int k = 0; k < 5; ++k) {
        long onset = secondsToSamples(noteGapSeconds * k);
        mixInto(out, bell(noteFrequency(arpeggio[k]), 0.9f - 0.1f * k, 0.9f), onset, 0.5f);
    }
    Rng rng{0xC4EEu};
    Svf warmth;
    Signal pad;
    for (float note : {62.0f, 66.0f, 69.0f})
        addScaled(pad, supersaw(noteFrequency(note), 0.6f, 0.05f, 0.8f, rng), 0.3f);
    for (float& s : pad) s = runSvf(warmth, s, 1800.0f, 0.7f).low;
    addScaled(out, pad, 1.0f);
    return finish(withReverb(out, 1.4f, 0.85f, 0.3f), effectPeak);
}

static void mixDrumLine(Signal& target, char kind, const char* steps, Rng& rng) {
    for (int step = 0; steps[step] != '\0'; ++step) {
        float velocity = stepVelocity(steps[step]);
        if (velocity > 0.0f)
            mixInto(target, drumHit(kind, velocity, rng), secondsToSamples(step * breakSixteenth),
                    1.0f);
    }
}

static Signal endBreak() {
    // two bars of break with a crescendo snare roll, then a D major hit on the downbeat
    Rng rng{0xB7EAu};
    Signal drums;
    mixDrumLine(drums, 'K', "9.........9.....9.....9.........9", rng);
    mixDrumLine(drums, 'S', "....9..3.2..9..4....9.5.67789999.", rng);
    mixDrumLine(drums, 'H', "5373537353735373537353.3........", rng);
    mixDrumLine(drums, 'M', "..........................7.....", rng);
    mixDrumLine(drums, 'L', "............................8...", rng);
    mixDrumLine(drums, 'C', "9...............................9", rng);
    Signal hit;
    for (float note : {50.0f, 62.0f, 66.0f, 69.0f, 74.0f})
        addScaled(hit, supersaw(noteFrequency(note), 0.25f, 0.003f, 0.9f, rng), 0.35f);
    Svf filter;
    for (size_t i = 0; i < hit.size(); ++i)
        hit[i] =
            runSvf(filter, hit[i],
                   600.0f + 4000.0f * std::exp(-static_cast<float>(i) / synthRate / 0.2f), 1.0f)
                .low;
    mixInto(drums, hit, secondsToSamples(32 * breakSixteenth), 1.0f);
    softClip(drums, 1.2f);
    return finish(withReverb(drums, 1.2f, 0.75f, 0.18f), effectPeak);
}

static Signal playfulJingle() {
    // a bouncy, slightly cheeky tune with an oom-pah bass and a sliding finish
    struct Note {
        float pitch;
        float start;
        float length;
    };
    constexpr float eighth = 0.16f;
    constexpr Note tune[] = {{74, 0, 0.5f},    {76, 0.5f, 0.5f}, {78, 1, 0.5f},    {74, 1.5f, 0.5f},
                             {81, 2, 1},       {79, 3, 0.5f},    {78, 3.5f, 0.5f}, {76, 4, 0.5f},
                             {73, 4.5f, 0.5f}, {76, 5, 1},       {78, 6, 0.5f},    {79, 6.5f, 0.5f},
                             {81, 7, 0.5f},    {83, 7.5f, 0.5f}, {86, 8, 2}};
    constexpr Note bass[] = {{50, 0, 0.5f}, {57, 1, 0.5f}, {50, 2, 0.5f},
                             {57, 3, 0.5f}, {45, 4, 0.5f}, {52, 5, 0.5f},
                             {50, 6, 0.5f}, {45, 7, 0.5f}, {38, 8, 1.5f}};
    Signal out;
    for (const Note& n : tune)
        mixInto(out, pluckLead(noteFrequency(n.pitch), n.length * eighth * 0.6f, 0.9f, 0.5f),
                secondsToSamples(n.start * eighth), 1.0f);
    for (const Note& n : bass)
        mixInto(out, bassMid(noteFrequency(n.pitch), n.length * eighth),
                secondsToSamples(n.start * eighth), 0.5f);
    float phase = 0.0f;
    Signal slide = render(0.35f, [&](float t) {
        phase = advancePhase(phase, noteFrequency(86.0f + 12.0f * t / 0.35f) / synthRate);
        return 0.3f * std::sin(twoPi * phase) * noteGate(t, 0.25f, 0.01f, 0.1f);
    });
    mixInto(out, slide, secondsToSamples(9.0f * eighth), 1.0f);
    return finish(withReverb(out, 0.6f, 0.6f, 0.15f), effectPeak);
}

static Signal clockBeep() {
    return finish(render(0.16f,
                         [](float t) {
                             float tone = std::sin(twoPi * 1318.5f * t) +
                                          0.15f * std::sin(twoPi * 3955.5f * t);
                             return tone * noteGate(t, 0.11f, 0.003f, 0.04f);
                         }),
                  beepPeak);
}

static Signal powerupReady() {
    Signal out;
    mixInto(out, bell(noteFrequency(81.0f), 0.3f, 0.8f), 0, 0.5f);
    mixInto(out, bell(noteFrequency(88.0f), 0.5f, 1.0f), secondsToSamples(0.09f), 0.5f);
    Rng rng{0x9E4Du};
    Svf sweep;
    Signal shimmer = render(0.6f, [&](float t) {
        float band = runSvf(sweep, whiteNoise(rng), 2000.0f * std::pow(4.0f, t / 0.6f), 4.0f).band;
        return 0.25f * band * noteGate(t, 0.4f, 0.2f, 0.2f);
    });
    addScaled(out, shimmer, 1.0f);
    return finish(withReverb(out, 0.9f, 0.8f, 0.25f), effectPeak);
}

Signal crossfadeLoop(const Signal& rendered, size_t loopLength) {
    Signal loop(rendered.begin(), rendered.begin() + loopLength);
    size_t fade = std::min(loopLength, rendered.size() - loopLength);
    for (size_t i = 0; i < fade; ++i) {
        // linear blend keeps periodic parts at full level; the head fades in while
        // the continuation of the end fades out
        float fadeIn = (static_cast<float>(i) + 0.5f) / fade;
        loop[i] = loop[i] * fadeIn + rendered[loopLength + i] * (1.0f - fadeIn);
    }
    return loop;
}

std::vector<SoundClip> synthesizeEffects() {
    return {{"swish.ogg", 1, swish()},
            {"clunk-hardcore.ogg", 1, clunk()},
            {"stab6.ogg", 1, stab()},
            {"tick.ogg", 1, tick()},
            {"massincrease.ogg", 1, massHum()},
            {"subdrop.ogg", 1, subDrop()},
            {"woob.ogg", 1, woob()},
            {"explosey3.ogg", 1, explosion()},
            {"ethereal2.ogg", 1, etherealPad()},
            {"lazor.ogg", 1, laser()},
            {"cheeve6.ogg", 1, achievementChime()},
            {"endbreakshort3.ogg", 1, endBreak()},
            {"trololo.ogg", 1, playfulJingle()},
            {"clockbeep.ogg", 1, clockBeep()},
            {"powerupready.ogg", 1, powerupReady()}};
}
