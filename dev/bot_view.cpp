#include "dev/bot_view.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "game/blocks.h"
#include "game/camera.h"
#include "settings/settings.h"

namespace {

struct Cell {
    int32_t x, y, z;
};

Cell cellOf(Vec3 point) {
    return {static_cast<int32_t>(std::lround(point.x / blockUnit)),
            static_cast<int32_t>(std::lround(point.y / blockUnit)),
            static_cast<int32_t>(std::lround(point.z / blockUnit))};
}

// The resting blocks by grid cell: what the eye sees in front of what.
struct RestingGrid {
    std::unordered_map<int64_t, int32_t> slots;
    Cell low = {0, 0, 0}, high = {0, 0, 0};

    static int64_t key(Cell c) { return (static_cast<int64_t>(c.x) * 4096 + c.y) * 4096 + c.z; }
    int32_t at(Cell c) const {
        auto found = slots.find(key(c));
        return found == slots.end() ? -1 : found->second;
    }
    bool outside(Cell c) const {
        return c.x < low.x || c.x > high.x || c.y < low.y || c.y > high.y || c.z < low.z ||
               c.z > high.z;
    }
};

// Blocks that are drawn at rest, popping ones too: they hide what lies behind.
RestingGrid restingGrid() {
    RestingGrid grid;
    bool first = true;
    for (int32_t slot = 0; slot < blockSlots; slot++) {
        const Block& block = blockTable[slot];
        if (!block.alive || !isAtRest(block)) continue;
        Cell c = cellOf(block.pos);
        grid.slots[RestingGrid::key(c)] = slot;
        grid.low = first ? c
                         : Cell{std::min(grid.low.x, c.x), std::min(grid.low.y, c.y),
                                std::min(grid.low.z, c.z)};
        grid.high = first ? c
                          : Cell{std::max(grid.high.x, c.x), std::max(grid.high.y, c.y),
                                 std::max(grid.high.z, c.z)};
        first = false;
    }
    return grid;
}

Vec3 faceCentre(int32_t slot, int32_t face) {
    return blockTable[slot].pos + directionVector(face) * (blockUnit / 2);
}

// Walks the grid cells the sight line from `from` to the eye passes through,
// cell by cell, until it leaves the mass; false when one holds a block.
bool sightLineClear(const RestingGrid& grid, Vec3 from, Vec3 eye) {
    float start[3] = {from.x / blockUnit + 0.5f, from.y / blockUnit + 0.5f,
                      from.z / blockUnit + 0.5f};
    float along[3] = {(eye.x - from.x) / blockUnit, (eye.y - from.y) / blockUnit,
                      (eye.z - from.z) / blockUnit};
    int32_t cell[3], step[3];
    float nextEdge[3], edgeGap[3];
    for (int k = 0; k < 3; k++) {
        cell[k] = static_cast<int32_t>(std::floor(start[k]));
        step[k] = along[k] >= 0 ? 1 : -1;
        float span = std::fabs(along[k]);
        edgeGap[k] = span > 0 ? 1.0f / span : INFINITY;
        float toEdge = along[k] >= 0 ? cell[k] + 1 - start[k] : start[k] - cell[k];
        nextEdge[k] = span > 0 ? toEdge / span : INFINITY;
    }
    for (;;) {
        Cell c = {cell[0], cell[1], cell[2]};
        if (grid.outside(c)) return true;
        if (grid.at(c) != -1) return false;
        int k = nextEdge[0] < nextEdge[1] ? (nextEdge[0] < nextEdge[2] ? 0 : 2)
                                          : (nextEdge[1] < nextEdge[2] ? 1 : 2);
        if (nextEdge[k] > 1.0f) return true;
        cell[k] += step[k];
        nextEdge[k] += edgeGap[k];
    }
}

// The eye in front of the face's plane (an edge-on face shows nothing), the
// cell in front empty and nothing on the sight line.
bool inSight(const RestingGrid& grid, int32_t slot, int32_t face) {
    Vec3 normal = directionVector(face), centre = faceCentre(slot, face);
    if (dotProduct(normal, camera.shakenEye - centre) <= 0.0f) return false;
    return sightLineClear(grid, centre + normal * (blockUnit / 64), camera.shakenEye);
}

// Inside the window, away from its edges and from the powerup buttons.
bool comfortablePoint(float x, float y) {
    constexpr float margin = 0.04f;
    float w = static_cast<float>(ScreenWidth), h = static_cast<float>(ScreenHeight);
    if (x < margin * w || x > (1 - margin) * w || y < margin * h || y > (1 - margin) * h)
        return false;
    float button = 0.05f * w;
    return !(x < 4.5f * button && y > h - 2 * button);
}

// Colour groups among the seen blocks, joined only through seen blocks.
void labelSeenGroups(BotView& view) {
    view.groupOf.assign(blockSlots, -1);
    view.groupSize.clear();
    std::vector<bool> seen(blockSlots, false);
    for (const SeenFace& f : view.faces) seen[f.slot] = true;
    for (int32_t start = 0; start < blockSlots; start++) {
        if (!seen[start] || view.groupOf[start] != -1) continue;
        int32_t id = static_cast<int32_t>(view.groupSize.size());
        view.groupSize.push_back(0);
        std::vector<int32_t> open = {start};
        view.groupOf[start] = id;
        while (!open.empty()) {
            int32_t slot = open.back();
            open.pop_back();
            view.groupSize[id]++;
            for (int32_t d = MinusX; d <= MinusY; d++) {
                int32_t next = neighbourOf(slot, d);
                if (next == -1 || !seen[next] || view.groupOf[next] != -1) continue;
                if (blockTable[next].colour != blockTable[slot].colour) continue;
                view.groupOf[next] = id;
                open.push_back(next);
            }
        }
    }
}

}  // namespace

