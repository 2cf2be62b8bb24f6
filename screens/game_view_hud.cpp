// The game view's HUD: mass warning, combo, level, score line, next-block
// preview, powerup panel, achievement banners and the level-complete panel.
#include <GL/gl.h>

#include <cmath>
#include <cstdlib>

#include "base/frame_state.h"
#include "base/profiler.h"
#include "engine/clear_middle.h"
#include "engine/draw2d.h"
#include "engine/fonts.h"
#include "engine/meshes.h"
#include "engine/textures.h"
#include "game/blocks.h"
#include "game/matching.h"
#include "game/meter.h"
#include "game/modes.h"
#include "game/play.h"
#include "game/powerups.h"
#include "online/account.h"
#include "online/achievements.h"
#include "online/scores.h"
#include "screens/achieves.h"
#include "screens/game_view.h"
#include "screens/watch_list.h"
#include "settings/settings.h"
#include "sound/sound.h"

static constexpr float opaque = 255.0f;
static constexpr float edgeShare = 0.05f;  // HUD margin: a twentieth of the height
static constexpr float heavyShadow = 4.0f;
static constexpr float lightShadow = 2.0f;
static constexpr float previewTilt = 25.0f;
static constexpr float previewTurnDivisor = 2.5f;  // degrees turned per degree of previewSpin
static constexpr float previewSizeShare = 0.075f;
static constexpr float previewShrink = 0.01f;
static constexpr float glowShare = 0.06f;
static constexpr float glowDrop = 0.005f;
static constexpr float bannerWidthShare = 0.6f;
static constexpr float bannerAspect = 143.0f / 700.0f;
static constexpr float helpColumn = 4.75f;
static constexpr float degreesToRadians = 3.14159265f / 180.0f;
static constexpr int32_t maxBanners = 6;
static constexpr float bannerRowShare = 0.125f;
static constexpr float bannerRowStep = 0.95f;
// Each banner is a whole tile (0.125 H high); their rows stand 0.95 of that apart.
static constexpr float bannerTileScale = 1.0f;
static constexpr float panelTextStartMs = 500.0f;
static constexpr float panelAchievementsFromMs = 5000.0f;
static const unsigned char gold[3] = {237, 210, 28};

static bool panelSoundPlayed = false;  // "endbreakshort3.ogg" has played for this panel
static bool panelShowing = false;      // the level-complete panel is up

// The score line's baseline, on which the powerup slots also stand.
static float bottomLine() {
    return screenH() - 0.05f * screenW() + 0.025f * screenW();
}

// Black at +offset, then white: the HUD's heavy numbers.
static void printBlackThenWhite(const std::string& text, float x, float y, int align, float scale) {
    freetype::print(text, x + heavyShadow, y + heavyShadow, align, scale, 0, 0, 0, opaque, bigFont);
    freetype::print(text, x, y, align, scale, opaque, opaque, opaque, opaque, bigFont);
}

void renderHUD() {
    ProfileScope section("renderHUD");
    renderMassWarning();
    renderCombo();
    renderLevel();
    renderScore();
    renderNextBlockPreview();
    if (isClassicMode()) renderPowerups();
    if (meter.levelClearTimer == 0) {
        panelShowing = false;
        renderAchievementBanners();
    } else {
        renderLevelComplete();
    }
    renderWatchCaption();
}

// One band [x0, x1] x [y0, y1] of a window-covering image, with the texture
// coordinates the whole image has there (v = 0 at the bottom edge).
static void drawWindowBand(const std::string& name, float alpha, float x0, float y0, float x1,
                           float y1) {
    float w = screenW(), h = screenH();
    Render2DUV({x0, y0}, {x1 - x0, y1 - y0}, AnchorTopLeft, name, alpha, {x0 / w, 1 - y0 / h},
               {x0 / w, 1 - y1 / h}, {x1 / w, 1 - y1 / h}, {x1 / w, 1 - y0 / h});
}

// An image over the whole window; one with a transparent middle is drawn as
// the four bands around it, so the pixels it leaves alone are not shaded.
static void drawOverWindow(const std::string& name, float alpha) {
    float w = screenW(), h = screenH();
    ClearMiddle middle = clearMiddleOf(name);
    if (middle.halfWidth <= 0 || middle.halfHeight <= 0)
        return Render2D({w / 2, h / 2}, {w, h}, AnchorCentre, name, alpha);
    float left = w * (0.5f - middle.halfWidth), right = w * (0.5f + middle.halfWidth);
    float top = h * (0.5f - middle.halfHeight), bottom = h * (0.5f + middle.halfHeight);
    drawWindowBand(name, alpha, 0, 0, w, top);
    drawWindowBand(name, alpha, 0, top, left, bottom);
    drawWindowBand(name, alpha, right, top, w, bottom);
    drawWindowBand(name, alpha, 0, bottom, w, h);
}

