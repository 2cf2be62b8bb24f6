// The two music loops: a liquid drum-and-bass piece in D minor at 174 BPM, 32 bars.
// "zxdnb_melody_loop.ogg" carries bass, pads, keys, lead, bells and arpeggio and
// stands on its own; "zxdnb_drums.ogg" carries the kit. Both loops have the same
// length and everything that rings past the end wraps into the start.
#include <cmath>
#include <vector>

#include "tools/assets/sounds.h"
#include "tools/assets/sounds_voices.h"

namespace {

constexpr long sixteenth = 3802;  // samples per sixteenth note: 174 BPM on a whole-sample grid
constexpr int stepsPerBar = 16;
constexpr int loopBars = 32;
constexpr long loopLength = sixteenth * stepsPerBar * loopBars;
constexpr float stepSeconds = static_cast<float>(sixteenth) / synthRate;
constexpr long swingSamples = 150;   // late off-beat sixteenths give the hats their shuffle
constexpr float melodyPeak = 0.66f;  // music keeps headroom; the game mixes both loops
constexpr float drumsPeak = 0.6f;    // sharp transients come back hotter from the encoder

struct Chord {
    float root;        // bass note
    float voicing[4];  // pad voicing around middle C; keys play it an octave up
};

// Dm9, Bbmaj9, Gm9, A7sus4, A7, Cadd9, Am7: smooth voice leading, few notes move.
constexpr Chord chords[] = {{38, {53, 57, 60, 64}}, {34, {53, 57, 60, 62}}, {31, {53, 57, 58, 62}},
                            {33, {52, 55, 57, 62}}, {33, {52, 55, 57, 61}}, {36, {52, 55, 60, 62}},
                            {33, {52, 55, 57, 60}}};
constexpr int progression[loopBars] = {0, 0, 1, 1, 2, 2, 3, 4, 0, 0, 1, 1, 2, 2, 3, 4,
                                       1, 1, 5, 5, 6, 6, 0, 0, 1, 1, 5, 5, 0, 0, 2, 4};

struct Note {
    int bar;
    int step;
    float pitch;
    int length;  // sixteenths
};

// The lead's first phrase, played in bars 8 to 15.
constexpr Note leadPhraseA[] = {
    {0, 0, 69, 3},  {0, 3, 72, 3},  {0, 6, 74, 4},  {0, 10, 76, 2}, {0, 12, 77, 4}, {1, 0, 76, 6},
    {1, 6, 74, 2},  {1, 8, 72, 2},  {1, 10, 69, 6}, {2, 0, 77, 3},  {2, 3, 76, 3},  {2, 6, 74, 4},
    {2, 10, 72, 2}, {2, 12, 74, 4}, {3, 0, 69, 12}, {3, 14, 72, 2}, {4, 0, 74, 3},  {4, 3, 77, 3},
    {4, 6, 81, 4},  {4, 10, 79, 2}, {4, 12, 77, 4}, {5, 0, 74, 6},  {5, 6, 70, 2},  {5, 8, 72, 2},
    {5, 10, 74, 6}, {6, 0, 76, 3},  {6, 3, 74, 3},  {6, 6, 76, 4},  {6, 10, 79, 6}, {7, 0, 76, 4},
    {7, 6, 73, 4},  {7, 10, 69, 4}};
// Its answer, higher and wider, in bars 24 to 31.
constexpr Note leadPhraseB[] = {
    {0, 0, 74, 3},  {0, 3, 77, 3},  {0, 6, 81, 6},  {0, 12, 79, 2}, {0, 14, 77, 2}, {1, 0, 79, 6},
    {1, 6, 77, 4},  {1, 10, 74, 6}, {2, 0, 76, 3},  {2, 3, 79, 3},  {2, 6, 84, 6},  {2, 12, 81, 2},
    {2, 14, 79, 2}, {3, 0, 79, 8},  {3, 8, 76, 4},  {3, 12, 74, 4}, {4, 0, 77, 3},  {4, 3, 76, 3},
    {4, 6, 74, 4},  {4, 10, 72, 2}, {4, 12, 74, 4}, {5, 0, 69, 10}, {5, 12, 72, 2}, {5, 14, 74, 2},
    {6, 0, 77, 3},  {6, 3, 74, 3},  {6, 6, 82, 6},  {6, 12, 81, 4}, {7, 0, 79, 3},  {7, 3, 76, 3},
    {7, 6, 73, 4},  {7, 10, 76, 2}, {7, 12, 69, 4}};
// Slow bell lines: answers in the intro, a counter-melody over the arpeggio section.
constexpr Note bellNotes[] = {{1, 8, 81, 8},   {3, 8, 77, 8},   {5, 8, 74, 8},   {7, 8, 73, 8},
                              {16, 0, 77, 12}, {17, 4, 74, 12}, {18, 0, 79, 12}, {19, 4, 76, 12},
                              {20, 0, 76, 12}, {21, 4, 72, 12}, {22, 0, 74, 16}, {23, 0, 69, 8}};

struct Hit {
    int step;  // within the two-bar cycle
    int length;
    float velocity;
};
constexpr Hit bassRhythm[] = {
    {0, 6, 1.0f}, {10, 4, 0.9f}, {16, 6, 1.0f}, {26, 3, 0.9f}, {29, 3, 0.8f}};
constexpr Hit keysRhythm[] = {{0, 3, 0.8f},   {6, 2, 0.5f},   {10, 4, 0.7f},
                              {19, 3, 0.65f}, {22, 2, 0.45f}, {26, 4, 0.7f}};
constexpr int arpOrder[] = {0, 1, 2, 3, 4, 3, 2, 1};

// One bar of the kit: a pattern line per instrument letter.
struct DrumLine {
    char kind;
    const char* steps;
};
struct DrumBar {
    DrumLine lines[6];
};
constexpr DrumBar grooveA = {{{'K', "9.........9....."},
                              {'S', "....9..2.2..9..."},
                              {'H', "5.8.5.8.5.8.5.8."},
                              {'H', "...2...3...2...3"}}};
constexpr DrumBar grooveB = {{{'K', "9.........96...."},
                              {'S', "....9.2...3.9..3"},
                              {'H', "5.8.5.8.5.8.5.8."},
                              {'H', "...2.......2...."},
                              {'O', "..............5."}}};
constexpr DrumBar shortFill = {{{'K', "9.........9....."},
                                {'S', "....9..2.2..9677"},
                                {'H', "5.8.5.8.5.8.5..."},
                                {'H', "...2...3........"}}};
constexpr DrumBar tomFill = {{{'K', "9.........9....."},
                              {'S', "....9..2.....689"},
                              {'H', "5.8.5.8........."},
                              {'T', "........86......"},
                              {'M', "..........86...."},
                              {'L', "............8.7."}}};

struct Buses {
    Stereo dry;
    Stereo reverbSend;
    Stereo delaySend;
};

}  // namespace

