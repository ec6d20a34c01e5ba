#include "frontend/Vec3.h"

#include <cmath>

namespace {

float lengthOf(const Vec3& v)
{
    float sum = v.x * v.x;
    sum = sum + v.y * v.y;
    sum = sum + v.z * v.z;
    return std::sqrt(sum);
}

} // namespace

void normalize(Vec3& v)
{
    float length = lengthOf(v);
    if (length == 0.0f)
        return; // the zero vector has no direction; leave it as it is
    float r = 1.0f / length;
    v.x = v.x * r;
    v.y = v.y * r;
    v.z = v.z * r;
}

void rotateAroundAxis(float ax, float ay, float az, float angle, Vec3& v)
{
    Vec3 a{ax, ay, az};
    float originalLength = lengthOf(v);
    if (lengthOf(a) == 0.0f || originalLength == 0.0f)
        return;
    normalize(a);
    float c = std::cos(angle);
    float s = std::sin(angle);
    float C = 1.0f - c;
    // Row-wise R v: clockwise about a when seen from its tip.
    float r00 = c + a.x * a.x * C, r01 = a.x * a.y * C + a.z * s, r02 = a.x * a.z * C - a.y * s;
    float r10 = a.x * a.y * C - a.z * s, r11 = c + a.y * a.y * C, r12 = a.y * a.z * C + a.x * s;
    float r20 = a.x * a.z * C + a.y * s, r21 = a.y * a.z * C - a.x * s, r22 = c + a.z * a.z * C;
    Vec3 turned{r00 * v.x + r01 * v.y + r02 * v.z, r10 * v.x + r11 * v.y + r12 * v.z,
                r20 * v.x + r21 * v.y + r22 * v.z};
    normalize(turned);
    v.x = turned.x * originalLength;
    v.y = turned.y * originalLength;
    v.z = turned.z * originalLength;
}

Vec3 lerp(const Vec3& a, const Vec3& b, float f)
{
    return {a.x + f * (b.x - a.x), a.y + f * (b.y - a.y), a.z + f * (b.z - a.z)};
}

namespace {

float cubic1(float p0, float p1, float p2, float p3, float f)
{
    float d = p0 - p1;
    float a = (p3 - p2) - d;
    float result = p1 + f * (f * (f * a));
    result = result + f * (f * (d - a));
    result = result + f * (p2 - p0);
    return result;
}

} // namespace

Vec3 cubic(const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& p3, float f)
{
    return {cubic1(p0.x, p1.x, p2.x, p3.x, f), cubic1(p0.y, p1.y, p2.y, p3.y, f), cubic1(p0.z, p1.z, p2.z, p3.z, f)};
}
