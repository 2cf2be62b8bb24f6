#include "game/blocks.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>

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

int32_t neighbourOf(int32_t slot, int32_t direction) {
    if (direction < MinusX || direction > MinusY) return -1;
    Vec3 cell = blockTable[slot].pos + directionVector(direction) * blockUnit;
    return findRestingBlockAt(cell.x, cell.y, cell.z);
}

int32_t neighbourIn(const RestingCells& cells, int32_t slot, int32_t direction) {
    if (direction < MinusX || direction > MinusY) return -1;
    return cells.find(blockTable[slot].pos + directionVector(direction) * blockUnit);
}

// ---- resting cells ----

// A point within this of a cell's centre on every axis has all the blocks
// near it in that cell: tolerance plus this stays under half a cell.
static constexpr double cellCentreReach = blockUnit / 2 - lookupTolerance - 1;

void RestingCells::clear() {
    std::fill(std::begin(first), std::end(first), -1);
    filedCount = 0;
    offGrid = false;
}

int32_t RestingCells::cellOf(Vec3 p, bool nearCentre) {
    int32_t index = 0;
    for (double coordinate : {p.x, p.y, p.z}) {
        double cell = std::round(coordinate / blockUnit);
        if (nearCentre && std::fabs(coordinate - cell * blockUnit) > cellCentreReach) return -1;
        if (cell < -edge / 2 || cell >= edge / 2) return -1;
        index = index * edge + static_cast<int32_t>(cell) + edge / 2;
    }
    return index;
}

void RestingCells::file(int32_t slot) {
    filed[filedCount++] = static_cast<int16_t>(slot);
    int32_t cell = cellOf(blockTable[slot].pos, false);
    if (cell < 0) {
        offGrid = true;
        return;
    }
    next[slot] = first[cell];
    first[cell] = static_cast<int16_t>(slot);
}

void RestingCells::fileStanding() {
    clear();
    for (int32_t slot = 0; slot < blockSlots; slot++)
        if (isStanding(blockTable[slot])) file(slot);
}

int32_t RestingCells::find(Vec3 p) const {
    int32_t cell = offGrid ? -1 : cellOf(p, true);
    int32_t found = -1;
    if (cell < 0) {
        // Off the grid or between cells: every filed block, lowest slot first.
        for (int32_t i = 0; i < filedCount && found < 0; i++)
            if (near(blockTable[filed[i]], p.x, p.y, p.z)) found = filed[i];
        return found;
    }
    for (int32_t slot = first[cell]; slot >= 0; slot = next[slot])
        if (near(blockTable[slot], p.x, p.y, p.z) && (found < 0 || slot < found)) found = slot;
    return found;
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
