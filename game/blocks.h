// The block table that holds the mass, the colours, the face directions and
// the lookups by position. startLevel clears every slot.
#pragma once

#include <cstdint>

#include "base/vector_math.h"

struct Block {
    Vec3 pos;          // current centre
    Vec3 prevPos;      // centre before the last movement step
    Vec3 extent;       // edge lengths, each blockUnit
    Vec3 targetPos;    // the grid cell it moves to; at rest when pos equals it exactly
    int32_t colour;    // BlockColour
    bool alive;        // slot in use
    bool dying;        // member of a cleared group, waiting to pop
    float popDelay;    // ms, negative; the block pops when it counts up to 0
    bool settled;      // part of the standing mass; clear on the block of the latest shot
    int32_t popOrder;  // 0-based order in which the flood fill reached it
    bool landed;       // the arrival sound has played
};

enum BlockColour : int32_t {
    Yellow = 1,
    Blue = 2,
    Red = 3,
    Orange = 4,
    Pink = 5,
    White = 6,
    Green = 7,
};

// Face and neighbour codes.
enum Direction : int32_t {
    MinusX = 1,
    PlusZ = 2,
    PlusX = 3,
    MinusZ = 4,
    PlusY = 5,
    MinusY = 6,
};

constexpr int32_t blockSlots = 512;
constexpr float blockUnit = 32.0f;
constexpr int32_t colourCount = 8;  // tallies are indexed by colour code; index 0 stays 0
constexpr float worldBound = 100000.0f;

extern Block blockTable[blockSlots];  // every block of the mass and in flight

void clearBlock(int32_t slot);
// Lowest free slot, cleared and given a colour from the generator; -1 when full.
int32_t spawnBlock();
int32_t findRestingBlockAt(float x, float y, float z);
int32_t neighbourOf(int32_t slot, int32_t direction);

// Blocks at rest filed by the grid cell nearest their centre, so a lookup
// reads one cell instead of every slot. It answers as findRestingBlockAt
// would over the blocks filed, and holds only while none of them moves: a
// matching scan or one pass over the table files its own.
class RestingCells {
  public:
    void clear();
    void file(int32_t slot);
    // The lowest filed slot near p (within the lookup tolerance); -1 when none.
    int32_t find(Vec3 p) const;
    // Every standing block, for the neighbour lookups of a matching scan.
    void fileStanding();

  private:
    static constexpr int32_t edge = 32;  // cells per axis, centred on the origin
    // The cell nearest p; -1 outside the grid, or with nearCentre when p is
    // too far from that cell's centre for all its neighbours to share it.
    static int32_t cellOf(Vec3 p, bool nearCentre);
    int16_t first[edge * edge * edge];  // one filed slot of each cell, -1 none
    int16_t next[blockSlots];           // the next filed slot of the same cell
    int16_t filed[blockSlots];          // all filed slots, ascending
    int32_t filedCount = 0;
    bool offGrid = false;  // a filed block lies outside the grid: lookups read every slot
};
// The neighbour of slot in direction among the blocks in cells.
int32_t neighbourIn(const RestingCells& cells, int32_t slot, int32_t direction);

// The weighted colour draw of level and refill blocks (never white).
int32_t randomBlockColour();
// Unit vector of a direction code; zero for any other code.
inline Vec3 directionVector(int32_t direction) {
    static constexpr Vec3 vectors[] = {{0, 0, 0},  {-1, 0, 0}, {0, 0, 1}, {1, 0, 0},
                                       {0, 0, -1}, {0, 1, 0},  {0, -1, 0}};
    return direction >= MinusX && direction <= MinusY ? vectors[direction] : vectors[0];
}
inline bool isAtRest(const Block& block) {
    return block.pos == block.targetPos;
}
// Alive, not dying and at rest: what aiming, matching and lookups see.
inline bool isStanding(const Block& block) {
    return block.alive && !block.dying && isAtRest(block);
}
const char* particleTextureOf(int32_t colour);
int32_t aliveBlockCount();