void renderMassWarning() {
    ProfileScope section("renderMassWarning");
    if (powerups.fusionActive) {
        drawOverWindow("cooldownedges.tga", 150.0f * powerups.powerCharge / maxPowerCharge);
        return;
    }
    float percent = meter.massLimit > 0 ? meter.mass / meter.massLimit * 100.0f : 0.0f;
    float alpha = massWarningAlpha(percent);
    if (alpha > 0) drawOverWindow("masswarning.tga", alpha);
}

void renderCombo() {
    ProfileScope section("renderCombo");
    if (matching.lastPopOrder <= 0) return;
    printShadowed(std::to_string(std::abs(matching.lastPopOrder)) + "x",
                  screenW() - edgeShare * screenH(), 0.1f * screenH(), heavyShadow, AlignRight,
                  matching.popPulse, opaque, opaque, opaque, opaque, bigFont);
}

void renderLevel() {
    ProfileScope section("renderLevel");
    printBlackThenWhite(levelLabel(modeState.gameMode, modeState.levelIndex), edgeShare * screenH(),
                        0.1f * screenH(), AlignLeft, 1.0f);
}

void renderScore() {
    ProfileScope section("renderScore");
    float y = bottomLine(), margin = edgeShare * screenH();
    std::string status = modeStatusText(modeState.gameMode, modeState.stageTimer,
                                        modeState.levelTimeMs, modeState.arrivals);
    float statusScale = modeState.gameMode == ModeSurvival ? modeState.clockPulse : 1.0f;
    if (!status.empty()) printBlackThenWhite(status, margin, y, AlignLeft, statusScale);
    printBlackThenWhite(thousandsString(modeState.displayScore), screenW() - margin, y, AlignRight,
                        1.0f);
    bool offline = serverLink.connectionMode == ConnectionOffline;
    printShadowed(personalBestText(serverLink.personalBest, offline), margin,
                  0.1f * screenH() + 1.4f * mediumFont.h, lightShadow, AlignLeft, 0.75f, opaque,
                  opaque, opaque, opaque, mediumFont);
}

// ---- next-block preview ----

static void drawPreviewCube(int32_t colour, float scale, float alpha) {
    if (colour <= 0 || alpha <= 0) return;
    int texture = getTexture(blockTextureName(colour, 0));
    if (texture == textureNotLoaded) return;
    glPushMatrix();
    glTranslatef(screenW() - 0.1f * screenH(), screenH() - 0.2f * screenH(), 0);
    glRotatef(previewTilt, 1, 0, 0);
    glRotatef(play.previewSpin / previewTurnDivisor, 0, 1, 0);
    glScalef(scale, scale, scale);
    glColor4ub(255, 255, 255, static_cast<GLubyte>(alpha));
    activateAtlasChunk(texture);
    drawMesh(cubeMesh);
    glPopMatrix();
}

void renderNextBlockPreview() {
    ProfileScope section("renderNextBlockPreview");
    float s = previewSizeShare * screenH() / blockUnit;
    enableState(GL_TEXTURE_2D);
    // 2D mode has no depth test: culling alone hides the cube's far faces.
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    drawPreviewCube(play.previousColour, s - previewShrink, previousPreviewAlpha(play.aimAlpha));
    drawPreviewCube(play.currentColour, s, currentPreviewAlpha(play.aimAlpha));
    glCullFace(GL_BACK);
    glDisable(GL_CULL_FACE);
    glColor4ub(255, 255, 255, 255);
}

// ---- powerup panel ----

static void drawSlotImage(int32_t slot, const char* texture, float size, float drop, float alpha) {
    float x = buttonShareOfWidth * screenW() * buttonCentres[slot];
    Render2D({x, bottomLine() + drop}, {size, size}, AnchorBottomMiddle, texture, alpha);
}

static void drawSlotFill(int32_t slot, float fill) {
    if (fill <= 0) return;
    float u = buttonShareOfWidth * screenW(), x = u * buttonCentres[slot];
    const char* texture = anyPowerupActive() ? "powerupcolor-on.tga" : "powerupcolor.tga";
    Render2DUV({x, bottomLine()}, {u, u * fill}, AnchorBottomMiddle, texture, opaque, {0, fill},
               {0, 0}, {1, 0}, {1, fill});
}

static void drawPowerupBanners() {
    static const char* const banners[powerupCount] = {"multinoty.tga", "timenoty.tga",
                                                      "fusionnoty.tga"};
    float width = bannerWidthShare * screenW();
    for (int32_t i = 0; i < powerupCount; i++) {
        float alpha = powerupBannerAlpha(powerups.readyFlashTimers[i]);
        if (alpha > 0)
            Render2D({screenW() / 2, screenH() / 2}, {width, width * bannerAspect}, AnchorCentre,
                     banners[i], alpha);
    }
}

