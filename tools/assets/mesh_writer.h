// The ".mbm" meshes: built in the coordinates the game draws in, written in
// the file's z-up float format with each face's corners stored reversed.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "tools/assets/generated_asset.h"

using Vec3 = std::array<float, 3>;
using Vec2 = std::array<float, 2>;

struct MeshFace {
    std::array<int, 3> vertex;    // corners in drawing order, counter-clockwise seen from outside
    std::array<int, 3> texCoord;  // matching texture-coordinate indices
};

struct MeshData {
    std::vector<Vec3> vertices;  // as the game holds them after loading
    std::vector<Vec2> texCoords;
    std::vector<MeshFace> faces;
};

constexpr float cubeEdge = 32.0f;
constexpr float geosphereRadius = 16.0f;
constexpr int geosphereSubdivisions = 2;

// One sub-mesh, every number a little-endian float.
std::string writeMbm(const MeshData& mesh);
// Edge 32, centred on the origin, the whole texture on every face.
MeshData makeCubeMesh();
// An icosahedron with each triangle split in four `subdivisions` times.
MeshData makeGeosphereMesh(int subdivisions, float radius);
