#include "base/vector_math.h"

#include <cmath>

static constexpr double degreesToRadians = 3.14159265358979323846 / 180.0;

float angleBetween(Vec3 a, Vec3 b) {
    float angle = std::acos(dotProduct(a, b) / (magnitude(a) * magnitude(b)));
    return std::isnan(angle) ? 0.0f : angle;
}

Vec3 rotateAboutAxis(Vec3 v, Vec3 axis, float angle) {
    float c = std::cos(angle), s = std::sin(angle);
    Vec3 along = axis * (dotProduct(axis, v) * (1.0f - c));
    return v * c + crossProduct(axis, v) * s + along;
}

void multiplyMatrices(const double a[16], const double b[16], double out[16]) {
    double result[16];
    for (int column = 0; column < 4; column++) {
        for (int row = 0; row < 4; row++) {
            double sum = 0;
            for (int k = 0; k < 4; k++) sum += a[k * 4 + row] * b[column * 4 + k];
            result[column * 4 + row] = sum;
        }
    }
    for (int i = 0; i < 16; i++) out[i] = result[i];
}

static void identityMatrix(double out[16]) {
    for (int i = 0; i < 16; i++) out[i] = (i % 5 == 0) ? 1.0 : 0.0;
}

void lookAtMatrix(Vec3 eye, Vec3 centre, Vec3 up, double out[16]) {
    Vec3 forward = normalise(centre - eye);
    Vec3 side = normalise(crossProduct(forward, up));
    Vec3 trueUp = crossProduct(side, forward);
    double rotation[16];
    identityMatrix(rotation);
    const Vec3 rows[3] = {side, trueUp, forward * -1.0f};
    for (int r = 0; r < 3; r++) {
        rotation[0 * 4 + r] = rows[r].x;
        rotation[1 * 4 + r] = rows[r].y;
        rotation[2 * 4 + r] = rows[r].z;
    }
    double translation[16];
    identityMatrix(translation);
    translation[12] = -eye.x;
    translation[13] = -eye.y;
    translation[14] = -eye.z;
    multiplyMatrices(rotation, translation, out);
}

void perspectiveMatrix(double fovyDegrees, double aspect, double zNear, double zFar,
                       double out[16]) {
    double f = 1.0 / std::tan(fovyDegrees * degreesToRadians / 2.0);
    for (int i = 0; i < 16; i++) out[i] = 0.0;
    out[0] = f / aspect;
    out[5] = f;
    out[10] = (zFar + zNear) / (zNear - zFar);
    out[11] = -1.0;
    out[14] = 2.0 * zFar * zNear / (zNear - zFar);
}

static void transformVector(const double m[16], const double in[4], double out[4]) {
    for (int row = 0; row < 4; row++) {
        out[row] = m[row] * in[0] + m[4 + row] * in[1] + m[8 + row] * in[2] + m[12 + row] * in[3];
    }
}

