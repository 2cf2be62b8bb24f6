// Converts the level designs in assets/levels into the game's level files.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <tuple>

#include "tools/assets/level_writer.h"

static const char layerSeparator[] = "-";
static const char commentMark = ';';
static const char blockMark = '#';
static const std::string emptyMarks = ". \t\r";

static bool lessCell(const GridCell& a, const GridCell& b) {
    return std::tie(a.x, a.y, a.z) < std::tie(b.x, b.y, b.z);
}

// Each layer is a plan view; rows run towards -y, so y is counted from the bottom row.
static bool readLayers(const std::string& text, std::vector<GridCell>& cells, std::string& error) {
    std::istringstream in(text);
    std::string line;
    std::vector<std::string> rows;
    int z = 0;
    auto flushLayer = [&]() {
        for (size_t row = 0; row < rows.size(); ++row)
            for (size_t column = 0; column < rows[row].size(); ++column)
                if (rows[row][column] == blockMark)
                    cells.push_back({int(column), int(rows.size() - 1 - row), z});
        rows.clear();
        ++z;
    };
    for (int lineNumber = 1; std::getline(in, line); ++lineNumber) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == commentMark) continue;
        if (line == layerSeparator) {
            flushLayer();
            continue;
        }
        size_t bad = line.find_first_not_of(emptyMarks + blockMark);
        if (bad != std::string::npos) {
            error = "line " + std::to_string(lineNumber) + ": unknown mark '" + line[bad] + "'";
            return false;
        }
        rows.push_back(line);
    }
    flushLayer();
    return true;
}

static int centreShift(const std::vector<GridCell>& cells, int GridCell::*axis) {
    auto [low, high] = std::minmax_element(cells.begin(), cells.end(),
                                           [&](auto& a, auto& b) { return a.*axis < b.*axis; });
    // Rows, columns and layers count from 0, so the sum is never negative.
    return ((*low).*axis + (*high).*axis) / 2;
}

bool parseLevelText(const std::string& text, std::vector<GridCell>& cells, std::string& error) {
    cells.clear();
    if (!readLayers(text, cells, error)) return false;
    if (cells.empty()) {
        error = "no blocks";
        return false;
    }
    int shiftX = centreShift(cells, &GridCell::x), shiftY = centreShift(cells, &GridCell::y);
    int shiftZ = centreShift(cells, &GridCell::z);
    for (GridCell& cell : cells) cell = {cell.x - shiftX, cell.y - shiftY, cell.z - shiftZ};
    return true;
}

bool isFaceConnected(const std::vector<GridCell>& cells) {
    if (cells.empty()) return true;
    std::set<GridCell, decltype(&lessCell)> unseen(cells.begin(), cells.end(), &lessCell);
    std::vector<GridCell> frontier{cells.front()};
    unseen.erase(cells.front());
    const int steps[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    while (!frontier.empty()) {
        GridCell cell = frontier.back();
        frontier.pop_back();
        for (const auto& step : steps) {
            auto next = unseen.find({cell.x + step[0], cell.y + step[1], cell.z + step[2]});
            if (next == unseen.end()) continue;
            frontier.push_back(*next);
            unseen.erase(next);
        }
    }
    return unseen.empty();
}

static void appendLittleEndian(std::string& out, const void* value) {
    char bytes[4];
    std::memcpy(bytes, value, sizeof(bytes));
    out.append(bytes, sizeof(bytes));
}

std::string writeBlvl(const std::vector<GridCell>& cells) {
    std::string out;
    int32_t count = static_cast<int32_t>(cells.size());
    appendLittleEndian(out, &count);
    for (const GridCell& cell : cells) {
        for (int value : {cell.x, cell.y, cell.z}) {
            float position = value * levelBlockUnit;
            appendLittleEndian(out, &position);
        }
    }
    return out;
}

static std::string readTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(path + ": cannot be read");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

static std::vector<GridCell> loadDesign(const std::string& path) {
    std::vector<GridCell> cells;
    std::string error;
    if (!parseLevelText(readTextFile(path), cells, error))
        throw std::runtime_error(path + ": " + error);
    if (cells.size() > size_t(maxLevelBlocks))
        throw std::runtime_error(path + ": more than " + std::to_string(maxLevelBlocks) +
                                 " blocks");
    if (!isFaceConnected(cells)) throw std::runtime_error(path + ": blocks are not face-connected");
    return cells;
}

std::vector<GeneratedAsset> generateLevels(const std::string& assetSourceDir) {
    std::vector<GeneratedAsset> levels;
    for (int number = 1; number <= levelFileCount; ++number) {
        std::string file = std::to_string(number);
        std::vector<GridCell> cells = loadDesign(assetSourceDir + "/levels/" + file + ".txt");
        levels.push_back({"levels\\" + file + ".blvl", writeBlvl(cells)});
    }
    return levels;
}