static long stepOffset(int bar, int step) {
    return (static_cast<long>(bar) * stepsPerBar + step) * sixteenth;
}

static Stereo silentLoop() {
    return {Signal(loopLength, 0.0f), Signal(loopLength, 0.0f)};
}

static Buses silentBuses() {
    return {silentLoop(), silentLoop(), silentLoop()};
}

static void send(Buses& buses, const Signal& voice, long offset, float gain, float pan,
                 float reverbAmount, float delayAmount) {
    mixIntoLoopPanned(buses.dry, voice, offset, gain, pan);
    if (reverbAmount > 0.0f)
        mixIntoLoopPanned(buses.reverbSend, voice, offset, gain * reverbAmount, pan);
    if (delayAmount > 0.0f)
        mixIntoLoopPanned(buses.delaySend, voice, offset, gain * delayAmount, pan);
}

// Pads: each chord held as long as it lasts, two differently seeded layers spread wide.
static void addPads(Stereo& pads) {
    Rng rng{0xADu};
    for (int bar = 0; bar < loopBars;) {
        int end = bar;
        while (end < loopBars && progression[end] == progression[bar]) ++end;
        float seconds = (end - bar) * stepsPerBar * stepSeconds;
        for (float note : chords[progression[bar]].voicing) {
            float hz = noteFrequency(note);
            mixIntoLoopPanned(pads, supersaw(hz, seconds, 0.35f, 0.7f, rng), stepOffset(bar, 0),
                              0.07f, -0.7f);
            mixIntoLoopPanned(pads, supersaw(hz, seconds, 0.35f, 0.7f, rng), stepOffset(bar, 0),
                              0.07f, 0.7f);
        }
        bar = end;
    }
}