bool faceScreenPoint(int32_t slot, int32_t face, float& x, float& y) {
    int viewport[4] = {0, 0, ScreenWidth, ScreenHeight};
    double wx, wy, wz;
    if (!projectPoint(faceCentre(slot, face), camera.modelviewMatrix, camera.projectionMatrix,
                      viewport, wx, wy, wz))
        return false;
    x = static_cast<float>(wx);
    y = static_cast<float>(ScreenHeight - wy);
    return wz > 0 && wz < 1;
}

bool faceInSight(int32_t slot, int32_t face) {
    return isStanding(blockTable[slot]) && inSight(restingGrid(), slot, face);
}

void lookAtMass(BotView& view) {
    RestingGrid grid = restingGrid();
    view.faces.clear();
    for (int32_t slot = 0; slot < blockSlots; slot++) {
        if (!isStanding(blockTable[slot])) continue;
        for (int32_t face = MinusX; face <= MinusY; face++) {
            SeenFace seen = {slot, face, 0, 0};
            if (!inSight(grid, slot, face) || !faceScreenPoint(slot, face, seen.x, seen.y) ||
                !comfortablePoint(seen.x, seen.y))
                continue;
            view.faces.push_back(seen);
        }
    }
    labelSeenGroups(view);
}

int32_t groupWithShot(const BotView& view, const SeenFace& seen, int32_t colour) {
    Vec3 cell = blockTable[seen.slot].pos + directionVector(seen.face) * blockUnit;
    int32_t total = 1;
    std::vector<int32_t> touched;
    for (int32_t d = MinusX; d <= MinusY; d++) {
        Vec3 next = cell + directionVector(d) * blockUnit;
        int32_t slot = findRestingBlockAt(next.x, next.y, next.z);
        if (slot == -1 || view.groupOf[slot] == -1 || blockTable[slot].colour != colour) continue;
        int32_t group = view.groupOf[slot];
        if (std::find(touched.begin(), touched.end(), group) != touched.end()) continue;
        touched.push_back(group);
        total += view.groupSize[group];
    }
    return total;
}
