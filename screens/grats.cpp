#include "screens/grats.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstdlib>

#include "base/game_state.h"
#include "base/pointer.h"
#include "base/profiler.h"
#include "engine/draw2d.h"
#include "engine/fonts.h"
#include "engine/meshes.h"
#include "engine/textures.h"
#include "screens/menu_base.h"
#include "settings/settings.h"

std::vector<Rocket> rockets;
PolyparticleBurst gratsBursts[gratsBurstSlots];
float launchTimer = 0.0f;
float launchDelayMs = 0.0f;

static constexpr int32_t rocketColours = 7;
static constexpr int32_t launchDelayRange = 500;
static constexpr int32_t launchSpread = 700, launchHalfSpread = 350;
static constexpr float launchY = 500.0f, launchZ = -500.0f;
static constexpr int32_t sidewaysRange = 4, sidewaysLeast = -2;
static constexpr int32_t climbRange = 5, climbLeast = 8;
static constexpr float fallPerFrame = -0.1f;
static constexpr int32_t swayRange = 100, swayHalf = 50;
// The scene's fixed eye stands at the origin, z up, looking 500 units out at
// the height where a rocket of middling climb bursts at 60 frames a second:
// the rockets rise into view from below and burst around the middle.
static constexpr double lookDepth = 500.0, lookHeight = -72.0;
// A rocket is a bright head with a short fading tail.
static constexpr int32_t tailSprites = 6;
static constexpr float tailSpacing = 1.5f, rocketSpriteScale = 0.5f;
// The picture and the texts.
static constexpr float pictureHeightShare = 0.125f, pictureWidthShare = 0.12f;
static constexpr float pictureAspect = 1431.0f / 188.0f;
static constexpr float textsShare = 0.68f, hintInsetShare = 0.04f;
static constexpr float opaque = 255.0f;

const char* rocketParticleTexture(int32_t colour) {
    static const char* const textures[rocketColours] = {
        "yellowparticle.tga", "yellowparticle.tga", "blueparticle.tga", "redparticle.tga",
        "orangeparticle.tga", "pinkparticle.tga",   "whiteparticle.tga"};
    return textures[std::clamp(colour, 0, rocketColours - 1)];
}

// ---- the fireworks ----

static int32_t freeBurstSlot() {
    for (int32_t i = 0; i < gratsBurstSlots; i++)
        if (!gratsBursts[i].alive) return i;
    return 0;
}

static void burst(const Rocket& rocket) {
    const Vec3& at = rocket.position;
    loadPolyparticle(at.x, at.y, at.z, geosphereFragments, rocketParticleTexture(rocket.colour),
                     gratsBursts[freeBurstSlot()]);
}

static float randomIn(int32_t range, int32_t least) {
    return static_cast<float>(rand() % range + least);
}

static void launchRocket() {
    launchDelayMs = static_cast<float>(rand() % launchDelayRange);
    launchTimer = 0;
    Rocket rocket;
    rocket.colour = rand() % rocketColours;
    rocket.position = {randomIn(launchSpread, -launchHalfSpread), launchY, launchZ};
    float sideways = randomIn(sidewaysRange, sidewaysLeast);
    rocket.velocity = {sideways, 0, randomIn(climbRange, climbLeast)};
    rocket.acceleration = {0, 0, fallPerFrame};
    float swayX = randomIn(swayRange, -swayHalf), swayY = randomIn(swayRange, -swayHalf);
    rocket.sway = {swayX, swayY, randomIn(swayRange, -swayHalf)};
    rocket.ageMs = 0;
    rocket.lifetimeMs = rocketLifetimeMs;
    rocket.frames = 0;
    rockets.push_back(rocket);
}

// True once the rocket has burst.
static bool flyRocket(Rocket& rocket, float dtMs) {
    rocket.ageMs += dtMs;
    rocket.velocity = rocket.velocity + rocket.acceleration;
    rocket.position = rocket.position + rocket.velocity;
    rocket.frames++;
    if (rocket.ageMs <= rocket.lifetimeMs) return false;
    burst(rocket);
    return true;
}

void updateFireworks(float dtMs) {
    for (PolyparticleBurst& particles : gratsBursts)
        if (particles.alive) updatePolyparticle(dtMs, particles);
    rockets.erase(std::remove_if(rockets.begin(), rockets.end(),
                                 [dtMs](Rocket& rocket) { return flyRocket(rocket, dtMs); }),
                  rockets.end());
    launchTimer += dtMs;
    if (launchTimer > rocketLaunchGapMs + launchDelayMs) launchRocket();
}

void UpdateGrats(float dtMs) {
    ProfileScope section("UpdateGrats");
    updateFireworks(dtMs);
    if (GameState != Grats || !leftDown) return;
    leftDown = false;
    GameState = GratsToScoreScreen;
}

// ---- drawing ----

static void lookFromTheFixedEye() {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, 0, 0, 0, lookDepth, lookHeight, 0, 0, 1);
}

// The sprite square turned to face the eye, which looks along +y.
static void drawRocketSprite(Vec3 at, float alpha) {
    glColor4f(1, 1, 1, alpha);
    glPushMatrix();
    glTranslatef(at.x, at.y, at.z);
    glRotatef(90, 1, 0, 0);
    glScalef(rocketSpriteScale, rocketSpriteScale, rocketSpriteScale);
    drawMesh(particleQuad);
    glPopMatrix();
}

static void drawRocket(const Rocket& rocket) {
    int texture = getTexture(rocketParticleTexture(rocket.colour));
    if (texture == textureNotLoaded) return;
    activateAtlasChunk(texture);
    for (int32_t k = 0; k < tailSprites; k++) {
        Vec3 at = rocket.position - rocket.velocity * (tailSpacing * static_cast<float>(k));
        drawRocketSprite(at, 1.0f - static_cast<float>(k) / tailSprites);
    }
}

static void renderFireworks() {
    lookFromTheFixedEye();
    glDepthMask(GL_FALSE);
    for (PolyparticleBurst& particles : gratsBursts)
        if (particles.alive) renderPolyparticleSprite(particles);
    enableState(GL_TEXTURE_2D);
    setBlendFunction(GL_SRC_ALPHA, GL_ONE);
    for (const Rocket& rocket : rockets) drawRocket(rocket);
    setBlendFunction(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 1, 1, 1);
    glDepthMask(GL_TRUE);
}

void renderGrats() {
    ProfileScope section("renderGrats");
    float w = static_cast<float>(ScreenWidth), h = static_cast<float>(ScreenHeight);
    end2D();
    renderFireworks();
    begin2D();
    Render2D({w / 2, h / 2}, {pictureWidthShare * h * pictureAspect, pictureHeightShare * h},
             AnchorCentre, "gratz.tga", opaque);
    float f = mediumFont.h, textsY = textsShare * h;
    drawMenuLabel("You have completed classic mode!", w / 2, textsY + f / 2, 1.0f);
    drawMenuLabel(
        "You can try the other game modes, rank up on the leaderboards or play for achievements.",
        w / 2, textsY + 2 * f, 0.75f);
    drawMenuLabel("Click to Continue", w / 2, h - hintInsetShare * h, 0.5f);
}
