// ".mbm" parsing, vertex buffer set-up and mesh drawing.
#define GL_GLEXT_PROTOTYPES
#include "engine/meshes.h"

#include <GL/glext.h>

#include <cmath>
#include <cstring>

#include "archive/asset_archive.h"
#include "base/console_log.h"
#include "engine/frame_damage.h"
#include "engine/gl_caps.h"
#include "engine/render_stats.h"

Mesh cubeMesh;
Mesh geosphereMesh;
Mesh particleQuad;
int64_t vertexBufferBytes = 0;

// The sub-mesh whose pointers are set up; drawing it again skips the set-up.
static const SubMesh* lastDrawnSubMesh = nullptr;

static constexpr float particleQuadHalf = 16.0f;
static constexpr int faceFloats = 6;  // three vertex indices, three texture indices
static constexpr int vertexFloats = 3;
static constexpr int texCoordFloats = 2;

// ---- parsing ----

// Reads the file's floats in order, never past its end.
struct FloatReader {
    const std::string& bytes;
    size_t at;
    size_t remaining() const { return (bytes.size() - at) / sizeof(float); }
    float next() {
        float value;
        std::memcpy(&value, bytes.data() + at, sizeof(float));
        at += sizeof(float);
        return value;
    }
};

// A count stored as a float: whole part, or -1 when it is not a sane count.
static int64_t readCount(FloatReader& reader) {
    if (reader.remaining() < 1) return -1;
    float value = reader.next();
    if (!std::isfinite(value) || value < 0 || value > static_cast<float>(reader.bytes.size()))
        return -1;
    return static_cast<int64_t>(value);
}

// An index stored as a float, checked against its list's length.
static bool readIndex(FloatReader& reader, int64_t count, int64_t& index) {
    float value = reader.next();
    if (!std::isfinite(value) || value < 0 || value >= static_cast<float>(count)) return false;
    index = static_cast<int64_t>(value);
    return index < count;
}

// The face list: three vertex then three texture indices per face, each checked.
static bool readFaceIndices(FloatReader& reader, int64_t faces, int64_t vertices, int64_t texCoords,
                            std::vector<int64_t>& indices) {
    indices.resize(faces * faceFloats);
    for (int64_t i = 0; i < faces * faceFloats; i++) {
        int64_t limit = i % faceFloats < 3 ? vertices : texCoords;
        if (!readIndex(reader, limit, indices[i])) return false;
    }
    return true;
}

// Vertices are stored z-up; the game is y-up: (x, y, z) becomes (x, z, -y).
static std::vector<float> readPositions(FloatReader& reader, int64_t vertices) {
    std::vector<float> positions(vertices * vertexFloats);
    for (int64_t v = 0; v < vertices; v++) {
        float x = reader.next(), y = reader.next(), z = reader.next();
        positions[v * 3] = x;
        positions[v * 3 + 1] = z;
        positions[v * 3 + 2] = -y;
    }
    return positions;
}

// Corners are stored last first: reading them backwards restores the winding.
static std::vector<float> faceCorners(const std::vector<int64_t>& indices,
                                      const std::vector<float>& positions,
                                      const std::vector<float>& uvs) {
    std::vector<float> corners;
    corners.reserve(indices.size() / faceFloats * 3 * cornerFloats);
    for (size_t face = 0; face < indices.size(); face += faceFloats) {
        for (int corner = 2; corner >= 0; corner--) {
            int64_t v = indices[face + corner], t = indices[face + 3 + corner];
            corners.insert(corners.end(), {positions[v * 3], positions[v * 3 + 1],
                                           positions[v * 3 + 2], uvs[t * 2], uvs[t * 2 + 1]});
        }
    }
    return corners;
}

