// DSP building blocks for the synthesised sounds: oscillators, noise, envelopes,
// filters, mixing into one-shot or looping buffers, delay and reverb.
#pragma once

#include <cstdint>
#include <vector>

constexpr int synthRate = 44100;         // every sound is rendered at 44.1 kHz
constexpr float twoPi = 6.28318530718f;  // one full oscillator cycle in radians

using Signal = std::vector<float>;

struct Stereo {
    Signal left;
    Signal right;
};

// Deterministic noise source; every sound seeds its own.
struct Rng {
    uint32_t state;
};

float whiteNoise(Rng& rng);  // uniform in -1 .. 1
float randomUnit(Rng& rng);  // uniform in 0 .. 1

float noteFrequency(float midiNote);  // equal temperament, A4 = 69 = 440 Hz
int secondsToSamples(float seconds);

// Band-limited oscillators over a phase in 0 .. 1 advancing by dt per sample.
float sawWave(float phase, float dt);
float squareWave(float phase, float dt);
float advancePhase(float phase, float dt);  // wraps into 0 .. 1

// Topology-preserving state-variable filter; cutoff may change every sample.
struct Svf {
    float ic1 = 0.0f;
    float ic2 = 0.0f;
};
struct SvfOut {
    float low;
    float band;
    float high;
};
SvfOut runSvf(Svf& filter, float input, float cutoffHz, float resonance);

// One-pole smoothing filter for gentle tone shaping.
struct OnePole {
    float state = 0.0f;
};
float runLowpass1(OnePole& filter, float input, float cutoffHz);
float runHighpass1(OnePole& filter, float input, float cutoffHz);

// Envelopes, time in seconds since the note started.
float attackDecay(float t, float attack, float decay);  // linear rise, exponential fall
float noteGate(float t, float length, float attack, float release);  // held note with edges

// Mixing: one-shot buffers grow as needed, loop buffers wrap around their end.
void mixInto(Signal& target, const Signal& source, long offset, float gain);
void mixIntoLoop(Signal& target, const Signal& source, long offset, float gain);
void mixIntoLoopPanned(Stereo& target, const Signal& source, long offset, float gain, float pan);

// Effects returning only the wet signal. Loop variants run over the loop twice so the
// tail of the end flows into the start.
Stereo reverb(const Stereo& dry, float roomSize, float damping);
Stereo pingPongDelay(const Stereo& dry, long delaySamples, float feedback, float toneHz);
Stereo loopReverb(const Stereo& loop, float roomSize, float damping);
Stereo loopPingPongDelay(const Stereo& loop, long delaySamples, float feedback, float toneHz);
Signal monoReverb(const Signal& dry, float roomSize, float damping);

// Level and shape helpers.
void addScaled(Signal& target, const Signal& source, float gain);
void addScaledStereo(Stereo& target, const Stereo& source, float gain);
float peakLevel(const Signal& samples);
void scaleToPeak(Signal& samples, float peak);
void softClip(Signal& samples, float drive);
void fadeEdges(Signal& samples, float fadeInSeconds, float fadeOutSeconds);
void trimSilentTail(Signal& samples, float threshold);
Signal interleave(const Stereo& stereo);