// Cofactor expansion of a 4 x 4 matrix; false when it is singular.
static bool invertMatrix(const double m[16], double inv[16]) {
    inv[0] = m[5] * m[10] * m[15] - m[5] * m[11] * m[14] - m[9] * m[6] * m[15] +
             m[9] * m[7] * m[14] + m[13] * m[6] * m[11] - m[13] * m[7] * m[10];
    inv[4] = -m[4] * m[10] * m[15] + m[4] * m[11] * m[14] + m[8] * m[6] * m[15] -
             m[8] * m[7] * m[14] - m[12] * m[6] * m[11] + m[12] * m[7] * m[10];
    inv[8] = m[4] * m[9] * m[15] - m[4] * m[11] * m[13] - m[8] * m[5] * m[15] +
             m[8] * m[7] * m[13] + m[12] * m[5] * m[11] - m[12] * m[7] * m[9];
    inv[12] = -m[4] * m[9] * m[14] + m[4] * m[10] * m[13] + m[8] * m[5] * m[14] -
              m[8] * m[6] * m[13] - m[12] * m[5] * m[10] + m[12] * m[6] * m[9];
    inv[1] = -m[1] * m[10] * m[15] + m[1] * m[11] * m[14] + m[9] * m[2] * m[15] -
             m[9] * m[3] * m[14] - m[13] * m[2] * m[11] + m[13] * m[3] * m[10];
    inv[5] = m[0] * m[10] * m[15] - m[0] * m[11] * m[14] - m[8] * m[2] * m[15] +
             m[8] * m[3] * m[14] + m[12] * m[2] * m[11] - m[12] * m[3] * m[10];
    inv[9] = -m[0] * m[9] * m[15] + m[0] * m[11] * m[13] + m[8] * m[1] * m[15] -
             m[8] * m[3] * m[13] - m[12] * m[1] * m[11] + m[12] * m[3] * m[9];
    inv[13] = m[0] * m[9] * m[14] - m[0] * m[10] * m[13] - m[8] * m[1] * m[14] +
              m[8] * m[2] * m[13] + m[12] * m[1] * m[10] - m[12] * m[2] * m[9];
    inv[2] = m[1] * m[6] * m[15] - m[1] * m[7] * m[14] - m[5] * m[2] * m[15] + m[5] * m[3] * m[14] +
             m[13] * m[2] * m[7] - m[13] * m[3] * m[6];
    inv[6] = -m[0] * m[6] * m[15] + m[0] * m[7] * m[14] + m[4] * m[2] * m[15] -
             m[4] * m[3] * m[14] - m[12] * m[2] * m[7] + m[12] * m[3] * m[6];
    inv[10] = m[0] * m[5] * m[15] - m[0] * m[7] * m[13] - m[4] * m[1] * m[15] +
              m[4] * m[3] * m[13] + m[12] * m[1] * m[7] - m[12] * m[3] * m[5];
    inv[14] = -m[0] * m[5] * m[14] + m[0] * m[6] * m[13] + m[4] * m[1] * m[14] -
              m[4] * m[2] * m[13] - m[12] * m[1] * m[6] + m[12] * m[2] * m[5];
    inv[3] = -m[1] * m[6] * m[11] + m[1] * m[7] * m[10] + m[5] * m[2] * m[11] -
             m[5] * m[3] * m[10] - m[9] * m[2] * m[7] + m[9] * m[3] * m[6];
    inv[7] = m[0] * m[6] * m[11] - m[0] * m[7] * m[10] - m[4] * m[2] * m[11] + m[4] * m[3] * m[10] +
             m[8] * m[2] * m[7] - m[8] * m[3] * m[6];
    inv[11] = -m[0] * m[5] * m[11] + m[0] * m[7] * m[9] + m[4] * m[1] * m[11] - m[4] * m[3] * m[9] -
              m[8] * m[1] * m[7] + m[8] * m[3] * m[5];
    inv[15] = m[0] * m[5] * m[10] - m[0] * m[6] * m[9] - m[4] * m[1] * m[10] + m[4] * m[2] * m[9] +
              m[8] * m[1] * m[6] - m[8] * m[2] * m[5];
    double det = m[0] * inv[0] + m[1] * inv[4] + m[2] * inv[8] + m[3] * inv[12];
    if (det == 0.0) return false;
    for (int i = 0; i < 16; i++) inv[i] /= det;
    return true;
}

bool unProject(double winX, double winY, double winZ, const double modelview[16],
               const double projection[16], const int viewport[4], Vec3& out) {
    double combined[16], inverse[16];
    multiplyMatrices(projection, modelview, combined);
    if (!invertMatrix(combined, inverse)) return false;
    double in[4] = {(winX - viewport[0]) / viewport[2] * 2.0 - 1.0,
                    (winY - viewport[1]) / viewport[3] * 2.0 - 1.0, winZ * 2.0 - 1.0, 1.0};
    double result[4];
    transformVector(inverse, in, result);
    if (result[3] == 0.0) return false;
    out = {static_cast<float>(result[0] / result[3]), static_cast<float>(result[1] / result[3]),
           static_cast<float>(result[2] / result[3])};
    return true;
}

bool projectPoint(Vec3 point, const double modelview[16], const double projection[16],
                  const int viewport[4], double& winX, double& winY, double& winZ) {
    double in[4] = {point.x, point.y, point.z, 1.0}, eyeSpace[4], clip[4];
    transformVector(modelview, in, eyeSpace);
    transformVector(projection, eyeSpace, clip);
    if (clip[3] == 0.0) return false;
    for (int i = 0; i < 3; i++) clip[i] /= clip[3];
    winX = viewport[0] + (1.0 + clip[0]) * viewport[2] / 2.0;
    winY = viewport[1] + (1.0 + clip[1]) * viewport[3] / 2.0;
    winZ = (1.0 + clip[2]) / 2.0;
    return true;
}
