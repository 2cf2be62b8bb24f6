// Three-component vectors and the 4 x 4 matrix helpers of the 3D view, in
// GL's column-major layout so they can be loaded into GL as they are.
#pragma once

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

float magnitude(Vec3 v);
// Unit vector of v; a vector of three exact zeros comes back unchanged.
Vec3 normalise(Vec3 v);
float dotProduct(Vec3 a, Vec3 b);
Vec3 crossProduct(Vec3 a, Vec3 b);
// normalise((corner 2 - corner 0) x (corner 1 - corner 0)).
Vec3 polygonNormal(const Vec3 polygon[4]);
// -(normal . point): the d of the plane through point.
float planeDistance(Vec3 normal, Vec3 point);
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
