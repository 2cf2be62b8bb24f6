// One frame of a game in progress: blocks, aiming preview and bursts in 3D,
// then floating texts, motion blur, the death flash and the HUD in 2D.
#include "screens/game_view.h"

#include <GL/gl.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "base/profiler.h"
#include "engine/draw2d.h"
#include "engine/fonts.h"
#include "engine/meshes.h"
#include "engine/render_stats.h"
#include "engine/textures.h"
#include "game/blocks.h"
#include "game/camera.h"
#include "game/meter.h"
#include "game/modes.h"
#include "game/play.h"
#include "game/play_effects.h"
#include "game/powerups.h"
#include "screens/backdrop.h"
#include "settings/settings.h"
#include "sound/sound.h"

static constexpr float blockScale = 1.02f;
static constexpr float dyingScale = 1.01f;
static constexpr float overlayScale = 1.001f;
static constexpr float opaque = 255.0f;
static constexpr float floatyShadowOffset = 2.0f;
static constexpr int32_t noTexture = textureNotLoaded;

void renderGame() {
    ProfileScope section("renderGame");
    enterRenderPass(PassBlocks);
    renderBlocks();
    glDepthMask(GL_FALSE);
    enterRenderPass(PassParticles);
    renderParticleSystems();
    glDepthMask(GL_TRUE);
    begin2D();
    enterRenderPass(PassTexts);
    renderFloatys();
    enterRenderPass(PassBlur);
    renderMotionBlur(0, 0, powerups.timewarpBlur, true);
    enterRenderPass(PassHud);
    renderDeathFlash();
    renderHUD();
}

// ---- blocks ----

// Each colour's block texture looked up once per frame: 512 slots share 7 names.
struct BlockTextures {
    int plain[colourCount];
    int highlight[colourCount];
    int grey;
};

static BlockTextures lookUpBlockTextures() {
    BlockTextures textures = {};
    for (int32_t c = 0; c < colourCount; c++) {
        textures.plain[c] = c == 0 ? noTexture : getTexture(blockTextureName(c, 0));
        textures.highlight[c] = c == 0 ? noTexture : getTexture(blockTextureName(c, 1));
    }
    textures.grey = getTexture("grey.tga");
    return textures;
}

static void drawCube(int texture) {
    if (texture == noTexture) return;
    activateAtlasChunk(texture);
    drawMesh(cubeMesh);
}

static void beginAdditive() {
    setBlendFunction(GL_SRC_ALPHA, GL_ONE);
    glDepthMask(GL_FALSE);
}