static void drawPowerupHelp() {
    static const char* const titles[powerupCount] = {"Multiplier", "Timewarp", "Fusion Pulse"};
    static const char* const lines[powerupCount] = {"Increases your score", "Slows down time",
                                                    "Reduces mass to zero"};
    float u = buttonShareOfWidth * screenW(), x = u * helpColumn - u / 2, top = bottomLine() - u;
    float fh = mediumFont.h;
    for (int32_t i = 0; i < powerupCount; i++) {
        if (!powerups.buttonHover[i]) continue;
        printShadowed(titles[i], x, top + 1.5f * fh, lightShadow, AlignLeft, 1.0f, opaque, opaque,
                      opaque, opaque, mediumFont);
        printShadowed(lines[i], x, top + 2.5f * fh, lightShadow, AlignLeft, 0.75f, opaque, opaque,
                      opaque, opaque, mediumFont);
    }
}

void renderPowerups() {
    ProfileScope section("renderPowerups");
    static const char* const icons[powerupCount] = {"pupmultiicon.tga", "puptimeicon.tga",
                                                    "pupnukeicon.tga"};
    float u = buttonShareOfWidth * screenW();
    float pulse = (std::sin(powerups.panelSpin * degreesToRadians) + 1) / 2 * opaque;
    for (int32_t i = 0; i < powerupCount; i++) {
        if (powerups.powerCharge >= powerThresholds[i])
            drawSlotImage(i, "powerupglow.tga", glowShare * screenW(), glowDrop * screenW(), pulse);
        drawSlotImage(i, "powerupbg.tga", u, 0, opaque);
        drawSlotFill(i, powerupFill(i, powerups.powerCharge));
        drawSlotImage(i, icons[i], u, 0, opaque);
        drawSlotImage(i, "powerupreflection.tga", u, 0, opaque);
    }
    drawPowerupBanners();
    drawPowerupHelp();
}

// ---- achievement banners ----

// Lays out banners 1..n at time t (ms); each one's sound plays once, when it first shows.
static void drawBannerColumn(float t) {
    int32_t n = std::min<int32_t>(maxBanners, static_cast<int32_t>(serverLink.unlockPopups.size()));
    for (int32_t k = 1; k <= n; k++) {
        float alpha = achievementBannerAlpha(k, t);
        if (alpha <= 0) continue;
        UnlockPopup& popup = serverLink.unlockPopups[k - 1];
        if (!popup.sounded) {
            PlaySound("cheeve6.ogg", 1.0f, 1.0f);
            popup.sounded = true;
        }
        renderAchievementTile(screenW() / 2, bannerRowStep * k * bannerRowShare * screenH(),
                              bannerTileScale, alpha / opaque, popup.number);
    }
}

void renderAchievementBanners() {
    ProfileScope section("renderAchievementBanners");
    if (serverLink.unlockPopups.empty()) return;
    drawBannerColumn(bannerClock);
    int32_t n = std::min<int32_t>(maxBanners, static_cast<int32_t>(serverLink.unlockPopups.size()));
    if (achievementBannersDone(n, bannerClock)) serverLink.unlockPopups.clear();
}

// ---- level-complete panel ----

static void drawPerformanceLine(float y, float alpha) {
    std::string label = "Performance: ", word = ratingLabel(meter.performanceRating);
    float scale = 0.6f;
    float wl = printedWidth(bigFont, label, scale);
    float wr = printedWidth(bigFont, word, scale);
    float w = wl + wr, cx = screenW() / 2;
    printShadowed(label, cx - w / 2 + wl / 2, y, lightShadow, AlignMiddle, scale, opaque, opaque,
                  opaque, alpha, bigFont);
    printShadowed(word, cx + w / 2 - wr / 2, y, lightShadow, AlignMiddle, scale, gold[0], gold[1],
                  gold[2], alpha, bigFont);
}

static void drawPanelTexts(float t) {
    float alpha = levelCompleteTextAlpha(t);
    if (t >= panelTextStartMs && !panelSoundPlayed) {
        PlaySound("endbreakshort3.ogg", 0.75f, 1.0f);
        panelSoundPlayed = true;
    }
    if (alpha <= 0) return;
    float fh = bigFont.h, cy = screenH() / 2;
    printShadowed("Level Complete", screenW() / 2, cy - fh / 2, lightShadow, AlignMiddle, 1.0f,
                  opaque, opaque, opaque, alpha, bigFont);
    drawPerformanceLine(cy + 1.2f * fh - fh / 2, alpha);
}

void renderLevelComplete() {
    ProfileScope section("renderLevelComplete");
    float t = meter.levelClearTimer;
    if (!panelShowing) {
        panelShowing = true;
        panelSoundPlayed = false;
    }
    drawUntexturedRect(0, 0, screenW(), screenH(), 0, 0, 0, levelCompleteVeilAlpha(t));
    rateFinishedLevel();
    drawPanelTexts(t);
    bool answered = serverLink.scoreAnswered;
    if (answered && t > panelAchievementsFromMs) {
        drawBannerColumn(t - panelAchievementsFromMs);
    }
    std::string status =
        levelCompleteStatus(t, answered, serverLink.connectionMode == ConnectionOffline,
                            modeState.practiceMode, !serverLink.unlockPopups.empty());
    if (!status.empty())
        printShadowed(status, screenW() / 2, screenH() - 2 * mediumFont.h, lightShadow, AlignCentre,
                      1.0f, opaque, opaque, opaque, opaque, smallFont);
}
