// Instrument voices for the music and the effects.
#include "tools/assets/sounds_voices.h"

#include <cmath>

namespace {

// Six detuned square waves give the clangy body of cymbals and hats.
constexpr float metalRatios[] = {205.3f, 304.4f, 369.6f, 522.7f, 540.0f, 800.0f};
constexpr float hatCutoffHz = 7000.0f;
constexpr float cymbalCutoffHz = 4500.0f;
constexpr float releaseTailSeconds = 0.02f;  // voices end a little after their envelope

}  // namespace

static Signal silence(float seconds) {
    return Signal(secondsToSamples(seconds), 0.0f);
}

static float timeOf(size_t index) {
    return static_cast<float>(index) / synthRate;
}

Signal kickDrum(float velocity) {
    Signal out = silence(0.42f);
    float phase = 0.0f;
    for (size_t i = 0; i < out.size(); ++i) {
        float t = timeOf(i);
        float frequency = 46.0f + 120.0f * std::exp(-t / 0.03f) + 60.0f * std::exp(-t / 0.004f);
        phase = advancePhase(phase, frequency / synthRate);
        float body = std::sin(twoPi * phase) * attackDecay(t, 0.0008f, 0.2f);
        float click = std::sin(twoPi * 3200.0f * t) * attackDecay(t, 0.0003f, 0.0025f) * 0.35f;
        out[i] = std::tanh(1.6f * (body + click)) * velocity;
    }
    fadeEdges(out, 0.0f, 0.03f);
    return out;
}

Signal snareDrum(float velocity, Rng& rng) {
    Signal out = silence(0.3f);
    Svf noiseFilter, brightFilter;
    float decay = 0.04f + 0.04f * velocity;  // ghost notes are shorter as well as softer
    for (size_t i = 0; i < out.size(); ++i) {
        float t = timeOf(i);
        float toneHz = 185.0f + 45.0f * std::exp(-t / 0.012f);
        float body = (std::sin(twoPi * toneHz * t) + 0.4f * std::sin(twoPi * 1.6f * toneHz * t)) *
                     attackDecay(t, 0.0008f, 0.05f);
        float noise = whiteNoise(rng);
        float rattle = 2.0f * runSvf(noiseFilter, noise, 3800.0f, 0.5f).band;
        float sizzle = runSvf(brightFilter, noise, 8500.0f, 0.7f).band;
        float snares = (0.7f * rattle + 0.25f * sizzle) * attackDecay(t, 0.001f, decay);
        out[i] = std::tanh(1.4f * (0.7f * body + snares)) * velocity;
    }
    fadeEdges(out, 0.0f, 0.05f);
    return out;
}

static float metallic(float t, float scale) {
    float sum = 0.0f;
    for (float ratio : metalRatios) {
        float phase = ratio * scale * t;
        sum += (phase - std::floor(phase)) < 0.5f ? 1.0f : -1.0f;
    }
    return sum / 6.0f;
}

Signal hiHat(float velocity, float decaySeconds, Rng& rng) {
    Signal out = silence(decaySeconds * 6.0f + 0.01f);
    Svf filter;
    for (size_t i = 0; i < out.size(); ++i) {
        float t = timeOf(i);
        float source = 0.65f * whiteNoise(rng) + 0.35f * metallic(t, 8.0f);
        float shaped = runSvf(filter, source, hatCutoffHz, 0.8f).high;
        out[i] = shaped * attackDecay(t, 0.0005f, decaySeconds) * velocity;
    }
    fadeEdges(out, 0.0f, 0.005f);
    return out;
}

Signal shaker(float velocity, Rng& rng) {
    Signal out = silence(0.09f);
    Svf filter;
    for (size_t i = 0; i < out.size(); ++i) {
        float t = timeOf(i);
        float band = runSvf(filter, whiteNoise(rng), 6500.0f, 1.5f).band;
        out[i] = band * attackDecay(t, 0.008f, 0.022f) * velocity;
    }
    fadeEdges(out, 0.0f, 0.01f);
    return out;
}

