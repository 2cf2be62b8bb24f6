// Anchored screen rectangles drawn from the texture atlas in immediate mode,
// the 2D projection, and the shadow of the switched-on GL capabilities.
#include "engine/draw2d.h"

#include <algorithm>

#include "base/player_settings.h"
#include "base/profiler.h"
#include "engine/frame_damage.h"
#include "engine/render_stats.h"
#include "engine/textures.h"

std::vector<GLenum> enabledStates;
GLenum blendSource = GL_ONE, blendDestination = GL_ZERO;

// No blend factor has this value: the next setBlendFunction reaches the GL.
static constexpr GLenum unknownBlendFactor = 0xffff;

static const char* const wholePageName = "atlas";
// Culling was on when 2D mode began; end2D turns it back on.
static bool cullingSuspended = false;

static bool stateEnabled(GLenum cap) {
    return std::find(enabledStates.begin(), enabledStates.end(), cap) != enabledStates.end();
}

void enableState(GLenum cap) {
    if (stateEnabled(cap)) return;
    glEnable(cap);
    countSwitch();
    enabledStates.push_back(cap);
}

void disableState(GLenum cap) {
    auto found = std::find(enabledStates.begin(), enabledStates.end(), cap);
    if (found == enabledStates.end()) return;
    glDisable(cap);
    countSwitch();
    enabledStates.erase(found);
}

void setBlendFunction(GLenum source, GLenum destination) {
    if (source == blendSource && destination == blendDestination) return;
    glBlendFunc(source, destination);
    countBlendChange();
    blendSource = source;
    blendDestination = destination;
}

void forgetBlendFunction() {
    blendSource = blendDestination = unknownBlendFactor;
}

void clearScreen(float r, float g, float b, float a) {
    glClearColor(r, g, b, a);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
}

void begin2D() {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, ScreenWidth, ScreenHeight, 0, -100, 100);
    disableState(GL_DEPTH_TEST);
    // The flipped projection turns every 2D quad clockwise: culling would drop it.
    cullingSuspended = stateEnabled(GL_CULL_FACE);
    disableState(GL_CULL_FACE);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void end2D() {
    enableState(GL_DEPTH_TEST);
    if (cullingSuspended) enableState(GL_CULL_FACE);
    cullingSuspended = false;
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

Vec2 anchoredCorner(float x, float y, float w, float h, int anchor) {
    switch (anchor) {
        case AnchorCentre:
            return {x - w / 2, y - h / 2};
        case AnchorTopLeft:
            return {x, y};
        case AnchorBottomMiddle:
            return {x - w / 2, y - h};
        case AnchorBottomLeft:
            return {x, y - h};
        case AnchorBottomRight:
            return {x - w, y - h};
        case AnchorLeftMiddle:
            return {x, y - h / 2};
        case AnchorTopMiddle:
            return {x - w / 2, y};
        default:
            return {x, y};
    }
}

IntRect getAnchoredRect(float x, float y, float w, float h, int anchor) {
    if (anchor != AnchorCentre && anchor != AnchorTopMiddle) return {0, 0, 0, 0};
    Vec2 corner = anchoredCorner(x, y, w, h, anchor);
    return {static_cast<int>(corner.x), static_cast<int>(corner.y), static_cast<int>(corner.x + w),
            static_cast<int>(corner.y + h)};
}

// A colour byte: the alpha truncated, low eight bits kept.
static GLubyte alphaByte(float alpha) {
    return static_cast<GLubyte>(static_cast<int>(alpha));
}

// A named texture fades in over its first 250 ms; "atlas" is drawn white.
static void applyColour(const std::string& texture, int index, float alpha) {
    if (texture == wholePageName) {
        glColor4ub(255, 255, 255, alphaByte(alpha));
    } else if (!texture.empty() && alpha != keepColour) {
        glColor4ub(255, 255, 255, alphaByte(alpha * textureFade(index)));
    }
}

// Corners right-top, right-bottom, left-bottom, left-top, each with its
// texture coordinate.
static void drawQuad(Vec2 corner, Vec2 size, Vec2 uvTopLeft, Vec2 uvBottomLeft, Vec2 uvBottomRight,
                     Vec2 uvTopRight) {
    float left = corner.x, top = corner.y;
    float right = left + size.x, bottom = top + size.y;
    const Vec2 drawn[] = {corner, size, uvTopLeft, uvBottomLeft, uvBottomRight, uvTopRight};
    noteDraw(drawn, sizeof(drawn));
    glBegin(GL_QUADS);
    glTexCoord2f(uvTopRight.x, uvTopRight.y);
    glVertex2f(right, top);
    glTexCoord2f(uvBottomRight.x, uvBottomRight.y);
    glVertex2f(right, bottom);
    glTexCoord2f(uvBottomLeft.x, uvBottomLeft.y);
    glVertex2f(left, bottom);
    glTexCoord2f(uvTopLeft.x, uvTopLeft.y);
    glVertex2f(left, top);
    glEnd();
    countDraws(1);
}

void Render2D(Vec2 pos, Vec2 size, int anchor, std::string texture, float alpha) {
    ProfileScope section("Render2D");
    bool named = !texture.empty() && texture != wholePageName;
    int index = named ? getTexture(texture) : textureNotLoaded;
    if (named && index == textureNotLoaded) return;
    if (texture.empty())
        disableState(GL_TEXTURE_2D);
    else
        enableState(GL_TEXTURE_2D);
    applyColour(texture, index, alpha);
    if (named) activateAtlasChunk(index);
    if (texture == wholePageName) selectWholeAtlasPage();
    Vec2 corner = anchoredCorner(pos.x, pos.y, size.x, size.y, anchor);
    // The image's first row (v = 0) is at the bottom edge: TGA rows run bottom-up.
    drawQuad(corner, size, {0, 1}, {0, 0}, {1, 0}, {1, 1});
}

void Render2DUV(Vec2 pos, Vec2 size, int anchor, std::string texture, float alpha, Vec2 uvTopLeft,
                Vec2 uvBottomLeft, Vec2 uvBottomRight, Vec2 uvTopRight) {
    ProfileScope section("Render2DUV");
    if (texture.empty() || texture == wholePageName || anchor < 0 || anchor > AnchorBottomRight)
        return;
    int index = getTexture(texture);
    if (index == textureNotLoaded) return;
    enableState(GL_TEXTURE_2D);
    applyColour(texture, index, alpha);
    activateAtlasChunk(index);
    Vec2 corner = anchoredCorner(pos.x, pos.y, size.x, size.y, anchor);
    drawQuad(corner, size, uvTopLeft, uvBottomLeft, uvBottomRight, uvTopRight);
}

void drawUntexturedRect(float x, float y, float width, float height, float red, float green,
                        float blue, float alpha) {
    glColor4ub(static_cast<GLubyte>(red), static_cast<GLubyte>(green), static_cast<GLubyte>(blue),
               alphaByte(alpha));
    Render2D({x, y}, {width, height}, AnchorTopLeft, "", keepColour);
    glColor4ub(255, 255, 255, 255);
}
