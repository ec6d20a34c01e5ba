// Plain 3-vectors and the four operations the scenes and tracks need:
// normalising, turning about an axis, straight and cubic interpolation.
// All arithmetic is single precision, rounded in the order written.
#pragma once

struct Vec3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

// Scales v to unit length. The zero vector stays zero.
void normalize(Vec3& v);

// Turns v clockwise about the axis (ax, ay, az) as seen from the axis tip,
// by angle radians. A zero axis or a zero vector leaves v unchanged.
void rotateAroundAxis(float ax, float ay, float az, float angle, Vec3& v);

Vec3 lerp(const Vec3& a, const Vec3& b, float f);

// The cubic through four consecutive points, from p1 at f = 0 to p2 at f = 1.
Vec3 cubic(const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& p3, float f);
