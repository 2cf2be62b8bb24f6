// Three-component vectors and the 4 x 4 matrix helpers of the 3D view, in
// GL's column-major layout so they can be loaded into GL as they are.
#pragma once

#include <cmath>

struct Vec3 {
    float x, y, z;
};

inline Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(Vec3 a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
inline bool operator==(Vec3 a, Vec3 b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// The small helpers are inline: aiming calls them thousands of times a frame.
inline float magnitude(Vec3 v) {
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}
// Unit vector of v; a vector of three exact zeros comes back unchanged.
inline Vec3 normalise(Vec3 v) {
    if (v.x == 0.0f && v.y == 0.0f && v.z == 0.0f) return v;
    float length = magnitude(v);
    return {v.x / length, v.y / length, v.z / length};
}
inline float dotProduct(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 crossProduct(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
// normalise((corner 2 - corner 0) x (corner 1 - corner 0)).
inline Vec3 polygonNormal(const Vec3 polygon[4]) {
    return normalise(crossProduct(polygon[2] - polygon[0], polygon[1] - polygon[0]));
}
// -(normal . point): the d of the plane through point.
inline float planeDistance(Vec3 normal, Vec3 point) {
    return -dotProduct(normal, point);
}
// Radians between a and b; 0 when undefined.
float angleBetween(Vec3 a, Vec3 b);
// Turns v about a unit axis through the origin by angle radians (right-handed).
Vec3 rotateAboutAxis(Vec3 v, Vec3 axis, float angle);

// out = a x b as GL multiplies matrices (both column-major).
void multiplyMatrices(const double a[16], const double b[16], double out[16]);
// The matrices gluLookAt and gluPerspective multiply onto the stack.
void lookAtMatrix(Vec3 eye, Vec3 centre, Vec3 up, double out[16]);
void perspectiveMatrix(double fovyDegrees, double aspect, double zNear, double zFar,
                       double out[16]);
// Window point to object space as gluUnProject does; false when not invertible.
bool unProject(double winX, double winY, double winZ, const double modelview[16],
               const double projection[16], const int viewport[4], Vec3& out);
// Object point to window coordinates as gluProject does; false when w is 0.
bool projectPoint(Vec3 point, const double modelview[16], const double projection[16],
                  const int viewport[4], double& winX, double& winY, double& winZ);