static bool readSubMesh(FloatReader& reader, std::vector<float>& corners, std::string& error) {
    int64_t faces = readCount(reader), vertices = readCount(reader), texCoords = readCount(reader);
    if (faces < 0 || vertices < 0 || texCoords < 0) {
        error = "bad count";
        return false;
    }
    uint64_t needed = faces * faceFloats + vertices * vertexFloats + texCoords * texCoordFloats;
    if (needed > reader.remaining()) {
        error = "file ends early";
        return false;
    }
    std::vector<int64_t> indices;
    if (!readFaceIndices(reader, faces, vertices, texCoords, indices)) {
        error = "index out of range";
        return false;
    }
    std::vector<float> positions = readPositions(reader, vertices);
    std::vector<float> uvs(texCoords * texCoordFloats);
    for (float& value : uvs) value = reader.next();
    corners = faceCorners(indices, positions, uvs);
    return true;
}

bool parseMbm(const std::string& bytes, std::vector<std::vector<float>>& subMeshCorners,
              std::string& error) {
    FloatReader reader{bytes, 0};
    subMeshCorners.clear();
    int64_t count = readCount(reader);
    if (count < 0) {
        error = "bad sub-mesh count";
        return false;
    }
    for (int64_t i = 0; i < count; i++) {
        std::vector<float> corners;
        if (!readSubMesh(reader, corners, error)) return false;
        subMeshCorners.push_back(std::move(corners));
    }
    return true;
}

// ---- GL set-up ----

