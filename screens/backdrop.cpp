// Background image, star field and motion blur.
#include "screens/backdrop.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <tuple>

#include "base/game_state.h"
#include "base/profiler.h"
#include "engine/draw2d.h"
#include "engine/frame_damage.h"
#include "engine/meshes.h"
#include "engine/render_stats.h"
#include "engine/render_targets.h"
#include "engine/textures.h"
#include "game/camera.h"
#include "game/meter.h"
#include "game/modes.h"
#include "game/powerups.h"
#include "settings/settings.h"

std::vector<Star> starfield;
bool blurFrameValid = false;
bool blurTargetsAllowed = true;
bool backgroundCopyAllowed = true;

// The stars are drawn behind what is already in the frame (see beginFarLayer).
static bool farStarfield = false;

static constexpr float starSpeedDivisor = 20.0f;  // dt / 20: 50 units per second
static constexpr float starMinSize = 0.2f;
static constexpr float starSizeRange = 0.1f;
static constexpr int starSpawnSpread = 2000, starSpawnHalf = 1000;
static constexpr int starSpawnDepth = 500;
static constexpr float starSpawnFar = 1800.0f;
static constexpr float massColumnHalf = 5 * 32.0f;  // five block edges either side
static constexpr float opaqueAlpha = 255.0f;

// The start-up view the stars live in.
static const Vec3 referenceEye = {0, -640, 0};
static const Vec3 referenceForward = {0, 1, 0};
static const Vec3 referenceUp = {0, 0, 1};

// ---- star field ----

static Star newStar() {
    Star star = {};
    star.size = starMinSize + static_cast<float>(rand() % 1000) / 1000.0f * starSizeRange;
    star.position.x = static_cast<float>(rand() % starSpawnSpread - starSpawnHalf);
    star.position.y = starSpawnFar - static_cast<float>(rand() % starSpawnDepth);
    star.position.z = static_cast<float>(rand() % starSpawnSpread - starSpawnHalf);
    star.previousPosition = star.position;
    return star;
}

bool starInMassColumn(const Star& star) {
    const Vec3& p = star.position;
    return p.x > -massColumnHalf && p.x < massColumnHalf && p.z > -massColumnHalf &&
           p.z < massColumnHalf;
}

static bool starOutOfView(const Star& star) {
    return !pointInFrustum(star.position.x, star.position.y, star.position.z);
}

void UpdateStarfield(float dtMs) {
    ProfileScope section("UpdateStarfield");
    while (starfield.size() < static_cast<size_t>(starTarget)) starfield.push_back(newStar());
    for (Star& star : starfield) {
        star.previousPosition = star.position;
        star.position.y -= dtMs / starSpeedDivisor;
        star.age += dtMs;
    }
    starfield.erase(std::remove_if(starfield.begin(), starfield.end(), starOutOfView),
                    starfield.end());
    starfield.erase(std::remove_if(starfield.begin(), starfield.end(), starInMassColumn),
                    starfield.end());
}

void resetStarfield() {
    starfield.clear();
}

float starAlpha(const Star& star) {
    return std::min(opaqueAlpha, star.age / starFadeInMs * opaqueAlpha);
}

// Offset of p from base along a unit axis, limited to the segment [low, high].
static float segmentOffset(Vec3 p, Vec3 base, Vec3 axis, float low, float high) {
    return std::clamp(dotProduct(p - base, axis), low, high);
}

Vec3 starDrawnPosition(Vec3 star, Vec3 eye, Vec3 centre, Vec3 up) {
    Vec3 referenceSide = crossProduct(referenceForward, referenceUp);
    float f = segmentOffset(star, referenceEye, referenceForward, 0, starReach);
    Vec3 onAxis = referenceEye + referenceForward * f;
    float s = segmentOffset(star, onAxis, referenceSide, -starReach, starReach);
    float u = segmentOffset(star, onAxis, referenceUp, -starReach, starReach);
    Vec3 forward = normalise(centre - eye);
    Vec3 side = normalise(crossProduct(forward, up));
    Vec3 upAxis = crossProduct(side, forward);
    return eye + forward * f + side * s + upAxis * u;
}

// The star's square turned toward the eye (x to the side, y up) and its
// colour for each corner.
static void addStar(const Star& star, Vec3 side, Vec3 upAxis, std::vector<float>& corners,
                    std::vector<GLubyte>& colours) {
    Vec3 at = starDrawnPosition(star.position, camera.shakenEye, camera.centre, camera.up);
    size_t before = corners.size();
    addFacingSquare(at, side, upAxis, star.size, corners);
    GLubyte alpha = static_cast<GLubyte>(starAlpha(star));
    for (size_t corner = before; corner < corners.size(); corner += cornerFloats)
        colours.insert(colours.end(), {255, 255, 255, alpha});
}