static void endAdditive() {
    glColor4ub(255, 255, 255, 255);
    glDepthMask(GL_TRUE);
    setBlendFunction(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

static void drawScaledCube(float scale, float alpha, int texture) {
    glPushMatrix();
    glScalef(scale, scale, scale);
    glColor4ub(255, 255, 255, static_cast<GLubyte>(std::clamp(alpha, 0.0f, opaque)));
    drawCube(texture);
    glPopMatrix();
}

// The pale overlay that brightens a block over its last 200 ms.
static void drawDyingOverlay(const Block& block, const BlockTextures& textures) {
    beginAdditive();
    drawScaledCube(dyingScale, dyingOverlayAlpha(block.popDelay), textures.grey);
    endAdditive();
}

// Fusion Pulse lights the whole mass, fading as the meter falls.
static void drawFusionOverlay(const BlockTextures& textures) {
    float alpha = powerups.massAtFusion > 0 ? meter.mass / powerups.massAtFusion * opaque : 0.0f;
    beginAdditive();
    drawScaledCube(overlayScale, alpha, textures.grey);
    drawScaledCube(overlayScale, alpha / 2, textures.grey);
    endAdditive();
}

// The overlays of one block, in its matrix; the plain cube is already drawn.
static void drawBlockOverlays(const Block& block, const BlockTextures& textures) {
    glPushMatrix();
    glTranslatef(block.pos.x, block.pos.y, block.pos.z);
    glScalef(blockScale, blockScale, blockScale);
    if (block.dying) drawDyingOverlay(block, textures);
    if (powerups.fusionActive) drawFusionOverlay(textures);
    if (powerups.multiplierGlow > 0) {
        drawScaledCube(overlayScale, powerups.multiplierGlow * opaque,
                       textures.highlight[block.colour]);
        glColor4ub(255, 255, 255, 255);
    }
    glPopMatrix();
}

static bool hasOverlay(const Block& block) {
    return block.dying || powerups.fusionActive || powerups.multiplierGlow > 0;
}

// One cube's corners moved to its cell, with its image's rectangle of the
// atlas page baked into the texture coordinates.
static void addCubeCorners(const Block& block, const AtlasMapping& image,
                           std::vector<float>& corners) {
    for (const SubMesh& subMesh : cubeMesh.subMeshes) {
        for (size_t c = 0; c + cornerFloats <= subMesh.corners.size(); c += cornerFloats) {
            const float* corner = &subMesh.corners[c];
            corners.push_back(block.pos.x + corner[0] * blockScale);
            corners.push_back(block.pos.y + corner[1] * blockScale);
            corners.push_back(block.pos.z + corner[2] * blockScale);
            corners.push_back(image.offsetX + corner[3] * image.scaleX);
            corners.push_back(image.offsetY + corner[4] * image.scaleY);
        }
    }
}

static void drawCubeCorners(const std::vector<float>& corners) {
    if (cubeMesh.quads)
        drawQuadCorners(corners);
    else
        drawTriangleCorners(corners);
}

// The plain cubes in one draw per atlas page instead of one each, in the
// same order, so the depth test settles every pixel as before.
static void drawPlainCubes(const std::vector<int32_t>& slots, const BlockTextures& textures) {
    static std::vector<float> corners;
    corners.clear();
    selectWholeAtlasPage();
    int page = -1;
    for (int32_t slot : slots) {
        const Block& block = blockTable[slot];
        const TextureRecord& image = textureList[textures.plain[block.colour]];
        if (image.page != page) {
            drawCubeCorners(corners);
            corners.clear();
            bindAtlasPage(image.page);
            page = image.page;
        }
        addCubeCorners(block, atlasMapping(image), corners);
    }
    drawCubeCorners(corners);
}

// Slots of the drawable blocks, nearest the eye first, so the depth test
// turns away the hidden faces of the mass before they are shaded.
static std::vector<int32_t> drawableSlotsNearestFirst(const BlockTextures& textures) {
    std::vector<std::pair<float, int32_t>> order;
    for (int32_t slot = 0; slot < blockSlots; slot++) {
        const Block& block = blockTable[slot];
        if (!block.alive || block.colour < 1 || block.colour >= colourCount) continue;
        if (textures.plain[block.colour] == noTexture) continue;
        Vec3 d = block.pos - camera.shakenEye;
        order.push_back({dotProduct(d, d), slot});
    }
    std::sort(order.begin(), order.end());
    std::vector<int32_t> slots;
    for (const auto& entry : order) slots.push_back(entry.second);
    return slots;
}

// The plain cubes went to the frame before the backdrop (renderOpaqueMass).
static bool opaqueMassDrawn = false;

// The block faces are opaque images: the plain cubes need no blending.
static void drawOpaqueCubes(const std::vector<int32_t>& slots, const BlockTextures& textures) {
    if (powerups.multiplierActive) return;
    disableState(GL_BLEND);
    drawPlainCubes(slots, textures);
    enableState(GL_BLEND);
}

// ---- the window share of the mass ----

// Clip coordinates of p under the camera's matrices (column-major).
static void clipCoordinates(Vec3 p, double clip[4]) {
    const double* m = camera.modelviewMatrix;
    const double* projection = camera.projectionMatrix;
    double eye[4];
    for (int row = 0; row < 4; row++)
        eye[row] = m[row] * p.x + m[4 + row] * p.y + m[8 + row] * p.z + m[12 + row];
    for (int row = 0; row < 4; row++)
        clip[row] = projection[row] * eye[0] + projection[4 + row] * eye[1] +
                    projection[8 + row] * eye[2] + projection[12 + row] * eye[3];
}

float massBoxWindowShare() {
    // Half a cube's space diagonal: every corner lies within it of the centre.
    const double reach = blockUnit * 0.87;
    double left = 1, right = -1, bottom = 1, top = -1;
    for (int32_t slot = 0; slot < blockSlots; slot++) {
        if (!blockTable[slot].alive) continue;
        double clip[4];
        clipCoordinates(blockTable[slot].pos, clip);
        if (clip[3] <= reach) return 1;  // at or behind the eye: take the window as covered
        double x = clip[0] / clip[3], y = clip[1] / clip[3];
        double reachX = reach * camera.projectionMatrix[0] / clip[3];
        double reachY = reach * camera.projectionMatrix[5] / clip[3];
        left = std::min(left, x - reachX), right = std::max(right, x + reachX);
        bottom = std::min(bottom, y - reachY), top = std::max(top, y + reachY);
    }
    left = std::max(left, -1.0), right = std::min(right, 1.0);
    bottom = std::max(bottom, -1.0), top = std::min(top, 1.0);
    if (left >= right || bottom >= top) return 0;
    return static_cast<float>((right - left) / 2 * (top - bottom) / 2);
}

void renderOpaqueMass() {
    ProfileScope section("renderOpaqueMass");
    enterRenderPass(PassBlocks);
    glColor4ub(255, 255, 255, 255);
    enableState(GL_TEXTURE_2D);
    BlockTextures textures = lookUpBlockTextures();
    drawOpaqueCubes(drawableSlotsNearestFirst(textures), textures);
    opaqueMassDrawn = true;
}

static void drawMass(const BlockTextures& textures) {
    std::vector<int32_t> slots = drawableSlotsNearestFirst(textures);
    if (!opaqueMassDrawn) drawOpaqueCubes(slots, textures);
    opaqueMassDrawn = false;
    for (int32_t slot : slots) {
        if (hasOverlay(blockTable[slot])) drawBlockOverlays(blockTable[slot], textures);
    }
}

static bool aimPreviewShown() {
    return play.aimBlock >= 0 && play.aimBlock < blockSlots &&
           isStanding(blockTable[play.aimBlock]);
}

// The ghost of the next block on the face under the cursor.
static void drawAimingPreview(const BlockTextures& textures) {
    if (!aimPreviewShown() || play.currentColour < 1 || play.currentColour >= colourCount) return;
    int plain = textures.plain[play.currentColour];
    if (plain == noTexture) return;
    Vec3 cell = blockTable[play.aimBlock].pos + directionVector(play.aimFace) * blockUnit;
    glPushMatrix();
    glTranslatef(cell.x, cell.y, cell.z);
    glColor4ub(255, 255, 255, static_cast<GLubyte>(previewAlpha(play.aimAlpha)));
    if (!powerups.multiplierActive) drawCube(plain);
    if (powerups.multiplierGlow > 0)
        drawScaledCube(overlayScale, powerups.multiplierGlow * play.aimAlpha,
                       textures.highlight[play.currentColour]);
    glPopMatrix();
    glColor4ub(255, 255, 255, 255);
}

void renderBlocks() {
    ProfileScope section("renderBlocks");
    glColor4ub(255, 255, 255, 255);
    enableState(GL_TEXTURE_2D);
    BlockTextures textures = lookUpBlockTextures();
    drawMass(textures);
    enableState(GL_BLEND);
    setBlendFunction(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    beginBlockPass();
    drawAimingPreview(textures);
    // The shot leaves from the preview just drawn.
    fireShot();
}

// ---- particles and texts ----

ParticleBurst particleBursts[particleBurstSlots];

static int32_t freeBurstSlot() {
    for (int32_t i = 0; i < particleBurstSlots; i++) {
        if (!particleBursts[i].alive) return i;
    }
    return 0;
}

void startParticleBurst(const Block& block) {
    loadPolyparticle(block.pos.x, block.pos.y, block.pos.z, cubeFragments,
                     particleTextureOf(block.colour), particleBursts[freeBurstSlot()]);
}

void advanceParticleBursts(float dtMs) {
    for (ParticleBurst& burst : particleBursts) {
        if (burst.alive) updatePolyparticle(dtMs, burst);
    }
}

void renderParticleSystems() {
    ProfileScope section("renderParticleSystems");
    renderPolyparticleBatches(particleBursts, particleBurstSlots);
    setBlendFunction(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void renderFloatys() {
    ProfileScope section("renderFloatys");
    bool rush = modeState.gameMode == ModeRush;
    for (const FloatingText& text : matching.floatingTexts) {
        FloatyStyle style = floatyStyle(text, powerups.multiplierActive, rush);
        int32_t align = floatyAlignment(text, static_cast<float>(ScreenHeight));
        float y = text.y - text.hudLines * bigFont.h;
        freetype::print(text.text, text.x + floatyShadowOffset, y + floatyShadowOffset, align,
                        style.scale, 0, 0, 0, style.shadowAlpha, bigFont);
        freetype::print(text.text, text.x, y, align, style.scale, style.r, style.g, style.b,
                        style.alpha, bigFont);
    }
}

// The mass blows apart: a wide streak, then a square burst of light.
void renderDeathFlash() {
    if (!meter.endSequence) return;
    ProfileScope section("renderDeathFlash");
    float w = static_cast<float>(ScreenWidth), h = static_cast<float>(ScreenHeight);
    float f2 = meter.endTimers[1] / endPhaseLengths[1];
    setBlendFunction(GL_SRC_ALPHA, GL_ONE);
    Render2D({w / 2, h / 2}, {1.25f * w * f2, 0.1f * h}, AnchorCentre, "deathsplosion.tga",
             deathStreakAlpha(meter.endTimers));
    Render2D({w / 2, h / 2}, {1.5f * w * f2, 1.5f * w * f2}, AnchorCentre, "deathsplosion.tga",
             deathBurstAlpha(meter.endTimers));
    setBlendFunction(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

static void playEffectSound(const char* file, float gain, float pitch) {
    PlaySound(file, gain, pitch);
}

static void silenceMusicNow() {
    silenceMusicLoops();
    UpdateSound(0.0f);
}

void connectPlayEffects() {
    playEffects = {playEffectSound, silenceMusicNow, startParticleBurst, saveSettings};
}
