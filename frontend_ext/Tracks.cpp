#include "frontend_ext/Tracks.h"

#include <algorithm>
#include <cmath>

namespace Scene {

int KeyTimes::findKey(float t, int offset) const
{
    const int n = keyCount();
    if (n == 0)
        return -1;
    if (t >= times[n - 1])
        return n - 1;
    for (int i = 0; i < n; i++) {
        if (t < times[i]) {
            const int j = i + offset - 1;
            return std::clamp(j, 0, n - 1);
        }
    }
    // Only a NaN time compares false everywhere; read it as past the end.
    return n - 1;
}

float KeyTimes::fraction(float t) const
{
    const int a = findKey(t, 0);
    const int b = findKey(t, 1);
    if (a == b)
        return 0.0f;
    return (t - times[a]) / (times[b] - times[a]);
}

void KeyTimes::appendTime(float time)
{
    if (times.size() == times.capacity())
        times.reserve(times.size() + 10);
    times.push_back(time);
}

void VectorTrack::reserve(int keys)
{
    times.reserve(static_cast<size_t>(keys));
    values.reserve(static_cast<size_t>(keys));
}

void VectorTrack::addKey(const Vec3& value, float time)
{
    if (values.size() == values.capacity())
        values.reserve(values.size() + 10);
    values.push_back(value);
    appendTime(time);
}

Vec3 VectorTrack::keyValue(int index) const
{
    return index < 0 ? Vec3{} : values[index];
}

Vec3 VectorTrack::interpolate(float t) const
{
    return lerp(keyValue(findKey(t, 0)), keyValue(findKey(t, 1)), fraction(t));
}

Vec3 VectorTrack::interpolateCubic(float t) const
{
    return cubic(keyValue(findKey(t, -1)), keyValue(findKey(t, 0)), keyValue(findKey(t, 1)), keyValue(findKey(t, 2)),
                 fraction(t));
}

void RotationTrack::reserve(int keys)
{
    times.reserve(static_cast<size_t>(keys));
    values.reserve(static_cast<size_t>(keys));
}

void RotationTrack::addKey(const Quaternion& value, float time)
{
    if (values.size() == values.capacity())
        values.reserve(values.size() + 10);
    values.push_back(value);
    appendTime(time);
}

Quaternion RotationTrack::keyValue(int index) const
{
    return index < 0 ? Quaternion{} : values[index];
}

Quaternion RotationTrack::interpolate(float t) const
{
    const Quaternion q1 = keyValue(findKey(t, 0));
    Quaternion q2 = keyValue(findKey(t, 1));
    const float u = fraction(t);
    float d = q1.x * q2.x + q1.y * q2.y + q1.z * q2.z + q1.w * q2.w;
    if (d < 0.0f) {
        // q and -q are the same rotation: go the short way.
        q2 = {-q2.x, -q2.y, -q2.z, -q2.w};
        d = -d;
    }
    const float theta = std::acos(std::min(d, 1.0f));
    const float s = std::sin(theta);
    if (!(std::fabs(s) > 0.0001f))
        return q1;
    const float a = std::sin((1.0f - u) * theta) / s;
    const float b = std::sin(u * theta) / s;
    return {q1.x * a + q2.x * b, q1.y * a + q2.y * b, q1.z * a + q2.z * b, q1.w * a + q2.w * b};
}

} // namespace Scene
