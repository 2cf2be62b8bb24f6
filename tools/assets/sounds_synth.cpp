// DSP building blocks shared by the effects and the music.
#include "tools/assets/sounds_synth.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float maxCutoffRatio = 0.45f;    // keeps the filter below Nyquist
constexpr float reverbInputGain = 0.015f;  // comb bank input scaling
constexpr float reverbOutputGain = 3.0f;   // brings the wet level back near the dry level
constexpr float allpassFeedback = 0.5f;
constexpr int reverbStereoSpread = 23;  // extra delay of the right channel's lines
constexpr int combTunings[] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr int allpassTunings[] = {556, 441, 341, 225};

struct Comb {
    Signal buffer;
    size_t index = 0;
    float store = 0.0f;
};

struct Allpass {
    Signal buffer;
    size_t index = 0;
};

struct ReverbChannel {
    std::vector<Comb> combs;
    std::vector<Allpass> allpasses;
};

}  // namespace

float whiteNoise(Rng& rng) {
    return randomUnit(rng) * 2.0f - 1.0f;
}

float randomUnit(Rng& rng) {
    // xorshift32: small, fast and the same on every machine
    uint32_t x = rng.state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    rng.state = x;
    return static_cast<float>(x >> 8) / 16777216.0f;
}

float noteFrequency(float midiNote) {
    return 440.0f * std::pow(2.0f, (midiNote - 69.0f) / 12.0f);
}

int secondsToSamples(float seconds) {
    return static_cast<int>(std::lround(seconds * synthRate));
}

float advancePhase(float phase, float dt) {
    phase += dt;
    return phase - std::floor(phase);
}

// Smooths the step of a naive waveform over one sample (polyBLEP).
static float blepCorrection(float t, float dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0f;
    }
    if (t > 1.0f - dt) {
        t = (t - 1.0f) / dt;
        return t * t + t + t + 1.0f;
    }
    return 0.0f;
}

float sawWave(float phase, float dt) {
    return 2.0f * phase - 1.0f - blepCorrection(phase, dt);
}

float squareWave(float phase, float dt) {
    float naive = phase < 0.5f ? 1.0f : -1.0f;
    float shifted = phase + 0.5f;
    shifted -= std::floor(shifted);
    return naive + blepCorrection(phase, dt) - blepCorrection(shifted, dt);
}

SvfOut runSvf(Svf& filter, float input, float cutoffHz, float resonance) {
    float cutoff = std::clamp(cutoffHz, 10.0f, maxCutoffRatio * synthRate);
    float g = std::tan(3.14159265f * cutoff / synthRate);
    float k = 1.0f / resonance;
    float a1 = 1.0f / (1.0f + g * (g + k));
    float a2 = g * a1;
    float a3 = g * a2;
    float v3 = input - filter.ic2;
    float v1 = a1 * filter.ic1 + a2 * v3;
    float v2 = filter.ic2 + a2 * filter.ic1 + a3 * v3;
    filter.ic1 = 2.0f * v1 - filter.ic1;
    filter.ic2 = 2.0f * v2 - filter.ic2;
    return {v2, v1, input - k * v1 - v2};
}

float runLowpass1(OnePole& filter, float input, float cutoffHz) {
    float a = 1.0f - std::exp(-twoPi * cutoffHz / synthRate);
    filter.state += a * (input - filter.state);
    return filter.state;
}

float runHighpass1(OnePole& filter, float input, float cutoffHz) {
    return input - runLowpass1(filter, input, cutoffHz);
}

float attackDecay(float t, float attack, float decay) {
    if (t < 0.0f) return 0.0f;
    if (t < attack) return t / attack;
    return std::exp(-(t - attack) / decay);
}

float noteGate(float t, float length, float attack, float release) {
    if (t < 0.0f) return 0.0f;
    if (t < attack) return t / attack;
    if (t < length) return 1.0f;
    return std::max(0.0f, 1.0f - (t - length) / release);
}

void mixInto(Signal& target, const Signal& source, long offset, float gain) {
    size_t end = static_cast<size_t>(offset) + source.size();
    if (target.size() < end) target.resize(end, 0.0f);
    for (size_t i = 0; i < source.size(); ++i) target[offset + i] += source[i] * gain;
}

static size_t wrapIndex(long index, size_t length) {
    long n = static_cast<long>(length);
    return static_cast<size_t>(((index % n) + n) % n);
}

void mixIntoLoop(Signal& target, const Signal& source, long offset, float gain) {
    size_t start = wrapIndex(offset, target.size());
    for (size_t i = 0; i < source.size(); ++i) {
        target[(start + i) % target.size()] += source[i] * gain;
    }
}

void mixIntoLoopPanned(Stereo& target, const Signal& source, long offset, float gain, float pan) {
    float angle = (std::clamp(pan, -1.0f, 1.0f) + 1.0f) * 0.25f * 3.14159265f;
    mixIntoLoop(target.left, source, offset, gain * std::cos(angle));
    mixIntoLoop(target.right, source, offset, gain * std::sin(angle));
}

static ReverbChannel makeReverbChannel(int spread) {
    ReverbChannel channel;
    for (int tuning : combTunings) channel.combs.push_back({Signal(tuning + spread, 0.0f)});
    for (int tuning : allpassTunings) channel.allpasses.push_back({Signal(tuning + spread, 0.0f)});
    return channel;
}

