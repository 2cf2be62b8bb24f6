// Polyparticles: when a block pops, the triangles of a mesh fly outward as
// small camera-facing sprites with trails, fading out over 500 ms.
#pragma once

#include <string>
#include <vector>

#include "base/vector_math.h"
#include "engine/meshes.h"

struct PolyFragment {
    Vec3 corners[3];
    float texCoords[3][2];
    Vec3 position;  // from the burst's centre; starts at 0
    Vec3 previousPosition;
    Vec3 direction;  // unit direction of flight
    float distance;
    int spin;
};

struct PolyparticleSet {
    std::vector<PolyFragment> fragments;
};

struct PolyparticleBurst {
    Vec3 position;
    std::vector<PolyFragment> fragments;  // its own copy of the set
    bool alive;
    float age;  // ms
    std::string texture;
};

constexpr float polyparticleLifeMs = 500.0f;
constexpr float particleTrailLength = 20.0f;
constexpr float particleSpriteScale = 0.25f;

extern PolyparticleSet cubeFragments;       // made from cubeMesh
extern PolyparticleSet geosphereFragments;  // made from geosphereMesh
extern int particleCountMax;  // most sprites drawn in one frame (the frame's own count is
                              // particlesDrawn of the main loop)

// Makes one fragment per triangle of the mesh.
void loadPolyparticleMesh(PolyparticleSet& set, const Mesh& mesh);
void loadPolyparticle(float x, float y, float z, const PolyparticleSet& set,
                      const std::string& texture, PolyparticleBurst& burst);
void updatePolyparticle(float dtMs, PolyparticleBurst& burst);
void renderPolyparticleSprite(PolyparticleBurst& burst);
// The live bursts of an array, one draw per texture: their additive sprites
// add up alike in any order, so bursts of one colour go together.
void renderPolyparticleBatches(PolyparticleBurst* bursts, int count);
// Opacity of a burst at its age: 1 at birth, 0 at 500 ms.
float burstOpacity(const PolyparticleBurst& burst);
// Trail sprites behind one fragment at the current particleDeg.
int trailSpriteCount();
// Builds the meshes and particle sets in the intro's order.
void loadMeshesAndParticles();