static void fillVertexBuffer(SubMesh& subMesh, GLenum usage) {
    GLsizeiptr bytes = static_cast<GLsizeiptr>(subMesh.corners.size() * sizeof(float));
    glGenBuffers(1, &subMesh.buffer);
    glBindBuffer(GL_ARRAY_BUFFER, subMesh.buffer);
    glBufferData(GL_ARRAY_BUFFER, bytes, nullptr, usage);
    void* mapped = glMapBuffer(GL_ARRAY_BUFFER, GL_WRITE_ONLY);
    if (mapped) {
        std::memcpy(mapped, subMesh.corners.data(), bytes);
        glUnmapBuffer(GL_ARRAY_BUFFER);
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    vertexBufferBytes += bytes;
}

static void addSubMesh(Mesh& mesh, std::vector<float> corners, int cornersPerFace, GLenum usage) {
    SubMesh subMesh = {0, 0, std::move(corners)};
    subMesh.faceCount = static_cast<int>(subMesh.corners.size() / (cornersPerFace * cornerFloats));
    if (hasVBO && !subMesh.corners.empty()) fillVertexBuffer(subMesh, usage);
    mesh.subMeshes.push_back(std::move(subMesh));
}

void destroyMesh(Mesh& mesh) {
    for (SubMesh& subMesh : mesh.subMeshes) {
        if (subMesh.buffer) glDeleteBuffers(1, &subMesh.buffer);
    }
    mesh.subMeshes.clear();
    lastDrawnSubMesh = nullptr;
}

void destroyMeshes() {
    destroyMesh(cubeMesh);
    destroyMesh(geosphereMesh);
    destroyMesh(particleQuad);
    vertexBufferBytes = 0;
}

std::string loadMesh(Mesh& mesh, const std::string& file) {
    logConsole("loading mesh " + file);
    destroyMesh(mesh);
    mesh.quads = false;
    std::string bytes = readAsset("meshes\\" + file);
    std::vector<std::vector<float>> subMeshCorners;
    std::string error, trouble;
    if (bytes.empty()) {
        trouble = "not found";
    } else if (!parseMbm(bytes, subMeshCorners, error)) {
        trouble = "is damaged: " + error;
    } else {
        for (std::vector<float>& corners : subMeshCorners)
            addSubMesh(mesh, std::move(corners), 3, GL_STATIC_DRAW);
    }
    if (!trouble.empty()) logConsole("mesh " + file + " " + trouble);
    logConsole("finished loading mesh " + file);
    return trouble;
}

void buildParticleQuad(Mesh& mesh) {
    logConsole("loading particle mesh");
    destroyMesh(mesh);
    mesh.quads = true;
    const float s = particleQuadHalf;
    addSubMesh(mesh, {-s, -s, 0, 0, 0, s, -s, 0, 1, 0, s, s, 0, 1, 1, -s, s, 0, 0, 1}, 4,
               GL_DYNAMIC_DRAW);
    logConsole("finished loading particle mesh ");
}

// ---- drawing ----

// With a vertex buffer bound the GL takes byte offsets into it, not
// addresses; they are made from integers, since an offset added to a null
// pointer is undefined.
static const void* arrayAddress(const SubMesh& subMesh, size_t offsetBytes) {
    if (subMesh.buffer) return reinterpret_cast<const void*>(offsetBytes);
    return reinterpret_cast<const char*>(subMesh.corners.data()) + offsetBytes;
}

static void pointArraysAt(const SubMesh& subMesh) {
    if (subMesh.buffer) glBindBuffer(GL_ARRAY_BUFFER, subMesh.buffer);
    glVertexPointer(3, GL_FLOAT, cornerBytes, arrayAddress(subMesh, 0));
    glTexCoordPointer(2, GL_FLOAT, cornerBytes, arrayAddress(subMesh, 3 * sizeof(float)));
    if (subMesh.buffer) glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void drawMesh(const Mesh& mesh) {
    for (const SubMesh& subMesh : mesh.subMeshes) {
        if (subMesh.faceCount == 0) continue;
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        if (&subMesh != lastDrawnSubMesh) pointArraysAt(subMesh);
        lastDrawnSubMesh = &subMesh;
        // A mesh's corners never change once loaded: where it lies names them.
        const void* named = &subMesh;
        noteDraw(&named, sizeof(named));
        if (mesh.quads)
            glDrawArrays(GL_QUADS, 0, 4 * subMesh.faceCount);
        else
            glDrawArrays(GL_TRIANGLES, 0, 3 * subMesh.faceCount);
        countDraws(1);
    }
}

static void drawCorners(GLenum mode, const std::vector<float>& corners) {
    if (corners.empty()) return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, cornerBytes, corners.data());
    glTexCoordPointer(2, GL_FLOAT, cornerBytes, corners.data() + 3);
    // The arrays now point here, not at any sub-mesh.
    lastDrawnSubMesh = nullptr;
    noteDraw(corners.data(), corners.size() * sizeof(float));
    size_t count = corners.size() / cornerFloats;
    // A frame drawn again in parts: text far from the part costs the driver as much as near.
    if (cornersMissScissor(corners.data(), count, cornerFloats)) return;
    glDrawArrays(mode, 0, static_cast<GLsizei>(count));
    countDraws(1);
}

void drawQuadCorners(const std::vector<float>& corners) {
    drawCorners(GL_QUADS, corners);
}

void drawTriangleCorners(const std::vector<float>& corners) {
    drawCorners(GL_TRIANGLES, corners);
}

void drawColouredQuadCorners(const std::vector<float>& corners,
                             const std::vector<GLubyte>& colours) {
    if (colours.size() * cornerFloats < corners.size() * 4) return;
    noteDraw(colours.data(), colours.size());
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_UNSIGNED_BYTE, 0, colours.data());
    drawCorners(GL_QUADS, corners);
    glDisableClientState(GL_COLOR_ARRAY);
    if (colours.size() >= 4) {
        const GLubyte* last = &colours[colours.size() - 4];
        glColor4ub(last[0], last[1], last[2], last[3]);
    }
}

void addFacingSquare(Vec3 at, Vec3 side, Vec3 up, float scale, std::vector<float>& corners) {
    if (particleQuad.subMeshes.empty()) return;
    const std::vector<float>& quad = particleQuad.subMeshes.front().corners;
    for (size_t corner = 0; corner + cornerFloats <= quad.size(); corner += cornerFloats) {
        float x = quad[corner] * scale, y = quad[corner + 1] * scale;
        corners.push_back(at.x + side.x * x + up.x * y);
        corners.push_back(at.y + side.y * x + up.y * y);
        corners.push_back(at.z + side.z * x + up.z * y);
        corners.push_back(quad[corner + 3]);
        corners.push_back(quad[corner + 4]);
    }
}