static float runComb(Comb& comb, float input, float feedback, float damping) {
    float output = comb.buffer[comb.index];
    comb.store = output * (1.0f - damping) + comb.store * damping;
    comb.buffer[comb.index] = input + comb.store * feedback;
    comb.index = (comb.index + 1) % comb.buffer.size();
    return output;
}

static float runAllpass(Allpass& allpass, float input) {
    float delayed = allpass.buffer[allpass.index];
    allpass.buffer[allpass.index] = input + delayed * allpassFeedback;
    allpass.index = (allpass.index + 1) % allpass.buffer.size();
    return delayed - input;
}

static float runReverbChannel(ReverbChannel& channel, float input, float room, float damping) {
    float sum = 0.0f;
    for (Comb& comb : channel.combs) sum += runComb(comb, input, room, damping);
    for (Allpass& allpass : channel.allpasses) sum = runAllpass(allpass, sum);
    return sum * reverbOutputGain;
}

Stereo reverb(const Stereo& dry, float roomSize, float damping) {
    ReverbChannel left = makeReverbChannel(0);
    ReverbChannel right = makeReverbChannel(reverbStereoSpread);
    Stereo wet{Signal(dry.left.size()), Signal(dry.left.size())};
    for (size_t i = 0; i < dry.left.size(); ++i) {
        float input = (dry.left[i] + dry.right[i]) * reverbInputGain;
        wet.left[i] = runReverbChannel(left, input, roomSize, damping);
        wet.right[i] = runReverbChannel(right, input, roomSize, damping);
    }
    return wet;
}

Signal monoReverb(const Signal& dry, float roomSize, float damping) {
    Stereo wet = reverb({dry, dry}, roomSize, damping);
    for (size_t i = 0; i < dry.size(); ++i) wet.left[i] = 0.5f * (wet.left[i] + wet.right[i]);
    return wet.left;
}

Stereo pingPongDelay(const Stereo& dry, long delaySamples, float feedback, float toneHz) {
    Signal lineLeft(delaySamples, 0.0f);
    Signal lineRight(delaySamples, 0.0f);
    OnePole tone;
    Stereo wet{Signal(dry.left.size()), Signal(dry.left.size())};
    size_t index = 0;
    for (size_t i = 0; i < dry.left.size(); ++i) {
        float outLeft = lineLeft[index];
        float outRight = lineRight[index];
        float input = 0.5f * (dry.left[i] + dry.right[i]);
        lineLeft[index] = input + runLowpass1(tone, outRight, toneHz) * feedback;
        lineRight[index] = outLeft;
        wet.left[i] = outLeft;
        wet.right[i] = outRight;
        index = (index + 1) % lineLeft.size();
    }
    return wet;
}

static Stereo twoPasses(const Stereo& loop) {
    Stereo doubled = loop;
    doubled.left.insert(doubled.left.end(), loop.left.begin(), loop.left.end());
    doubled.right.insert(doubled.right.end(), loop.right.begin(), loop.right.end());
    return doubled;
}

static Stereo secondPass(const Stereo& doubled) {
    size_t half = doubled.left.size() / 2;
    return {Signal(doubled.left.begin() + half, doubled.left.end()),
            Signal(doubled.right.begin() + half, doubled.right.end())};
}

Stereo loopReverb(const Stereo& loop, float roomSize, float damping) {
    return secondPass(reverb(twoPasses(loop), roomSize, damping));
}

Stereo loopPingPongDelay(const Stereo& loop, long delaySamples, float feedback, float toneHz) {
    return secondPass(pingPongDelay(twoPasses(loop), delaySamples, feedback, toneHz));
}

void addScaled(Signal& target, const Signal& source, float gain) {
    if (target.size() < source.size()) target.resize(source.size(), 0.0f);
    for (size_t i = 0; i < source.size(); ++i) target[i] += source[i] * gain;
}

void addScaledStereo(Stereo& target, const Stereo& source, float gain) {
    addScaled(target.left, source.left, gain);
    addScaled(target.right, source.right, gain);
}

float peakLevel(const Signal& samples) {
    float peak = 0.0f;
    for (float s : samples) peak = std::max(peak, std::fabs(s));
    return peak;
}

void scaleToPeak(Signal& samples, float peak) {
    float current = peakLevel(samples);
    if (current <= 0.0f) return;
    for (float& s : samples) s *= peak / current;
}

void softClip(Signal& samples, float drive) {
    for (float& s : samples) s = std::tanh(s * drive) / drive;
}

void fadeEdges(Signal& samples, float fadeInSeconds, float fadeOutSeconds) {
    size_t fadeIn = std::min(samples.size(), static_cast<size_t>(secondsToSamples(fadeInSeconds)));
    size_t fadeOut =
        std::min(samples.size(), static_cast<size_t>(secondsToSamples(fadeOutSeconds)));
    for (size_t i = 0; i < fadeIn; ++i) samples[i] *= static_cast<float>(i) / fadeIn;
    for (size_t i = 0; i < fadeOut; ++i)
        samples[samples.size() - 1 - i] *= static_cast<float>(i) / fadeOut;
}

void trimSilentTail(Signal& samples, float threshold) {
    size_t end = samples.size();
    while (end > 0 && std::fabs(samples[end - 1]) < threshold) --end;
    samples.resize(end);
}

Signal interleave(const Stereo& stereo) {
    Signal out(stereo.left.size() * 2);
    for (size_t i = 0; i < stereo.left.size(); ++i) {
        out[2 * i] = stereo.left[i];
        out[2 * i + 1] = stereo.right[i];
    }
    return out;
}
