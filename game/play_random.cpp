#include "game/play_random.h"

PlayRandomStream playStream;

static constexpr int warmUpDraws = 310;  // draws discarded after seeding
static constexpr int longLag = 31, shortLag = 3;
static constexpr int32_t lcgModulus = 2147483647;

// One step of the seeding generator, 16807 x mod (2^31 - 1) without overflow.
static int32_t nextSeedWord(int32_t word) {
    int32_t high = word / 127773, low = word % 127773;
    int32_t next = 16807 * low - 2836 * high;
    return next < 0 ? next + lcgModulus : next;
}

static uint32_t nextWord() {
    uint32_t* ring = playStream.ring;
    int32_t& next = playStream.next;
    uint32_t word = ring[(next + playStreamWords - longLag) % playStreamWords] +
                    ring[(next + playStreamWords - shortLag) % playStreamWords];
    ring[next] = word;
    next = (next + 1) % playStreamWords;
    return word;
}

void seedPlayRandom(uint32_t seed) {
    playStream.seed = seed;
    uint32_t* ring = playStream.ring;
    int32_t word = seed == 0 ? 1 : static_cast<int32_t>(seed);
    ring[0] = static_cast<uint32_t>(word);
    for (int i = 1; i < longLag; i++) {
        word = nextSeedWord(word);
        ring[i] = static_cast<uint32_t>(word);
    }
    for (int i = longLag; i < playStreamWords; i++) ring[i] = ring[i - longLag];
    playStream.next = 0;
    for (int i = 0; i < warmUpDraws; i++) nextWord();
}

int playRandom() {
    return static_cast<int>(nextWord() >> 1);
}

// Replays need the same floats on every build of the rules.
#ifdef __FAST_MATH__
#error "fast-math changes the rules' floating point; replays would not play the same"
#endif
