// ".mbm" parsing (float counts, y-up, reversed winding, damage), and the
// polyparticles: fragments, burst timing, trails and the sprites drawn.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "engine/meshes.h"
#include "engine/particles.h"
#include "engine/render_stats.h"
#include "graphics_test_support.h"
#include "shell/main_loop.h"

using namespace graphics_test;

namespace {

std::string floats(std::initializer_list<float> values) {
    std::string bytes(values.size() * sizeof(float), '\0');
    std::memcpy(bytes.data(), values.begin(), bytes.size());
    return bytes;
}

// One sub-mesh, one face over three vertices and three texture coordinates.
std::string oneTriangle() {
    return floats({1, 1.9f,  3,    3,             // sub-meshes, faces (1.9 -> 1), vertices, uvs
                   2, 1,     0,    0,     2,  1,  // corners stored last first
                   1, 2,     3,    10,    20, 30, 7, 8, 9,  // vertices, z-up
                   0, 0.25f, 0.5f, 0.75f, 1,  1});
}

TEST(MbmParsing, TurnsZUpToYUpAndRestoresTheCornerOrder) {
    std::vector<std::vector<float>> subMeshes;
    std::string error;
    ASSERT_TRUE(parseMbm(oneTriangle(), subMeshes, error)) << error;
    ASSERT_EQ(subMeshes.size(), 1u);
    // Stored indices (2, 1, 0) are drawn as corners 0, 1, 2.
    std::vector<float> expected = {1, 3, -2, 0.5f, 0.75f, 10, 30, -20, 1, 1, 7, 9, -8, 0, 0.25f};
    EXPECT_EQ(subMeshes[0], expected);
}

TEST(MbmParsing, DamagedFilesAreRefusedWithAReason) {
    std::string good = oneTriangle();
    struct Case {
        std::string bytes;
        const char* what;
    };
    std::string badIndex = good;
    std::string nine = floats({9});
    badIndex.replace(16, 4, nine);
    std::string nanCount = good;
    std::string nan = floats({std::nanf("")});
    nanCount.replace(4, 4, nan);
    const Case cases[] = {
        {"", "empty"},
        {good.substr(0, good.size() - 4), "cut short"},
        {badIndex, "vertex index past the list"},
        {nanCount, "NaN face count"},
        {floats({1, -1, 0, 0}), "negative count"},
        {floats({1, 1e9f, 3, 3}), "count larger than the file"},
        {floats({3e9f}), "huge sub-mesh count"},
    };
    for (const Case& c : cases) {
        std::vector<std::vector<float>> subMeshes;
        std::string error;
        EXPECT_FALSE(parseMbm(c.bytes, subMeshes, error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
    }
}

TEST(MbmParsing, SeveralSubMeshesFollowEachOther) {
    std::string two = floats({2}) + oneTriangle().substr(4) + oneTriangle().substr(4);
    std::vector<std::vector<float>> subMeshes;
    std::string error;
    ASSERT_TRUE(parseMbm(two, subMeshes, error)) << error;
    ASSERT_EQ(subMeshes.size(), 2u);
    EXPECT_EQ(subMeshes[0], subMeshes[1]);
}

Mesh meshOf(std::vector<float> corners) {
    Mesh mesh = {};
    mesh.subMeshes.push_back({static_cast<int>(corners.size() / 15), 0, std::move(corners)});
    return mesh;
}

TEST(Polyparticles, OneFragmentPerTriangleFlyingFromTheJitteredCentroid) {
    srand(3);
    Mesh mesh = meshOf({0, 0, 0, 0, 0, 30, 0, 0,   1, 0, 0,   30, 0, 0, 1,
                        0, 0, 0, 0, 0, 0,  0, -30, 1, 0, -30, 0,  0, 0, 1});
    PolyparticleSet set;
    loadPolyparticleMesh(set, mesh);
    ASSERT_EQ(set.fragments.size(), 2u);
    const PolyFragment& first = set.fragments[0];
    EXPECT_EQ(first.corners[1].x, 30);
    EXPECT_EQ(first.texCoords[2][1], 1);
    // Centroid (10, 10, 0) moved by -5..4 per axis, then scaled by 1.5.
    Vec3 c = first.direction * first.distance;
    EXPECT_NEAR(magnitude(first.direction), 1.0f, 1e-5f);
    EXPECT_GE(c.x, 7.5f - 0.001f);
    EXPECT_LE(c.x, 21.0f + 0.001f);
    float offset = c.x / 1.5f - 10;
    EXPECT_NEAR(offset, std::round(offset), 1e-4f) << "whole offsets";
    EXPECT_GE(first.spin, 0);
    EXPECT_LT(first.spin, 100);
    EXPECT_EQ(first.position, (Vec3{0, 0, 0}));
}

TEST(Polyparticles, BurstsMoveFadeAndDieAfter500Ms) {
    PolyparticleSet set;
    set.fragments.push_back({});
    set.fragments[0].direction = {0, 1, 0};
    PolyparticleBurst burst;
    loadPolyparticle(1, 2, 3, set, "redparticle.tga", burst);
    EXPECT_TRUE(burst.alive);
    updatePolyparticle(90, burst);
    EXPECT_FLOAT_EQ(burst.fragments[0].position.y, 2.0f) << "direction x dt / 45";
    updatePolyparticle(160, burst);
    EXPECT_FLOAT_EQ(burst.fragments[0].previousPosition.y, 2.0f);
    EXPECT_FLOAT_EQ(burstOpacity(burst), 0.5f);
    updatePolyparticle(250, burst);
    EXPECT_TRUE(burst.alive) << "exactly 500 ms is not past the end";
    updatePolyparticle(1, burst);
    EXPECT_FALSE(burst.alive);
}

// ---- with a GL context ----

class MeshDrawing : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_GL();
        startLogCapture();
        assetIndex.clear();
        resetTextures(256);
    }
    void TearDown() override {
        closeAssetArchive();
        destroyMeshes();
        deleteTextures();
    }
};

TEST_F(MeshDrawing, ArchiveMeshesLoadAndDamagedOnesAreSkipped) {
    hasVBO = true;
    assetArchivePath = tempDir() + "/meshes.ass";
    writeArchive(assetArchivePath, {{"meshes\\cube.mbm", oneTriangle()},
                                    {"meshes\\geosphere.mbm", oneTriangle().substr(0, 30)}});
    openAssetArchive();
    loadMeshesAndParticles();
    ASSERT_EQ(cubeMesh.subMeshes.size(), 1u);
    EXPECT_NE(cubeMesh.subMeshes[0].buffer, 0u);
    EXPECT_TRUE(geosphereMesh.subMeshes.empty());
    EXPECT_TRUE(logHas("mesh geosphere.mbm is damaged: file ends early"));
    EXPECT_TRUE(logHas("finished loading mesh geosphere.mbm"));
    EXPECT_EQ(cubeFragments.fragments.size(), 1u);
    EXPECT_TRUE(geosphereFragments.fragments.empty());
    EXPECT_TRUE(particleQuad.quads);
    EXPECT_EQ(vertexBufferBytes, 60 + 80);
}

// Without a usable cube mesh every block would be invisible: a damaged or
// missing one in the game's archive ends the game with a message saying so.
TEST_F(MeshDrawing, ADamagedOrMissingCubeMeshEndsTheGameWithItsReason) {
    noDialogs = true;
    const Asset archives[] = {{"meshes\\cube.mbm", oneTriangle().substr(0, 30)},
                              {"meshes\\geosphere.mbm", oneTriangle()}};
    const char* const reasons[] = {"is damaged: file ends early", "not found"};
    for (int i = 0; i < 2; i++) {
        assetArchivePath = tempDir() + "/meshes.ass";
        writeArchive(assetArchivePath, {archives[i]});
        openAssetArchive();
        EXPECT_EXIT(loadMeshesAndParticles(), ::testing::ExitedWithCode(EXIT_FAILURE),
                    std::string("The block mesh meshes.cube.mbm in .*meshes.ass ") + reasons[i])
            << reasons[i];
        closeAssetArchive();
    }
}

TEST_F(MeshDrawing, EachFragmentDrawsItsSpriteAndItsTrailOnceMoving) {
    createAtlasPage();
    TextureRecord record = {"whiteparticle.tga", 0, 8, 8, 0, 0, 0};
    record.page = allocateAtlasSpace(8, 8, record.name, &record.atlasX, &record.atlasY);
    textureList.push_back(record);
    hasVBO = false;
    buildParticleQuad(particleQuad);
    PolyparticleSet set;
    set.fragments.resize(3);
    for (PolyFragment& fragment : set.fragments) fragment.direction = {1, 0, 0};
    PolyparticleBurst burst;
    loadPolyparticle(0, 0, 0, set, "whiteparticle.tga", burst);
    particlesDrawn = 0;
    renderPolyparticleSprite(burst);
    EXPECT_EQ(particlesDrawn, 3) << "at rest: no trails";
    updatePolyparticle(16, burst);
    particleDeg = 5;
    particlesDrawn = 0;
    renderPolyparticleSprite(burst);
    EXPECT_EQ(particlesDrawn, 3 * (1 + 4));
    EXPECT_GE(particleCountMax, 15);
    particleDeg = 1;
    PolyparticleBurst unloaded;
    loadPolyparticle(0, 0, 0, set, "notyet.tga", unloaded);
    particlesDrawn = 0;
    renderPolyparticleSprite(unloaded);
    EXPECT_EQ(particlesDrawn, 0);
}

// An 8x8 image of one colour in the atlas, as if streamed.
void addSolidTexture(const std::string& name, unsigned char r, unsigned char g, unsigned char b) {
    TextureRecord record = {name, textureFadeMs, 8, 8, 0, 0, 0};
    record.page = allocateAtlasSpace(8, 8, name, &record.atlasX, &record.atlasY);
    std::vector<unsigned char> texels;
    for (int i = 0; i < 64; i++) texels.insert(texels.end(), {r, g, b, 255});
    bindAtlasPage(record.page);
    glTexSubImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(record.atlasX),
                    static_cast<GLint>(record.atlasY), 8, 8, GL_RGBA, GL_UNSIGNED_BYTE,
                    texels.data());
    textureList.push_back(record);
}

