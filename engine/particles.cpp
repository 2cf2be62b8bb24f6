// Polyparticle fragments, bursts, their motion and their billboarded sprites.
#include "engine/particles.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>

#include "archive/asset_archive.h"
#include "base/console_log.h"
#include "base/frame_state.h"
#include "base/game_state.h"
#include "base/profiler.h"
#include "engine/draw2d.h"
#include "engine/gl_caps.h"
#include "engine/textures.h"

PolyparticleSet cubeFragments;
PolyparticleSet geosphereFragments;
int particleCountMax = 0;

static constexpr float fragmentSpread = 1.5f;
static constexpr float flightDivisor = 45.0f;
static constexpr float gratsFlightSlowdown = 3.0f;
static constexpr int jitterRange = 100, jitterCentre = 50, jitterDivisor = 10;
static constexpr int spinRange = 100;
// A trail step below this (a console typo such as 0) would never end.
static constexpr float minimumTrailStep = 0.1f;

// ---- fragments ----

static Vec3 cornerAt(const std::vector<float>& corners, size_t corner) {
    const float* c = &corners[corner * cornerFloats];
    return {c[0], c[1], c[2]};
}

static int jitter() {
    return (rand() % jitterRange - jitterCentre) / jitterDivisor;
}

static PolyFragment makeFragment(const std::vector<float>& corners, size_t firstCorner) {
    PolyFragment fragment = {};
    for (int k = 0; k < 3; k++) {
        fragment.corners[k] = cornerAt(corners, firstCorner + k);
        fragment.texCoords[k][0] = corners[(firstCorner + k) * cornerFloats + 3];
        fragment.texCoords[k][1] = corners[(firstCorner + k) * cornerFloats + 4];
    }
    Vec3 c = (fragment.corners[0] + fragment.corners[1] + fragment.corners[2]) * (1.0f / 3.0f);
    c.x += jitter();
    c.y += jitter();
    c.z += jitter();
    c = c * fragmentSpread;
    fragment.distance = magnitude(c);
    fragment.direction = normalise(c);
    fragment.spin = rand() % spinRange;
    return fragment;
}

void loadPolyparticleMesh(PolyparticleSet& set, const Mesh& mesh) {
    ProfileScope section("loadPolyparticleMesh");
    logConsole("loading polyparticle mesh");
    set.fragments.clear();
    for (const SubMesh& subMesh : mesh.subMeshes) {
        size_t triangles = subMesh.corners.size() / (3 * cornerFloats);
        for (size_t t = 0; t < triangles; t++)
            set.fragments.push_back(makeFragment(subMesh.corners, t * 3));
    }
    logConsole("finished loading polyparticle mesh");
}

// Every block is drawn with the cube mesh: without it the game shows an
// empty space, so a data folder without a usable one ends the game with a
// message, as a missing archive does. The other meshes only add particles.
static void endWithoutCubeMesh(const std::string& trouble) {
    std::string message = "The block mesh meshes\\cube.mbm in " + assetArchivePath + " " + trouble +
                          "; the game cannot draw its blocks without it";
    logConsole(message);
    showMessageBox(message, "Error");
    endProgram(EXIT_FAILURE);
}

void loadMeshesAndParticles() {
    std::string trouble = loadMesh(cubeMesh, "cube.mbm");
    if (!trouble.empty() && !assetIndex.empty()) endWithoutCubeMesh(trouble);
    loadMesh(geosphereMesh, "geosphere.mbm");
    buildParticleQuad(particleQuad);
    loadPolyparticleMesh(cubeFragments, cubeMesh);
    loadPolyparticleMesh(geosphereFragments, geosphereMesh);
}

// ---- bursts ----

void loadPolyparticle(float x, float y, float z, const PolyparticleSet& set,
                      const std::string& texture, PolyparticleBurst& burst) {
    ProfileScope section("loadPolyparticle");
    burst.alive = true;
    burst.fragments = set.fragments;
    burst.age = 0;
    burst.texture = texture;
    burst.position = {x, y, z};
}

static bool onCongratulations() {
    return GameState == Grats || GameState == GratsToScoreScreen;
}

void updatePolyparticle(float dtMs, PolyparticleBurst& burst) {
    ProfileScope section("updatePolyparticle");
    float slowdown = onCongratulations() ? gratsFlightSlowdown : 1.0f;
    for (PolyFragment& fragment : burst.fragments) {
        fragment.previousPosition = fragment.position;
        Vec3 step = fragment.direction * (1.0f / slowdown);
        fragment.position = fragment.position + step * (dtMs / flightDivisor);
    }
    burst.age += dtMs;
    if (burst.age > polyparticleLifeMs) burst.alive = false;
}

float burstOpacity(const PolyparticleBurst& burst) {
    return 1.0f - burst.age / polyparticleLifeMs;
}

