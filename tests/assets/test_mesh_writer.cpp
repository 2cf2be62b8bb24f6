// The meshes read back by the game's loading rules: stored vertices turned
// from z-up, each stored face drawn last corner first.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <set>

#include "tools/assets/mesh_writer.h"

namespace {

struct DrawnTriangle {
    Vec3 corner[3];
    Vec2 tex[3];
};

struct LoadedMesh {
    int subMeshes = 0, faces = 0, vertices = 0, texCoords = 0;
    std::vector<DrawnTriangle> triangles;
    std::vector<Vec3> positions;
};

// Reads a one-sub-mesh file as the game's loader does.
LoadedMesh loadByGameRules(const std::string& bytes) {
    std::vector<float> f(bytes.size() / 4);
    std::memcpy(f.data(), bytes.data(), f.size() * 4);
    LoadedMesh mesh;
    mesh.subMeshes = int(f.at(0));
    mesh.faces = int(f.at(1)), mesh.vertices = int(f.at(2)), mesh.texCoords = int(f.at(3));
    size_t facesAt = 4, verticesAt = facesAt + 6 * mesh.faces,
           texAt = verticesAt + 3 * mesh.vertices;
    EXPECT_EQ(f.size(), texAt + 2 * mesh.texCoords);
    for (int v = 0; v < mesh.vertices; ++v) {
        const float* p = &f.at(verticesAt + 3 * v);
        mesh.positions.push_back({p[0], p[2], -p[1]});
    }
    for (int i = 0; i < mesh.faces; ++i) {
        const float* stored = &f.at(facesAt + 6 * i);
        DrawnTriangle t;
        for (int c = 0; c < 3; ++c) {
            t.corner[c] = mesh.positions.at(int(stored[2 - c]));
            const float* uv = &f.at(texAt + 2 * int(stored[5 - c]));
            t.tex[c] = {uv[0], uv[1]};
        }
        mesh.triangles.push_back(t);
    }
    return mesh;
}

Vec3 minus(Vec3 a, Vec3 b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
Vec3 crossOf(Vec3 a, Vec3 b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
float dotOf(Vec3 a, Vec3 b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
Vec3 normalOf(const DrawnTriangle& t) {
    return crossOf(minus(t.corner[1], t.corner[0]), minus(t.corner[2], t.corner[0]));
}
Vec3 centroidOf(const DrawnTriangle& t) {
    Vec3 c{};
    for (const Vec3& p : t.corner)
        for (int a = 0; a < 3; ++a) c[a] += p[a] / 3;
    return c;
}
// Signed area in texture space: positive when the texture is not mirrored.
float texArea(const DrawnTriangle& t) {
    Vec2 a = t.tex[0], b = t.tex[1], c = t.tex[2];
    return (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
}

TEST(MeshWriter, StoredVertexTurnsIntoTheGamesAxes) {
    MeshData mesh;
    mesh.vertices = {{1, 3, -2}, {0, 0, 0}, {1, 0, 0}};
    mesh.texCoords = {{0, 0}};
    mesh.faces = {{{0, 1, 2}, {0, 0, 0}}};
    std::string bytes = writeMbm(mesh);
    std::vector<float> f(bytes.size() / 4);
    std::memcpy(f.data(), bytes.data(), bytes.size());
    std::vector<float> expected{1,
                                1,
                                3,
                                1,
                                /*face stored reversed*/ 2,
                                1,
                                0,
                                0,
                                0,
                                0,
                                /*vertex 0*/ 1,
                                2,
                                3,
                                0,
                                0,
                                0,
                                1,
                                0,
                                0,
                                0,
                                0};
    EXPECT_EQ(f, expected);
    LoadedMesh loaded = loadByGameRules(bytes);
    EXPECT_EQ(loaded.positions[0], (Vec3{1, 3, -2}));
    EXPECT_EQ(loaded.triangles[0].corner[0], (Vec3{1, 3, -2}));
}

TEST(MeshWriter, CubeIsTwelveOutwardTrianglesOfEdge32) {
    LoadedMesh cube = loadByGameRules(writeMbm(makeCubeMesh()));
    EXPECT_EQ(cube.subMeshes, 1);
    EXPECT_EQ(cube.faces, 12);
    EXPECT_EQ(cube.vertices, 8);
    for (const Vec3& p : cube.positions)
        for (float v : p) EXPECT_EQ(std::fabs(v), 16.0f);
    std::map<Vec3, int> trianglesPerSide;
    for (const DrawnTriangle& t : cube.triangles) {
        Vec3 n = normalOf(t);
        ASSERT_GT(dotOf(n, centroidOf(t)), 0.0f) << "a face is wound inwards";
        EXPECT_FLOAT_EQ(std::sqrt(dotOf(n, n)), 32.0f * 32.0f);
        Vec3 side{};
        for (int a = 0; a < 3; ++a) side[a] = std::round(n[a] / (32.0f * 32.0f));
        ++trianglesPerSide[side];
        EXPECT_GT(texArea(t), 0.0f) << "the texture is mirrored";
    }
    EXPECT_EQ(trianglesPerSide.size(), 6u);
    for (const auto& [side, count] : trianglesPerSide) EXPECT_EQ(count, 2);
}

TEST(MeshWriter, EachCubeSideShowsTheWholeTexture) {
    LoadedMesh cube = loadByGameRules(writeMbm(makeCubeMesh()));
    for (size_t i = 0; i < cube.triangles.size(); i += 2) {
        std::set<Vec2> corners;
        for (size_t j = i; j < i + 2; ++j)
            for (const Vec2& uv : cube.triangles[j].tex) corners.insert(uv);
        EXPECT_EQ(corners, (std::set<Vec2>{{0, 0}, {1, 0}, {1, 1}, {0, 1}}));
        EXPECT_FLOAT_EQ(
            std::fabs(texArea(cube.triangles[i])) + std::fabs(texArea(cube.triangles[i + 1])),
            2.0f);
    }
}

TEST(MeshWriter, GeosphereIsAClosedOutwardSphere) {
    LoadedMesh sphere =
        loadByGameRules(writeMbm(makeGeosphereMesh(geosphereSubdivisions, geosphereRadius)));
    EXPECT_EQ(sphere.faces, 20 * 16);
    EXPECT_EQ(sphere.vertices, 162);
    for (const Vec3& p : sphere.positions)
        EXPECT_NEAR(std::sqrt(dotOf(p, p)), geosphereRadius, 1e-3);
    // A closed surface wound one way uses every directed edge exactly once.
    std::map<std::pair<Vec3, Vec3>, int> edges;
    for (const DrawnTriangle& t : sphere.triangles) {
        ASSERT_GT(dotOf(normalOf(t), centroidOf(t)), 0.0f);
        for (int c = 0; c < 3; ++c) ++edges[{t.corner[c], t.corner[(c + 1) % 3]}];
    }
    for (const auto& [edge, count] : edges) {
        EXPECT_EQ(count, 1);
        EXPECT_EQ(edges.count({edge.second, edge.first}), 1u);
    }
}

TEST(MeshWriter, GeneratedMeshesCarryTheirArchiveNames) {
    std::vector<GeneratedAsset> meshes = generateMeshes();
    ASSERT_EQ(meshes.size(), 2u);
    EXPECT_EQ(meshes[0].name, "meshes\\cube.mbm");
    EXPECT_EQ(meshes[1].name, "meshes\\geosphere.mbm");
    EXPECT_EQ(loadByGameRules(meshes[1].bytes).faces, 320);
}

}  // namespace