// A star's box, one pixel wider each way than the corners' projection: the
// rasteriser touches only pixels whose centre lies inside the square.
static PixelRect projectedBox(const float* corners, size_t count, const GLdouble* modelview,
                              const GLdouble* projection, const GLint* viewport) {
    double left = HUGE_VAL, bottom = HUGE_VAL, right = -HUGE_VAL, top = -HUGE_VAL;
    for (size_t i = 0; i < count; i++) {
        const float* c = corners + i * cornerFloats;
        GLdouble x = 0, y = 0, z = 0;
        if (!gluProject(c[0], c[1], c[2], modelview, projection, viewport, &x, &y, &z) ||
            !std::isfinite(x) || !std::isfinite(y))
            return {viewport[0], viewport[1], viewport[2], viewport[3]};
        left = std::min(left, x), right = std::max(right, x);
        bottom = std::min(bottom, y), top = std::max(top, y);
    }
    auto low = static_cast<int32_t>(std::floor(left)) - 1;
    auto base = static_cast<int32_t>(std::floor(bottom)) - 1;
    return {low, base, static_cast<int32_t>(std::ceil(right)) + 1 - low,
            static_cast<int32_t>(std::ceil(top)) + 1 - base};
}

// Where each star lands, so that an idle frame is drawn again only there.
static void noteStarBoxes(const std::vector<float>& corners) {
    if (!frameRecording || starfield.empty()) return;
    size_t perStar = corners.size() / cornerFloats / starfield.size();
    GLdouble modelview[16] = {}, projection[16] = {};
    GLint viewport[4] = {};
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    for (size_t first = 0; perStar > 0 && first < corners.size(); first += perStar * cornerFloats)
        noteMovingRect(projectedBox(&corners[first], perStar, modelview, projection, viewport));
}

// Every star in one draw: they share the texture and differ only in place and
// alpha. The frame's signature leaves them out; their boxes stand for them.
static void drawStars(Vec3 side, Vec3 upAxis) {
    static std::vector<float> corners;
    static std::vector<GLubyte> colours;
    corners.clear();
    colours.clear();
    for (const Star& star : starfield) addStar(star, side, upAxis, corners, colours);
    noteStarBoxes(corners);
    noteMovingLayerDrawn();
    bool recording = frameRecording;
    frameRecording = false;
    drawColouredQuadCorners(corners, colours);
    frameRecording = recording;
}