static Signal cymbal(float velocity, float seconds, float decay, float metalScale, Rng& rng) {
    Signal out = silence(seconds);
    Svf filter, soften;
    for (size_t i = 0; i < out.size(); ++i) {
        float t = timeOf(i);
        float source = 0.5f * whiteNoise(rng) + 0.5f * metallic(t, metalScale);
        float shaped =
            runSvf(soften, runSvf(filter, source, cymbalCutoffHz, 0.7f).high, 11000.0f, 0.7f).low;
        out[i] = shaped * attackDecay(t, 0.002f, decay) * velocity;
    }
    fadeEdges(out, 0.0f, 0.2f);
    return out;
}

Signal rideCymbal(float velocity, Rng& rng) {
    Signal out = cymbal(velocity, 1.2f, 0.35f, 6.3f, rng);
    // the bell of the ride: a short bright ping on top of the wash
    for (size_t i = 0; i < out.size(); ++i) {
        float t = timeOf(i);
        out[i] += 0.25f * velocity * std::sin(twoPi * 2450.0f * t) * attackDecay(t, 0.001f, 0.12f);
    }
    return out;
}

Signal crashCymbal(float velocity, Rng& rng) {
    return cymbal(velocity, 2.0f, 0.45f, 5.1f, rng);
}

Signal tomDrum(float frequency, float velocity) {
    Signal out = silence(0.45f);
    Rng rng{static_cast<uint32_t>(frequency * 100.0f)};
    Svf stickFilter;
    float phase = 0.0f;
    for (size_t i = 0; i < out.size(); ++i) {
        float t = timeOf(i);
        float pitch = frequency * (1.0f + 0.6f * std::exp(-t / 0.04f));
        phase = advancePhase(phase, pitch / synthRate);
        float head = std::tanh(1.4f * std::sin(twoPi * phase)) * attackDecay(t, 0.001f, 0.16f);
        float stick = runSvf(stickFilter, whiteNoise(rng), 2500.0f, 0.8f).band *
                      attackDecay(t, 0.0005f, 0.012f);
        out[i] = (head + 0.8f * stick) * velocity;
    }
    fadeEdges(out, 0.0f, 0.04f);
    return out;
}

Signal drumHit(char kind, float velocity, Rng& rng) {
    switch (kind) {
        case 'K':
            return kickDrum(velocity);
        case 'S':
            return snareDrum(velocity, rng);
        case 'H':
            return hiHat(velocity, 0.03f, rng);
        case 'O':
            return hiHat(velocity, 0.16f, rng);
        case 'Z':
            return shaker(velocity, rng);
        case 'R':
            return rideCymbal(velocity, rng);
        case 'C':
            return crashCymbal(velocity, rng);
        case 'T':
            return tomDrum(196.0f, velocity);
        case 'M':
            return tomDrum(147.0f, velocity);
        case 'L':
            return tomDrum(98.0f, velocity);
        default:
            return {};
    }
}

float stepVelocity(char step) {
    if (step < '1' || step > '9') return 0.0f;
    return static_cast<float>(step - '0') / 9.0f;
}

Signal electricPiano(float frequency, float seconds, float velocity) {
    const float release = 0.25f;
    Signal out = silence(seconds + release + releaseTailSeconds);
    for (size_t i = 0; i < out.size(); ++i) {
        float t = timeOf(i);
        float index = velocity * (1.6f * std::exp(-t / 0.35f) + 0.25f);
        float modulator = std::sin(twoPi * frequency * t);
        float tine =
            0.2f * velocity * std::sin(twoPi * frequency * 14.0f * t) * std::exp(-t / 0.02f);
        float carrier = std::sin(twoPi * frequency * t + index * modulator + tine);
        float amplitude = attackDecay(t, 0.002f, 1.6f) * noteGate(t, seconds, 0.002f, release);
        out[i] = carrier * amplitude * (0.6f + 0.4f * velocity);
    }
    return out;
}