int trailSpriteCount() {
    float step = std::max(particleDeg, minimumTrailStep);
    int count = 0;
    for (float t = 0; t < particleTrailLength; t += step) count++;
    return count;
}

// ---- sprites ----

// The rotation that undoes the view's, so a sprite's plane faces the eye.
static void facingRotation(float rotation[16]) {
    float view[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, view);
    const int axes[3][3] = {{0, 4, 8}, {1, 5, 9}, {2, 6, 10}};
    std::fill(rotation, rotation + 16, 0.0f);
    for (int column = 0; column < 3; column++)
        for (int row = 0; row < 3; row++) rotation[column * 4 + row] = view[axes[column][row]];
    rotation[15] = 1.0f;
}

// One sprite's quad, turned to face the eye and placed at at, appended to
// the burst's corners: the same corners the matrix stack would make.
static void addSprite(Vec3 at, const float rotation[16], std::vector<float>& corners) {
    Vec3 side = {rotation[0], rotation[1], rotation[2]},
         up = {rotation[4], rotation[5], rotation[6]};
    addFacingSquare(at, side, up, particleSpriteScale, corners);
    particlesDrawn++;
}

static void addFragment(const PolyparticleBurst& burst, const PolyFragment& fragment,
                        const float rotation[16], std::vector<float>& corners) {
    Vec3 p = burst.position + fragment.position;
    addSprite(p, rotation, corners);
    if (fragment.position == Vec3{0, 0, 0}) return;
    float step = std::max(particleDeg, minimumTrailStep);
    for (float t = 0; t < particleTrailLength; t += step)
        addSprite(p - fragment.direction * t, rotation, corners);
}

void renderPolyparticleSprite(PolyparticleBurst& burst) {
    ProfileScope section("renderPolyparticleSprite");
    int texture = getTexture(burst.texture);
    if (texture == textureNotLoaded || particleQuad.subMeshes.empty()) return;
    enableState(GL_TEXTURE_2D);
    setBlendFunction(GL_SRC_ALPHA, GL_ONE);
    activateAtlasChunk(texture);
    glColor4f(1, 1, 1, burstOpacity(burst));
    float rotation[16];
    facingRotation(rotation);
    // All of a burst's sprites share texture and colour: one draw call.
    static std::vector<float> corners;
    corners.clear();
    for (const PolyFragment& fragment : burst.fragments)
        addFragment(burst, fragment, rotation, corners);
    drawQuadCorners(corners);
    particleCountMax = std::max(particleCountMax, static_cast<int>(particlesDrawn));
    setBlendFunction(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

// A burst's sprites appended to a batch, every corner carrying the burst's opacity.
static void addBurstSprites(const PolyparticleBurst& burst, const float rotation[16],
                            std::vector<float>& corners, std::vector<GLubyte>& colours) {
    size_t before = corners.size();
    for (const PolyFragment& fragment : burst.fragments)
        addFragment(burst, fragment, rotation, corners);
    float opacity = std::clamp(burstOpacity(burst), 0.0f, 1.0f);
    GLubyte alpha = static_cast<GLubyte>(opacity * 255.0f + 0.5f);
    for (size_t corner = before; corner < corners.size(); corner += cornerFloats)
        colours.insert(colours.end(), {255, 255, 255, alpha});
}

// The live bursts from first on that share its texture, marked drawn.
static void gatherBatch(PolyparticleBurst* bursts, int count, int first, std::vector<bool>& drawn,
                        const float rotation[16], std::vector<float>& corners,
                        std::vector<GLubyte>& colours) {
    for (int k = first; k < count; k++) {
        if (!bursts[k].alive || bursts[k].texture != bursts[first].texture) continue;
        drawn[k] = true;
        addBurstSprites(bursts[k], rotation, corners, colours);
    }
}

void renderPolyparticleBatches(PolyparticleBurst* bursts, int count) {
    ProfileScope section("renderPolyparticleBatches");
    if (particleQuad.subMeshes.empty()) return;
    float rotation[16];
    facingRotation(rotation);
    std::vector<bool> drawn(static_cast<size_t>(std::max(count, 0)), false);
    static std::vector<float> corners;
    static std::vector<GLubyte> colours;
    for (int first = 0; first < count; first++) {
        if (drawn[first] || !bursts[first].alive) continue;
        int texture = getTexture(bursts[first].texture);
        if (texture == textureNotLoaded) continue;
        corners.clear();
        colours.clear();
        gatherBatch(bursts, count, first, drawn, rotation, corners, colours);
        enableState(GL_TEXTURE_2D);
        setBlendFunction(GL_SRC_ALPHA, GL_ONE);
        activateAtlasChunk(texture);
        drawColouredQuadCorners(corners, colours);
    }
    particleCountMax = std::max(particleCountMax, static_cast<int>(particlesDrawn));
    glColor4ub(255, 255, 255, 255);
    setBlendFunction(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}
