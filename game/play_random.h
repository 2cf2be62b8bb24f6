// The random numbers of the rules of play. They follow the C library's
// rand() sequence for a seed (the additive generator with 31 words of
// state), but in a stream of their own: the backdrop, particles and other
// effects keep drawing from rand() without moving the rules' draws, so a
// level depends only on its seed, the frame times and the input.
#pragma once

#include <cstdint>

constexpr int playStreamWords = 34;  // the window r[i - 31] .. r[i - 1] and the newest

struct PlayRandomStream {
    uint32_t seed = 1;  // the seed the running level's stream started from
    uint32_t ring[playStreamWords] = {};
    int32_t next = 0;  // the ring slot the next word goes to
};
extern PlayRandomStream playStream;

// Restarts the stream at a seed, as srand does for rand().
void seedPlayRandom(uint32_t seed);
// The next number of the stream, 0..2147483647, as rand() gives it.
int playRandom();