Signal bell(float frequency, float seconds, float velocity) {
    const float release = 0.6f;
    Signal out = silence(seconds + release + releaseTailSeconds);
    for (size_t i = 0; i < out.size(); ++i) {
        float t = timeOf(i);
        float index = 2.2f * std::exp(-t / 0.25f) + 0.3f;
        float carrier =
            std::sin(twoPi * frequency * t + index * std::sin(twoPi * 3.5f * frequency * t));
        float octave = 0.25f * std::sin(twoPi * 2.0f * frequency * t) * std::exp(-t / 0.5f);
        float amplitude = attackDecay(t, 0.001f, 1.1f) * noteGate(t, seconds, 0.001f, release);
        out[i] = (carrier + octave) * amplitude * velocity;
    }
    return out;
}

Signal pluckLead(float frequency, float seconds, float velocity, float brightness) {
    const float release = 0.12f;
    Signal out = silence(seconds + release + releaseTailSeconds);
    Svf filter;
    float phaseA = 0.0f, phaseB = 0.3f, phaseSub = 0.6f;
    for (size_t i = 0; i < out.size(); ++i) {
        float t = timeOf(i);
        float vibrato = 1.0f + 0.006f * std::min(1.0f, std::max(0.0f, t - 0.25f) * 3.0f) *
                                   std::sin(twoPi * 5.5f * t);
        float dt = frequency * vibrato / synthRate;
        phaseA = advancePhase(phaseA, dt * 1.0035f);
        phaseB = advancePhase(phaseB, dt * 0.9965f);
        phaseSub = advancePhase(phaseSub, dt * 0.5f);
        float raw =
            sawWave(phaseA, dt) + sawWave(phaseB, dt) + 0.6f * squareWave(phaseSub, dt * 0.5f);
        float cutoff =
            frequency * 2.5f + 5000.0f * brightness * velocity * std::exp(-t / 0.16f) + 1100.0f;
        float shaped = runSvf(filter, raw, cutoff, 1.1f).low;
        float amplitude =
            (0.55f + 0.45f * std::exp(-t / 0.2f)) * noteGate(t, seconds, 0.004f, release);
        out[i] = 0.35f * shaped * amplitude * velocity;
    }
    return out;
}

Signal supersaw(float frequency, float seconds, float attack, float release, Rng& rng) {
    constexpr int voices = 7;
    constexpr float spreadCents = 18.0f;
    Signal out = silence(seconds + release + releaseTailSeconds);
    float phases[voices], steps[voices];
    for (int v = 0; v < voices; ++v) {
        float cents = spreadCents * (static_cast<float>(v) / (voices - 1) * 2.0f - 1.0f);
        steps[v] = frequency * std::pow(2.0f, cents / 1200.0f) / synthRate;
        phases[v] = randomUnit(rng);
    }
    for (size_t i = 0; i < out.size(); ++i) {
        float sum = 0.0f;
        for (int v = 0; v < voices; ++v) {
            phases[v] = advancePhase(phases[v], steps[v]);
            sum += sawWave(phases[v], steps[v]);
        }
        out[i] = sum / voices * noteGate(timeOf(i), seconds, attack, release);
    }
    return out;
}

Signal subBass(float frequency, float seconds) {
    const float release = 0.05f;
    Signal out = silence(seconds + release + releaseTailSeconds);
    float phase = 0.0f;
    for (size_t i = 0; i < out.size(); ++i) {
        phase = advancePhase(phase, frequency / synthRate);
        float tone = std::sin(twoPi * phase) + 0.12f * std::sin(2.0f * twoPi * phase);
        out[i] = std::tanh(1.3f * tone) * noteGate(timeOf(i), seconds, 0.006f, release);
    }
    return out;
}

Signal bassMid(float frequency, float seconds) {
    const float release = 0.06f;
    Signal out = silence(seconds + release + releaseTailSeconds);
    Svf filter;
    float phase = 0.0f;
    float dt = frequency / synthRate;
    for (size_t i = 0; i < out.size(); ++i) {
        float t = timeOf(i);
        phase = advancePhase(phase, dt);
        float cutoff = 300.0f + 900.0f * std::exp(-t / 0.12f);
        float shaped = runSvf(filter, sawWave(phase, dt), cutoff, 1.4f).low;
        out[i] = shaped * noteGate(t, seconds, 0.004f, release);
    }
    return out;
}
