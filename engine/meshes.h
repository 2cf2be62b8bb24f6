// Meshes: ".mbm" files from the asset archive turned into interleaved vertex
// arrays (x, y, z, u, v per corner), in vertex buffers when the GL has them.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/vector_math.h"

constexpr int cornerFloats = 5;  // x, y, z, u, v
constexpr int cornerBytes = cornerFloats * static_cast<int>(sizeof(float));

struct SubMesh {
    int faceCount;
    GLuint buffer;               // vertex buffer name, 0 when drawn from corners
    std::vector<float> corners;  // every face's corners in drawing order, 5 floats each
};

struct Mesh {
    std::vector<SubMesh> subMeshes;
    bool quads;  // faces are quads (4 corners), else triangles
};

extern Mesh cubeMesh;              // every block, and the block particles
extern Mesh geosphereMesh;         // a second particle shape
extern Mesh particleQuad;          // the sprite square of the particles
extern int64_t vertexBufferBytes;  // bytes held in vertex buffers

// Turns ".mbm" bytes into one corner array per sub-mesh: counts are floats,
// vertices go from z-up to y-up, and each face's stored corner order is
// reversed. False with a reason in error when the file is damaged.
bool parseMbm(const std::string& bytes, std::vector<std::vector<float>>& subMeshCorners,
              std::string& error);
// Reads "meshes\" + file; a missing or damaged file leaves the mesh empty
// and gives what is wrong with it ("not found", "is damaged: ..."), else "".
std::string loadMesh(Mesh& mesh, const std::string& file);
void buildParticleQuad(Mesh& mesh);
// Draws every sub-mesh with the current texture and texture matrix.
void drawMesh(const Mesh& mesh);
// Draws quads from corners held in memory (cornerFloats each), in one call.
void drawQuadCorners(const std::vector<float>& corners);
// The same for triangles.
void drawTriangleCorners(const std::vector<float>& corners);
// Quads with a colour for every corner (red, green, blue, alpha bytes), in
// one call; the current colour is left at the last corner's.
void drawColouredQuadCorners(const std::vector<float>& corners,
                             const std::vector<GLubyte>& colours);
// The particle square scaled by scale, its x along side and its y along up,
// centred on at: the corners a billboard matrix would make, appended.
void addFacingSquare(Vec3 at, Vec3 side, Vec3 up, float scale, std::vector<float>& corners);
void destroyMesh(Mesh& mesh);
// Releases the three meshes and their vertex buffers.
void destroyMeshes();
