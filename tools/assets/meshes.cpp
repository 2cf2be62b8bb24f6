// The cube every block is drawn with and the geosphere particle source.
#include <cmath>
#include <cstring>
#include <map>

#include "tools/assets/mesh_writer.h"

static void appendFloat(std::string& out, float value) {
    char bytes[sizeof(float)];
    std::memcpy(bytes, &value, sizeof(float));
    out.append(bytes, sizeof(float));
}

std::string writeMbm(const MeshData& mesh) {
    std::string out;
    appendFloat(out, 1.0f);
    appendFloat(out, static_cast<float>(mesh.faces.size()));
    appendFloat(out, static_cast<float>(mesh.vertices.size()));
    appendFloat(out, static_cast<float>(mesh.texCoords.size()));
    // The loader draws a stored face's corners last first, so store them reversed.
    for (const MeshFace& face : mesh.faces) {
        for (int corner = 2; corner >= 0; --corner) appendFloat(out, float(face.vertex[corner]));
        for (int corner = 2; corner >= 0; --corner) appendFloat(out, float(face.texCoord[corner]));
    }
    // The loader turns a stored (x, y, z) into (x, z, -y); this is its inverse.
    for (const Vec3& v : mesh.vertices) {
        appendFloat(out, v[0]);
        appendFloat(out, v[2] == 0.0f ? 0.0f : -v[2]);
        appendFloat(out, v[1]);
    }
    for (const Vec2& t : mesh.texCoords) {
        appendFloat(out, t[0]);
        appendFloat(out, t[1]);
    }
    return out;
}

static Vec3 add(Vec3 a, Vec3 b) {
    return {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
}
static Vec3 scale(Vec3 a, float s) {
    return {a[0] * s, a[1] * s, a[2] * s};
}
static Vec3 subtract(Vec3 a, Vec3 b) {
    return add(a, scale(b, -1.0f));
}
static float dot(Vec3 a, Vec3 b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
static Vec3 cross(Vec3 a, Vec3 b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
static Vec3 normalised(Vec3 a) {
    return scale(a, 1.0f / std::sqrt(dot(a, a)));
}

// Shares equal positions between faces.
static int vertexIndex(MeshData& mesh, std::map<Vec3, int>& known, Vec3 position) {
    auto found = known.find(position);
    if (found != known.end()) return found->second;
    mesh.vertices.push_back(position);
    return known[position] = static_cast<int>(mesh.vertices.size()) - 1;
}

// One cube side: `right` x `up` = `normal`, so texture (0,0) (1,0) (1,1) (0,1)
// runs counter-clockwise seen from outside.
static void addCubeSide(MeshData& mesh, std::map<Vec3, int>& known, Vec3 normal, Vec3 up) {
    const float half = cubeEdge / 2;
    Vec3 right = cross(up, normal);
    Vec3 centre = scale(normal, half);
    int corners[4];
    for (int i = 0; i < 4; ++i) {
        float u = mesh.texCoords[i][0] * 2 - 1, v = mesh.texCoords[i][1] * 2 - 1;
        corners[i] =
            vertexIndex(mesh, known, add(centre, add(scale(right, u * half), scale(up, v * half))));
    }
    mesh.faces.push_back({{corners[0], corners[1], corners[2]}, {0, 1, 2}});
    mesh.faces.push_back({{corners[0], corners[2], corners[3]}, {0, 2, 3}});
}

MeshData makeCubeMesh() {
    MeshData mesh;
    mesh.texCoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    std::map<Vec3, int> known;
    // The game's view has +z up: side textures stand upright, top and bottom face +y.
    const Vec3 up{0, 0, 1}, depth{0, 1, 0};
    addCubeSide(mesh, known, {1, 0, 0}, up);
    addCubeSide(mesh, known, {-1, 0, 0}, up);
    addCubeSide(mesh, known, {0, 1, 0}, up);
    addCubeSide(mesh, known, {0, -1, 0}, up);
    addCubeSide(mesh, known, {0, 0, 1}, depth);
    addCubeSide(mesh, known, {0, 0, -1}, depth);
    return mesh;
}

static const float goldenRatio = (1.0f + std::sqrt(5.0f)) / 2.0f;

static std::vector<Vec3> icosahedronCorners() {
    const float g = goldenRatio;
    return {{-1, g, 0},  {1, g, 0},  {-1, -g, 0}, {1, -g, 0}, {0, -1, g},  {0, 1, g},
            {0, -1, -g}, {0, 1, -g}, {g, 0, -1},  {g, 0, 1},  {-g, 0, -1}, {-g, 0, 1}};
}

static const int icosahedronFaces[20][3] = {
    {0, 11, 5},  {0, 5, 1},  {0, 1, 7},  {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
    {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
    {3, 8, 9},   {4, 9, 5},  {2, 4, 11}, {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};

using Triangle = std::array<Vec3, 3>;

static std::vector<Triangle> splitInFour(const std::vector<Triangle>& triangles) {
    std::vector<Triangle> out;
    for (const Triangle& t : triangles) {
        Vec3 ab = normalised(add(t[0], t[1])), bc = normalised(add(t[1], t[2]));
        Vec3 ca = normalised(add(t[2], t[0]));
        out.insert(out.end(), {{t[0], ab, ca}, {ab, t[1], bc}, {ca, bc, t[2]}, {ab, bc, ca}});
    }
    return out;
}

MeshData makeGeosphereMesh(int subdivisions, float radius) {
    std::vector<Vec3> corners = icosahedronCorners();
    std::vector<Triangle> triangles;
    for (const auto& face : icosahedronFaces)
        triangles.push_back({normalised(corners[face[0]]), normalised(corners[face[1]]),
                             normalised(corners[face[2]])});
    for (int i = 0; i < subdivisions; ++i) triangles = splitInFour(triangles);

    MeshData mesh;
    mesh.texCoords = {{0, 0}, {1, 0}, {0.5f, 1}};
    std::map<Vec3, int> known;
    for (Triangle& t : triangles) {
        Vec3 normal = cross(subtract(t[1], t[0]), subtract(t[2], t[0]));
        if (dot(normal, add(add(t[0], t[1]), t[2])) < 0) std::swap(t[1], t[2]);
        MeshFace face{{}, {0, 1, 2}};
        for (int c = 0; c < 3; ++c) face.vertex[c] = vertexIndex(mesh, known, scale(t[c], radius));
        mesh.faces.push_back(face);
    }
    return mesh;
}

std::vector<GeneratedAsset> generateMeshes() {
    return {{"meshes\\cube.mbm", writeMbm(makeCubeMesh())},
            {"meshes\\geosphere.mbm",
             writeMbm(makeGeosphereMesh(geosphereSubdivisions, geosphereRadius))}};
}