// A slow filter sweep over the pads, four cycles per loop, run twice so the seam is steady.
static void sweepPads(Stereo& pads) {
    Svf left, right;
    for (int pass = 0; pass < 2; ++pass) {
        for (long i = 0; i < loopLength; ++i) {
            float cutoff = 1900.0f + 900.0f * std::sin(twoPi * 4.0f * i / loopLength);
            float l = runSvf(left, pads.left[i], cutoff, 0.8f).low;
            float r = runSvf(right, pads.right[i], cutoff, 0.8f).low;
            if (pass == 1) pads.left[i] = l, pads.right[i] = r;
        }
    }
}

static void addBass(Buses& buses) {
    for (int cycle = 0; cycle < loopBars / 2; ++cycle) {
        for (const Hit& hit : bassRhythm) {
            int bar = cycle * 2 + hit.step / stepsPerBar;
            bool octaveUp = &hit == &bassRhythm[4];
            float root = chords[progression[bar]].root + (octaveUp ? 12.0f : 0.0f);
            float seconds = hit.length * stepSeconds * 0.9f;
            long offset = stepOffset(bar, hit.step % stepsPerBar);
            send(buses, subBass(noteFrequency(root), seconds), offset, 0.32f * hit.velocity, 0.0f,
                 0.0f, 0.0f);
            send(buses, bassMid(noteFrequency(root + 12.0f), seconds), offset, 0.2f * hit.velocity,
                 0.0f, 0.1f, 0.0f);
        }
    }
}

static void addKeys(Buses& buses) {
    for (int cycle = 0; cycle < loopBars / 2; ++cycle) {
        for (const Hit& hit : keysRhythm) {
            int bar = cycle * 2 + hit.step / stepsPerBar;
            long offset = stepOffset(bar, hit.step % stepsPerBar);
            float seconds = hit.length * stepSeconds;
            const Chord& chord = chords[progression[bar]];
            for (int k = 0; k < 4; ++k) {
                Signal note =
                    electricPiano(noteFrequency(chord.voicing[k] + 12.0f), seconds, hit.velocity);
                send(buses, note, offset, 0.085f, -0.3f + 0.2f * k, 0.3f, 0.0f);
            }
        }
    }
}

static void addLeadPhrase(Buses& buses, const Note* notes, size_t count, int firstBar) {
    for (size_t n = 0; n < count; ++n) {
        const Note& note = notes[n];
        float velocity = note.step % 4 == 0 ? 0.95f : 0.8f;
        Signal voice = pluckLead(noteFrequency(note.pitch), note.length * stepSeconds * 0.92f,
                                 velocity, 0.45f);
        send(buses, voice, stepOffset(firstBar + note.bar, note.step), 0.5f, 0.05f, 0.25f, 0.3f);
    }
}

static void addBells(Buses& buses) {
    for (const Note& note : bellNotes) {
        Signal voice = bell(noteFrequency(note.pitch), note.length * stepSeconds * 0.5f, 0.8f);
        send(buses, voice, stepOffset(note.bar, note.step), 0.14f, -0.25f, 0.6f, 0.25f);
    }
}

// Sixteenth-note arpeggio of the chord an octave above the pads, bars 16 to 31.
static void addArpeggio(Buses& buses) {
    for (int bar = loopBars / 2; bar < loopBars; ++bar) {
        const Chord& chord = chords[progression[bar]];
        for (int step = 0; step < stepsPerBar; ++step) {
            int index = arpOrder[step % 8];
            float pitch = index < 4 ? chord.voicing[index] + 12.0f : chord.voicing[0] + 24.0f;
            float velocity = step % 4 == 0 ? 0.9f : 0.6f;
            Signal voice = pluckLead(noteFrequency(pitch), stepSeconds * 0.5f, velocity, 0.25f);
            send(buses, voice, stepOffset(bar, step), 0.11f, step % 2 == 0 ? -0.45f : 0.45f, 0.3f,
                 0.2f);
        }
    }
}

static Stereo finishBuses(const Buses& buses, float reverbGain, float delayGain) {
    Stereo mix = buses.dry;
    addScaledStereo(mix, loopReverb(buses.reverbSend, 0.86f, 0.45f), reverbGain);
    long dottedEighth = 3 * 2 * sixteenth;
    addScaledStereo(mix, loopPingPongDelay(buses.delaySend, dottedEighth, 0.4f, 3500.0f),
                    delayGain);
    return mix;
}

