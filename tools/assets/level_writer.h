// The level designs: text layers of '#' and '.' turned into ".blvl" files
// of block centres on the 32-unit grid.
#pragma once

#include <string>
#include <vector>

#include "tools/assets/generated_asset.h"

struct GridCell {
    int x, y, z;  // in blocks; the world position is 32 times this
};

constexpr float levelBlockUnit = 32.0f;
constexpr int levelFileCount = 10;
constexpr int maxLevelBlocks = 512;

// Reads the layers ("-" lines between them, ';' comments), centred on the
// origin. False with `error` set on an unknown character or an empty design.
bool parseLevelText(const std::string& text, std::vector<GridCell>& cells, std::string& error);
// Whether every block can reach every other through shared faces.
bool isFaceConnected(const std::vector<GridCell>& cells);
// int32 count, then x, y, z of each block as floats.
std::string writeBlvl(const std::vector<GridCell>& cells);
