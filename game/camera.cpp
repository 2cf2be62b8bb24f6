#include "game/camera.h"

#include <cmath>
#include <cstdlib>

#include "base/player_settings.h"
#include "base/pointer.h"
#include "base/profiler.h"

Camera camera = {{0, -cameraDistance, 0}, {0, -cameraDistance, 0}, {0, 0, 0}, {0, 0, 1}};

static constexpr float shakeStartPercent = 81.0f;
static constexpr float shakeBasePercent = 80.0f;
static constexpr float shakeStep = 0.25f;
static constexpr float pickAngleShare = 0.99f;
static constexpr float fullTurn = 6.28318530718f;
static constexpr float farRadiusFactor = 4.0f;

void resetCamera() {
    camera.eye = {0, -cameraDistance, 0};
    camera.centre = {0, 0, 0};
    camera.up = {0, 0, 1};
}

static float shakeOffset(int amplitude, RandomSource random) {
    float offset = static_cast<float>(random() % amplitude) * shakeStep;
    return random() % 100 < 50 ? -offset : offset;
}

// The eye moves in as the mass grows and shakes near the limit.
static Vec3 approachAndShake(Vec3 eye, float ratio, RandomSource random) {
    Vec3 e = eye;
    if (ratio > 0.0f && ratio < 1.0f) e = eye - eye * (0.5f * ratio);
    float percent = std::fmin(ratio * 100.0f, 100.0f);
    if (percent >= shakeStartPercent) {
        int amplitude = static_cast<int>(percent - shakeBasePercent);
        e.x += shakeOffset(amplitude, random);
        e.y += shakeOffset(amplitude, random);
        e.z += shakeOffset(amplitude, random);
    }
    return e;
}

// The view's pixel size: the drawable once known, else the window.
static void viewSize(int32_t& width, int32_t& height) {
    bool known = camera.viewWidth > 0 && camera.viewHeight > 0;
    width = known ? camera.viewWidth : ScreenWidth;
    height = known ? camera.viewHeight : ScreenHeight;
}

static void computeProjection() {
    int32_t width = 0, height = 0;
    viewSize(width, height);
    double aspect = height > 0 ? static_cast<double>(width) / height : 1.0;
    perspectiveMatrix(viewFieldOfView, aspect, viewNearPlane, viewFarPlane,
                      camera.projectionMatrix);
}

void applyCamera(float massRatio, RandomSource shakeRandom) {
    RandomSource random = shakeRandom ? shakeRandom : [] { return rand(); };
    camera.shakenEye = approachAndShake(camera.eye, massRatio, random);
    lookAtMatrix(camera.shakenEye, camera.centre, camera.up, camera.modelviewMatrix);
    computeProjection();
}

void setViewSize(int32_t width, int32_t height) {
    camera.viewWidth = width;
    camera.viewHeight = height;
}

void placeStartupCamera() {
    resetCamera();
    camera.shakenEye = camera.eye;
    lookAtMatrix(camera.eye, camera.centre, camera.up, camera.modelviewMatrix);
    computeProjection();
    ExtractFrustum();
}

void getMouseVectors() {
    ProfileScope section("getMouseVectors");
    int32_t width = 0, height = 0;
    viewSize(width, height);
    int viewport[4] = {0, 0, width, height};
    // The mouse moves in window units; the view may have more pixels.
    double scaleX = ScreenWidth > 0 ? static_cast<double>(width) / ScreenWidth : 1.0;
    double scaleY = ScreenHeight > 0 ? static_cast<double>(height) / ScreenHeight : 1.0;
    double wx = mouseX * scaleX, wy = height - mouseY * scaleY;
    unProject(wx, wy, 0.0, camera.modelviewMatrix, camera.projectionMatrix, viewport,
              camera.rayNear);
    unProject(wx, wy, 1.0, camera.modelviewMatrix, camera.projectionMatrix, viewport,
              camera.rayFar);
}

static float cornerAngleSum(const Vec3 polygon[4], Vec3 hit) {
    float sum = 0.0f;
    for (int i = 0; i < 4; i++) sum += angleBetween(polygon[i] - hit, polygon[(i + 1) % 4] - hit);
    return sum;
}

// Seen from beyond four times its radius a quad's corner angles sum to under
// half a turn, so the angle test could only fail; skip its arc cosines.
static bool farFromPolygon(const Vec3 polygon[4], Vec3 hit) {
    Vec3 centre = (polygon[0] + polygon[1] + polygon[2] + polygon[3]) * 0.25f;
    float radius = 0.0f;
    for (int i = 0; i < 4; i++) radius = std::fmax(radius, magnitude(polygon[i] - centre));
    return magnitude(hit - centre) > farRadiusFactor * radius;
}

bool RayPick(const Vec3 polygon[4], Vec3& hit) {
    ProfileScope section("RayPick");
    Vec3 n = polygonNormal(polygon);
    float d = planeDistance(n, polygon[0]);
    float nearSide = dotProduct(n, camera.rayNear) + d, farSide = dotProduct(n, camera.rayFar) + d;
    if (nearSide * farSide >= 0.0f) return false;
    Vec3 dir = normalise(camera.rayFar - camera.rayNear);
    float along = dotProduct(n, dir);
    hit = along == 0.0f ? camera.rayNear : camera.rayNear + dir * (-nearSide / along);
    if (farFromPolygon(polygon, hit)) return false;
    return cornerAngleSum(polygon, hit) >= pickAngleShare * fullTurn;
}

static void storePlane(int index, const double clip[16], int column, double sign) {
    double plane[4];
    for (int k = 0; k < 4; k++) plane[k] = clip[k * 4 + 3] + sign * clip[k * 4 + column];
    double length = std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
    for (int k = 0; k < 4; k++)
        camera.frustumPlanes[index][k] = static_cast<float>(plane[k] / length);
}

void ExtractFrustum() {
    ProfileScope section("ExtractFrustum");
    double clip[16];
    for (int r = 0; r < 4; r++) {
        for (int c = 0; c < 4; c++) {
            double sum = 0;
            for (int k = 0; k < 4; k++)
                sum += camera.modelviewMatrix[r * 4 + k] * camera.projectionMatrix[k * 4 + c];
            clip[r * 4 + c] = sum;
        }
    }
    storePlane(0, clip, 0, -1.0);  // right
    storePlane(1, clip, 0, 1.0);   // left
    storePlane(2, clip, 1, 1.0);   // bottom
    storePlane(3, clip, 1, -1.0);  // top
    storePlane(4, clip, 2, -1.0);  // far
    storePlane(5, clip, 2, 1.0);   // near
}

bool pointInFrustum(float x, float y, float z) {
    for (const float* p : camera.frustumPlanes) {
        if (p[0] * x + p[1] * y + p[2] * z + p[3] <= 0) return false;
    }
    return true;
}