static Stereo melodyLoop() {
    Buses buses = silentBuses();
    Stereo pads = silentLoop();
    addPads(pads);
    sweepPads(pads);
    addScaledStereo(buses.dry, pads, 1.0f);
    addScaledStereo(buses.reverbSend, pads, 0.35f);
    addBass(buses);
    addKeys(buses);
    addLeadPhrase(buses, leadPhraseA, std::size(leadPhraseA), 8);
    addLeadPhrase(buses, leadPhraseB, std::size(leadPhraseB), 24);
    addBells(buses);
    addArpeggio(buses);
    return finishBuses(buses, 0.5f, 0.5f);
}

// Which bar of the kit plays where: fills close every eight bars, toms every sixteen.
static const DrumBar& drumBarAt(int bar) {
    if (bar % 16 == 15) return tomFill;
    if (bar % 8 == 7) return shortFill;
    return bar % 2 == 0 ? grooveA : grooveB;
}

// Cymbals sit under the kick and snare.
static float drumGain(char kind) {
    switch (kind) {
        case 'H':
            return 0.7f;
        case 'O':
        case 'Z':
        case 'R':
            return 0.6f;
        case 'C':
            return 0.7f;
        default:
            return 1.0f;
    }
}

static float drumPan(char kind) {
    switch (kind) {
        case 'H':
        case 'O':
            return 0.25f;
        case 'Z':
            return 0.55f;
        case 'R':
            return -0.4f;
        case 'C':
            return -0.2f;
        case 'T':
            return -0.5f;
        case 'L':
            return 0.5f;
        default:
            return 0.0f;
    }
}

static void addDrumLine(Buses& buses, char kind, const char* steps, int bar, Rng& rng) {
    bool swung = kind == 'H' || kind == 'O' || kind == 'Z';
    bool roomy = kind == 'S' || kind == 'T' || kind == 'M' || kind == 'L' || kind == 'C';
    for (int step = 0; steps[step] != '\0'; ++step) {
        float velocity = stepVelocity(steps[step]);
        if (velocity <= 0.0f) continue;
        velocity *= 0.9f + 0.1f * randomUnit(rng);
        long offset = stepOffset(bar, step) + (swung && step % 2 == 1 ? swingSamples : 0);
        send(buses, drumHit(kind, velocity, rng), offset, drumGain(kind), drumPan(kind),
             roomy ? 0.35f : 0.08f, 0.0f);
    }
}

// Quiet layers that join as the piece builds: shaker from bar 8, ride from bar 16.
static void addDrumLayers(Buses& buses, int bar, Rng& rng) {
    if (bar >= 8 && bar % 16 != 15) addDrumLine(buses, 'Z', "2131213121312131", bar, rng);
    if (bar >= 16 && bar % 16 != 15) addDrumLine(buses, 'R', "4...3...4...3...", bar, rng);
    if (bar % 8 == 0)
        addDrumLine(buses, 'C', bar % 16 == 0 ? "6..............." : "4...............", bar, rng);
}

static Stereo drumsLoop() {
    Buses buses = silentBuses();
    Rng rng{0xD2D2u};
    for (int bar = 0; bar < loopBars; ++bar) {
        for (const DrumLine& line : drumBarAt(bar).lines) {
            if (line.steps != nullptr) addDrumLine(buses, line.kind, line.steps, bar, rng);
        }
        addDrumLayers(buses, bar, rng);
    }
    Stereo mix = finishBuses(buses, 0.35f, 0.0f);
    softClip(mix.left, 1.3f);
    softClip(mix.right, 1.3f);
    return mix;
}

// Scales both channels together so the louder one reaches the peak.
static void scaleStereoToPeak(Stereo& stereo, float peak) {
    float current = std::max(peakLevel(stereo.left), peakLevel(stereo.right));
    if (current <= 0.0f) return;
    for (float& s : stereo.left) s *= peak / current;
    for (float& s : stereo.right) s *= peak / current;
}

std::vector<SoundClip> synthesizeMusic() {
    Stereo melody = melodyLoop();
    Stereo drums = drumsLoop();
    scaleStereoToPeak(melody, melodyPeak);
    scaleStereoToPeak(drums, drumsPeak);
    return {{"zxdnb_melody_loop.ogg", 2, interleave(melody)},
            {"zxdnb_drums.ogg", 2, interleave(drums)}};
}
