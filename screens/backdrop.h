// The backdrop behind every screen: the full-screen background image, a field
// of glowing stars drifting toward the viewer, and the motion blur that lays
// the previous frame over the game view.
#pragma once

#include <string>
#include <vector>

#include "base/vector_math.h"

struct Star {
    Vec3 position;
    Vec3 previousPosition;
    float age;   // ms
    float size;  // 0.2 .. 0.3, scales the 32-unit particle square
};

extern std::vector<Star> starfield;  // empty at start; refilled to starTarget every update
// The blur may keep the frame before in a half-size render target; off, it
// copies each frame into the atlas as it must on a multisampled window (the
// frame bench compares both).
extern bool blurTargetsAllowed;
// The background image is drawn from a copy at the window's size (made once
// per image and size); off, from the atlas every frame (tests compare both).
extern bool backgroundCopyAllowed;
extern bool
    blurFrameValid;  // the previous frame is held (render target or the "motionblur" rectangle)

constexpr int starTarget = 100;
constexpr float starFadeInMs = 1000.0f;
constexpr float starReach = 2000.0f;  // length of the reference view's axis segments

// What one call of the motion blur does.
enum BlurAction {
    BlurNothing,       // setting off or nothing to blend
    BlurInvalidate,    // not under Timewarp and not forced: the copy is stale
    BlurCopyOnly,      // no valid previous frame yet: only copy this one
    BlurBlendAndCopy,  // blend the previous frame over this one, then copy
};

void UpdateStarfield(float dtMs);
// Empties the field; the next update fills it again.
void resetStarfield();
// 2D mode on entry; leaves 3D mode with the camera applied and the stars drawn.
// showsGame: the screen shows the game view, so the level's background is drawn.
// drawInFront, when given, draws opaque things in 3D first (with the camera
// placed); the backdrop then fills only the pixels they leave, for the same
// picture with fewer pixels shaded. When they cover little of the window
// (frontCoversLittle), the background's copy goes into the window whole
// before them instead: a plain copy of every pixel costs a software renderer
// less than shading most of them behind the things in front.
void renderBackground(bool showsGame, void (*drawInFront)() = nullptr,
                      bool frontCoversLittle = false);
// Places the camera (shaken with the C library's numbers) and loads its
// matrices into GL: the view draws with exactly the matrices picking uses.
void placeCameraForDrawing();
// Loads the placed camera's matrices again, without moving the camera.
void loadCameraMatrices();
void renderStarfield();
void renderMotionBlur(float offsetX, float offsetY, float amount, bool force);
// Shutdown: the render target goes with the GL context.
void releaseMotionBlur();
// Shutdown: the background's copy goes with the GL context too.
void releaseBackgroundCopy();
// The background image for a screen; "" for none.
std::string backgroundTextureName(bool showsGame);
// That screen's background texture has finished streaming.
bool backgroundTextureLoaded(bool showsGame);

// Backdrop and stars, advanced every frame before the screen.

// Where a star is drawn: its offsets in the start-up view, carried over to
// the camera whose eye, centre and up are given.
Vec3 starDrawnPosition(Vec3 star, Vec3 eye, Vec3 centre, Vec3 up);
// 0 at birth, 255 once the star is a second old.
float starAlpha(const Star& star);
// A star inside the column around the mass, which none may fly through.
bool starInMassColumn(const Star& star);
BlurAction motionBlurAction(bool settingOn, float amount, bool timewarp, bool force,
                            bool frameValid);