// Three bursts, two of them of one texture, overlapping and of different
// ages: drawn one by one or batched by texture, the same picture.
TEST_F(MeshDrawing, BurstsOfOneTextureGoInOneDrawAndAddUpAsBefore) {
    createAtlasPage();
    addSolidTexture("whiteparticle.tga", 200, 200, 200);
    addSolidTexture("redparticle.tga", 220, 30, 30);
    hasVBO = false;
    buildParticleQuad(particleQuad);
    PolyparticleSet set;
    set.fragments.resize(2);
    PolyparticleBurst bursts[4];
    loadPolyparticle(0, 0, 0, set, "whiteparticle.tga", bursts[0]);
    loadPolyparticle(-20, 0, 0, set, "redparticle.tga", bursts[1]);
    loadPolyparticle(3, 2, 0, set, "whiteparticle.tga", bursts[2]);
    loadPolyparticle(30, 0, 0, set, "whiteparticle.tga", bursts[3]);
    bursts[0].age = 100;
    bursts[2].age = 300;
    bursts[3].alive = false;
    std::vector<unsigned char> pictures[2];
    int64_t draws[2] = {};
    for (bool batched : {false, true}) {
        beginTestFrame();
        lastAtlasChunk = -1;  // the frame's start reset the texture matrix
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glTranslatef(128, 128, 0);
        clearPassCounts();
        renderStatsOn = true;
        if (batched)
            renderPolyparticleBatches(bursts, 4);
        else
            for (PolyparticleBurst& burst : bursts)
                if (burst.alive) renderPolyparticleSprite(burst);
        renderStatsOn = false;
        draws[batched] = passCounts[currentPass].draws;
        pictures[batched].resize(windowSide * windowSide * 4);
        glReadPixels(0, 0, windowSide, windowSide, GL_RGBA, GL_UNSIGNED_BYTE,
                     pictures[batched].data());
    }
    EXPECT_EQ(draws[0], 3);
    EXPECT_EQ(draws[1], 2) << "one draw per texture";
    int largest = 0;
    for (size_t i = 0; i < pictures[0].size(); i++)
        largest = std::max(largest, std::abs(pictures[0][i] - pictures[1][i]));
    EXPECT_LE(largest, 1);
    EXPECT_GT(pixelAt(128, 128).r, 150) << "the white bursts, added up";
    EXPECT_GT(pixelAt(128 - 20, 128).r, pixelAt(128 - 20, 128).g + 100) << "the red burst";
}

}  // namespace
