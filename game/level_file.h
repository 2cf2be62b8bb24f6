// Level files: a block count and one (x, y, z) grid centre per block, read
// from the asset archive field by field.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/vector_math.h"

// "levels\N.blvl" for file number N (1-based, no sign, no leading zeros).
std::string levelFileName(int32_t fileNumber);
// Reads the block centres of the level at `offset` in the gzip stream at
// `path`. False when the file cannot be opened; damage keeps the blocks read
// before it and logs what was wrong.
bool readLevelFile(const std::string& path, int32_t offset, std::vector<Vec3>& centres);
// The block centres of a level file in the asset archive; empty when missing.
std::vector<Vec3> loadLevelFromArchive(int32_t fileNumber);

// Where startLevel gets a level's block centres; tests and the simulation
// may replace it with levels built in memory.
extern std::vector<Vec3> (*levelSource)(int32_t fileNumber);  // loadLevelFromArchive by default
