// A KDX node's keyed transform at a time, turned into the program's frame:
// the exporter's z axis is our y axis and its y axis our negative z axis.
#include <algorithm>
#include <cmath>

#include "frontend_ext/KDXScene.h"

namespace Scene {

Vec3 Node::position(float t) const
{
    Vec3 p = positionTrack.keyCount() < 2 ? restPosition : positionTrack.interpolate(t);
    return Vec3{p.x, p.z, -p.y};
}

Vec3 Node::scale(float t) const
{
    Vec3 s = scaleTrack.keyCount() < 2 ? restScale : scaleTrack.interpolate(t);
    return Vec3{s.x, s.z, s.y};
}

void Node::rotation(float t, float& degrees, Vec3& axis) const
{
    Quaternion q = rotationTrack.keyCount() < 2 ? restRotation : rotationTrack.interpolate(t);
    // Interpolated keys may stray just past |w| = 1, where acos gives NaN.
    const float w = std::clamp(q.w, -1.0f, 1.0f);
    const float alpha = 2.0f * std::acos(w);
    const float s = std::sqrt(1.0f - w * w);
    if (alpha < 0.00001f || s < 1e-6f) {
        // No turn (w = 1) or a full turn (w = -1): the axis does not matter.
        degrees = alpha < 0.00001f ? alpha : 0.0f;
        axis = Vec3{1.0f, 0.0f, 0.0f};
        return;
    }
    degrees = -alpha * 57.29579f;
    axis = Vec3{q.x / s, q.z / s, -q.y / s};
}

} // namespace Scene
