#include "game/blocks.h"

#include <cmath>
#include <cstdlib>

#include "game/play_random.h"

Block blockTable[blockSlots];

// Freed slots park far above the mass.
static constexpr float parkedHeight = 16 * blockUnit + 10 * blockUnit;
static constexpr float lookupTolerance = blockUnit / 8;
static constexpr int colourDrawRange = 30;

void clearBlock(int32_t slot) {
    Block& block = blockTable[slot];
    block.alive = block.dying = block.settled = false;
    block.pos = block.prevPos = {0, 0, parkedHeight};
    block.extent = {blockUnit, blockUnit, blockUnit};
    block.popDelay = 0;
}

int32_t randomBlockColour() {
    int r = playRandom() % colourDrawRange;
    if (r < 6) return Green;
    if (r < 11) return Pink;
    if (r < 16) return Orange;
    if (r < 21) return Red;
    if (r < 26) return Blue;
    return Yellow;
}

int32_t spawnBlock() {
    for (int32_t slot = 0; slot < blockSlots; slot++) {
        if (blockTable[slot].alive) continue;
        clearBlock(slot);
        blockTable[slot].colour = randomBlockColour();
        return slot;
    }
    return -1;
}

static bool near(const Block& block, float x, float y, float z) {
    return std::fabs(block.pos.x - x) <= lookupTolerance &&
           std::fabs(block.pos.y - y) <= lookupTolerance &&
           std::fabs(block.pos.z - z) <= lookupTolerance;
}

int32_t findRestingBlockAt(float x, float y, float z) {
    for (int32_t slot = 0; slot < blockSlots; slot++) {
        if (isStanding(blockTable[slot]) && near(blockTable[slot], x, y, z)) return slot;
    }
    return -1;
}

int32_t findBlockAt(float x, float y, float z, int32_t slotEnd) {
    for (int32_t slot = 0; slot < slotEnd; slot++) {
        const Block& block = blockTable[slot];
        if (block.alive && isAtRest(block) && near(block, x, y, z)) return slot;
    }
    return -1;
}

int32_t neighbourOf(int32_t slot, int32_t direction) {
    if (direction < MinusX || direction > MinusY) return -1;
    Vec3 cell = blockTable[slot].pos + directionVector(direction) * blockUnit;
    return findRestingBlockAt(cell.x, cell.y, cell.z);
}

const char* particleTextureOf(int32_t colour) {
    static const char* const textures[colourCount] = {"",
                                                      "yellowparticle.tga",
                                                      "blueparticle.tga",
                                                      "redparticle.tga",
                                                      "orangeparticle.tga",
                                                      "pinkparticle.tga",
                                                      "whiteparticle.tga",
                                                      "greenparticle.tga"};
    return colour > 0 && colour < colourCount ? textures[colour] : "";
}

int32_t aliveBlockCount() {
    int32_t count = 0;
    for (const Block& block : blockTable) count += block.alive ? 1 : 0;
    return count;
}
