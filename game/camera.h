// The camera of the 3D view: placement with approach and shake, the mouse
// ray, the ray-quad test used for aiming and the view frustum planes. The
// matrices are computed here, without GL, so that picking works headless;
// the view loads the same matrices into GL before it draws.
#pragma once

#include <cstdint>

#include "base/vector_math.h"

struct Camera {
    Vec3 eye;        // set by the gameplay; orbited by rotation
    Vec3 shakenEye;  // the eye actually used in the last frame
    Vec3 centre;
    Vec3 up;
    double modelviewMatrix[16] = {};   // column-major, as GL keeps it
    double projectionMatrix[16] = {};  // column-major, as GL keeps it
    Vec3 rayNear = {0, 0, 0};          // the point under the mouse on the near plane
    Vec3 rayFar = {0, 0, 0};           // ... and on the far plane
    float frustumPlanes[6][4] = {};    // right, left, bottom, top, far, near; normalised
    int32_t viewWidth = 0;             // drawable pixels the view fills; 0 = the window size
    int32_t viewHeight = 0;
};

extern Camera camera;  // the one look-at camera and what it sees

constexpr double viewFieldOfView = 45.0;
constexpr double viewNearPlane = 32.0;
constexpr double viewFarPlane = 2000.0;
constexpr float cameraDistance = 640.0f;  // 20 block edges

// Puts the eye at (0, -640, 0) looking at the origin with +z up.
void resetCamera();
// massRatio is the mass over its limit: the eye moves in as it grows and
// shakes near 1. The shake draws from shakeRandom: the play loop's own
// stream when its picking depends on it, the C library's for drawing.
using RandomSource = int (*)();
void applyCamera(float massRatio, RandomSource shakeRandom = nullptr);
// The drawable's size (larger than the window on scaled displays): the
// projection's aspect from the next applyCamera on.
void setViewSize(int32_t width, int32_t height);
// The start-up view, (0, -640, 0) towards the origin, and its frustum planes.
void placeStartupCamera();
void getMouseVectors();
bool RayPick(const Vec3 polygon[4], Vec3& hit);
void ExtractFrustum();
bool pointInFrustum(float x, float y, float z);