void renderStarfield() {
    ProfileScope section("renderStarfield");
    enterRenderPass(PassStars);
    setBlendFunction(GL_SRC_ALPHA, GL_ONE);
    int texture = getTexture("whiteparticle.tga");
    if (texture != textureNotLoaded) {
        enableState(GL_TEXTURE_2D);
        activateAtlasChunk(texture);
        if (!farStarfield) disableState(GL_DEPTH_TEST);
        Vec3 forward = normalise(camera.centre - camera.shakenEye);
        Vec3 side = normalise(crossProduct(forward, camera.up));
        Vec3 upAxis = crossProduct(side, forward);
        drawStars(side, upAxis);
        enableState(GL_DEPTH_TEST);
    }
    setBlendFunction(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

// ---- background ----

// ---- background choice ----

std::string backgroundTextureName(bool showsGame) {
    bool survival = modeState.gameMode == ModeSurvival,
         meditation = modeState.gameMode == ModeMeditation;
    if ((!showsGame && GameState != GameToGrats) ||
        (modeState.levelIndex == 0 && !survival && !meditation))
        return "background1.tga";
    if (modeState.levelIndex == 1 && !survival) return "background2.tga";
    if (modeState.levelIndex >= 2 && modeState.levelIndex <= 4)
        return "background" + std::to_string(modeState.levelIndex + 1) + ".tga";
    if (modeState.levelIndex == 5 || (modeState.gameMode == ModeRush && showsGame))
        return "background6.tga";
    if (modeState.levelIndex == 6 || modeState.levelIndex == 7)
        return "background" + std::to_string(modeState.levelIndex + 1) + ".tga";
    if (modeState.levelIndex == 8 || (survival && showsGame)) return "background9.tga";
    if (modeState.levelIndex == 9 || (meditation && showsGame)) return "background10.tga";
    return "";
}

bool backgroundTextureLoaded(bool showsGame) {
    std::string name = backgroundTextureName(showsGame);
    return name.empty() || getTexture(name) != textureNotLoaded;
}

// ---- the background at the window's size ----

// What the background copy was made from; any difference makes it again.
struct BackgroundSource {
    std::string name;
    int page;
    float atlasX, atlasY, width, height;
    uint32_t wipes;
    int targetWidth, targetHeight;
    auto fields() const {
        return std::tie(name, page, atlasX, atlasY, width, height, wipes, targetWidth,
                        targetHeight);
    }
};
static BackgroundSource copiedBackground = {};

static void drawWholeBackground(const std::string& name) {
    float w = static_cast<float>(ScreenWidth), h = static_cast<float>(ScreenHeight);
    Render2D({w / 2, h / 2}, {w, h}, AnchorCentre, name, opaqueAlpha);
}

// A texture of our own in place of the atlas: identity texture matrix.
static void selectOwnTexture(GLuint texture) {
    glBindTexture(GL_TEXTURE_2D, texture);
    countBind();
    boundAtlasPage = -1;
    selectWholeAtlasPage();
}

// The whole window, moved by an offset, showing the bound texture whole.
static void drawWindowQuad(float offsetX, float offsetY) {
    float w = static_cast<float>(ScreenWidth), h = static_cast<float>(ScreenHeight);
    const float drawn[] = {w, h, offsetX, offsetY};
    noteDraw(drawn, sizeof(drawn));
    glBegin(GL_QUADS);
    glTexCoord2f(1, 1);
    glVertex2f(w + offsetX, offsetY);
    glTexCoord2f(1, 0);
    glVertex2f(w + offsetX, h + offsetY);
    glTexCoord2f(0, 0);
    glVertex2f(offsetX, h + offsetY);
    glTexCoord2f(0, 1);
    glVertex2f(offsetX, offsetY);
    glEnd();
    countDraws(1);
}

// The image drawn once into a texture the window's size, exactly as it
// would land in the window. Each frame after copies it into the window
// whole, or draws it reading one texel a pixel (behind the game view, and on
// a multisampled window, which takes no such copy): the atlas page costs a
// filtered fetch a pixel from a far larger image.
static bool prepareBackgroundCopy(const std::string& name, int index) {
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (!backgroundCopyAllowed ||
        !prepareTarget(backgroundTarget, viewport[2], viewport[3], GL_NEAREST))
        return false;
    const TextureRecord& record = textureList[index];
    BackgroundSource source = {name,          record.page,  record.atlasX,
                               record.atlasY, record.width, record.height,
                               atlasWipes,    viewport[2],  viewport[3]};
    if (source.fields() == copiedBackground.fields()) return true;
    noteFrameNotRepeatable();
    beginDrawingIntoTarget(backgroundTarget);
    drawWholeBackground(name);
    endDrawingIntoTarget();
    copiedBackground = source;
    return true;
}

// The faded-in image's texture, or textureNotLoaded while it fades in or streams.
static int opaqueBackground(const std::string& name) {
    int index = name.empty() ? textureNotLoaded : getTexture(name);
    return index != textureNotLoaded && textureFade(index) >= 1 ? index : textureNotLoaded;
}

// The copy replaces the window's picture; what comes later is drawn over it.
static bool copyBackgroundIntoWindow(bool showsGame) {
    std::string name = backgroundTextureName(showsGame);
    int index = opaqueBackground(name);
    if (index == textureNotLoaded || windowMultisampled() || glIsEnabled(GL_SCISSOR_TEST))
        return false;
    disableState(GL_BLEND);
    bool copied = prepareBackgroundCopy(name, index);
    enableState(GL_BLEND);
    if (!copied) return false;
    enterRenderPass(PassBackground);
    blitTargetToWindow(backgroundTarget);
    countDraws(1);
    countCopiedPixels(static_cast<uint64_t>(backgroundTarget.width) * backgroundTarget.height);
    return true;
}

static bool drawBackgroundCopy(const std::string& name, int index) {
    if (!prepareBackgroundCopy(name, index)) return false;
    enableState(GL_TEXTURE_2D);
    selectOwnTexture(backgroundTarget.colour);
    glColor4ub(255, 255, 255, 255);
    drawWindowQuad(0, 0);
    return true;
}

void releaseBackgroundCopy() {
    releaseTarget(backgroundTarget);
    copiedBackground = {};
}

static void drawBackgroundImage(bool showsGame) {
    enterRenderPass(PassBackground);
    std::string name = backgroundTextureName(showsGame);
    // Once faded in, the opaque image covers the cleared frame: no blending needed.
    int index = opaqueBackground(name);
    if (index != textureNotLoaded) disableState(GL_BLEND);
    if (index == textureNotLoaded || !drawBackgroundCopy(name, index)) drawWholeBackground(name);
    enableState(GL_BLEND);
}

// The backdrop at the far end of the depth range, tested but not written:
// it lands only where nothing nearer was drawn, as if it had come first.
static void beginFarLayer() {
    enableState(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthRange(1, 1);
    glDepthMask(GL_FALSE);
}

static void endFarLayer() {
    glDepthMask(GL_TRUE);
    glDepthRange(0, 1);
    glDepthFunc(GL_LESS);
}

// Opaque things in front, then the backdrop only around them (the image
// itself only when its copy did not go in first).
static void renderBackgroundBehind(bool showsGame, void (*drawInFront)(), bool copiedFirst) {
    end2D();
    placeCameraForDrawing();
    drawInFront();
    begin2D();
    beginFarLayer();
    if (!copiedFirst) drawBackgroundImage(showsGame);
    end2D();
    loadCameraMatrices();
    farStarfield = true;
    renderStarfield();
    farStarfield = false;
    endFarLayer();
}

// Behind the game view the image's copy is drawn only where nothing covers
// it (the mass hides most of a large level), or copied in whole before a
// small mass; a menu takes it whole.
void renderBackground(bool showsGame, void (*drawInFront)(), bool frontCoversLittle) {
    ProfileScope section("renderBackground");
    if (drawInFront) {
        bool copiedFirst = frontCoversLittle && copyBackgroundIntoWindow(showsGame);
        return renderBackgroundBehind(showsGame, drawInFront, copiedFirst);
    }
    if (!copyBackgroundIntoWindow(showsGame)) drawBackgroundImage(showsGame);
    end2D();
    placeCameraForDrawing();
    renderStarfield();
}

void loadCameraMatrices() {
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(camera.projectionMatrix);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixd(camera.modelviewMatrix);
}

void placeCameraForDrawing() {
    applyCamera(massRatio());
    loadCameraMatrices();
}

// ---- motion blur ----

BlurAction motionBlurAction(bool settingOn, float amount, bool timewarp, bool force,
                            bool frameValid) {
    if (!settingOn || amount <= 0) return BlurNothing;
    if (!timewarp && !force) return BlurInvalidate;
    return frameValid ? BlurBlendAndCopy : BlurCopyOnly;
}

static void blendPreviousFrame(float offsetX, float offsetY, float amount) {
    glColor4f(1, 1, 1, amount);
    drawWindowQuad(offsetX, offsetY);
}

// The frame before this one, held in the atlas's "motionblur" rectangle: a
// multisampled window cannot shrink its samples into the half-size target in
// one copy, so there the frame is copied whole each time.
static void blurThroughAtlasCopy(BlurAction action, float offsetX, float offsetY, float amount) {
    int copy = getTexture("motionblur");
    if (copy == textureNotLoaded) return;
    enableState(GL_TEXTURE_2D);
    disableState(GL_DEPTH_TEST);
    activateAtlasChunk(copy);
    if (action == BlurBlendAndCopy) blendPreviousFrame(offsetX, offsetY, amount);
    const TextureRecord& record = textureList[copy];
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(record.atlasX),
                        static_cast<GLint>(record.atlasY), 0, 0, ScreenWidth, ScreenHeight);
    blurFrameValid = true;
}

// The frame is drawn in the window: blend the half-size frame before over
// it, then shrink the result into the target for the next frame.
static void blurThroughTarget(BlurAction action, float offsetX, float offsetY, float amount) {
    if (action == BlurBlendAndCopy) {
        enableState(GL_TEXTURE_2D);
        disableState(GL_DEPTH_TEST);
        selectOwnTexture(blurTarget.colour);
        blendPreviousFrame(offsetX, offsetY, amount);
    }
    copyWindowIntoBlurTarget();
    blurFrameValid = true;
}

// The drawable's size, which the viewport follows.
static bool prepareTargetForDrawable() {
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    return blurTargetsAllowed && prepareBlurTarget(viewport[2], viewport[3]);
}

void renderMotionBlur(float offsetX, float offsetY, float amount, bool force) {
    ProfileScope section("renderMotionBlur");
    BlurAction action =
        motionBlurAction(MotionBlur != 0, amount, powerups.timewarpActive, force, blurFrameValid);
    if (action == BlurNothing) return;
    if (action == BlurInvalidate) {
        blurFrameValid = false;
        return;
    }
    // The blur draws from the frames before: no frame of it is repeatable.
    noteFrameNotRepeatable();
    if (prepareTargetForDrawable())
        blurThroughTarget(action, offsetX, offsetY, amount);
    else
        blurThroughAtlasCopy(action, offsetX, offsetY, amount);
}

void releaseMotionBlur() {
    releaseBlurTarget();
    blurFrameValid = false;
}
