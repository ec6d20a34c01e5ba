// The starfish's shape, shared by its mesh and its textures so that the arm
// pattern painted on the skin lies on the arms of the model: five arms along
// the angles 0, 72, 144, 216 and 288 degrees of the xy plane, and a planar
// texture mapping u = x / (2 R) + 0.5, v = y / (2 R) + 0.5 with R the arm length.
#pragma once

#include <cmath>

namespace Assets {

constexpr int kStarArms = 5;
constexpr float kStarRadius = 45.0f;

// Outline radius at angle theta, as a fraction of kStarRadius.
inline float starOutline(float theta)
{
    float c = 0.5f + 0.5f * std::cos(kStarArms * theta);
    return 0.36f + 0.64f * std::pow(c, 1.6f);
}

} // namespace Assets
