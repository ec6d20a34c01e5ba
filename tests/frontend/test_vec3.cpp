#include <gtest/gtest.h>

#include <cmath>

#include "frontend/Vec3.h"

namespace {

constexpr float kHalfPi = 1.57079632679f;

void expectNear(const Vec3& v, float x, float y, float z, float tolerance = 1e-6f)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

float length(const Vec3& v)
{
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

TEST(Vec3, NormalizeScalesToUnitLengthAndLeavesZeroAlone)
{
    Vec3 v{3.0f, 4.0f, 0.0f};
    normalize(v);
    expectNear(v, 0.6f, 0.8f, 0.0f);

    Vec3 zero;
    normalize(zero);
    EXPECT_EQ(zero.x, 0.0f);
    EXPECT_EQ(zero.y, 0.0f);
    EXPECT_EQ(zero.z, 0.0f);
}

TEST(Vec3, RotationTurnsClockwiseSeenFromTheAxisTip)
{
    Vec3 a{1.0f, 0.0f, 0.0f};
    rotateAroundAxis(0.0f, 0.0f, 1.0f, kHalfPi, a);
    expectNear(a, 0.0f, -1.0f, 0.0f);

    Vec3 b{0.0f, 1.0f, 0.0f};
    rotateAroundAxis(1.0f, 0.0f, 0.0f, kHalfPi, b);
    expectNear(b, 0.0f, 0.0f, -1.0f);
}

TEST(Vec3, RotationIgnoresAxisLengthAndKeepsVectorLength)
{
    Vec3 unitAxis{1.0f, 2.0f, 0.5f};
    Vec3 longAxis = unitAxis;
    rotateAroundAxis(0.0f, 0.0f, 1.0f, 0.7f, unitAxis);
    rotateAroundAxis(0.0f, 0.0f, 2.0f, 0.7f, longAxis);
    EXPECT_EQ(unitAxis.x, longAxis.x);
    EXPECT_EQ(unitAxis.y, longAxis.y);
    EXPECT_EQ(unitAxis.z, longAxis.z);

    Vec3 two{0.0f, 2.0f, 0.0f};
    rotateAroundAxis(1.0f, 1.0f, 1.0f, 2.1f, two);
    EXPECT_NEAR(length(two), 2.0f, 1e-6f);

    Vec3 still{0.3f, -1.2f, 4.0f};
    rotateAroundAxis(0.2f, 0.9f, -0.4f, 0.0f, still);
    expectNear(still, 0.3f, -1.2f, 4.0f);
}

TEST(Vec3, RotationWithZeroAxisOrZeroVectorChangesNothing)
{
    Vec3 v{1.0f, 2.0f, 3.0f};
    rotateAroundAxis(0.0f, 0.0f, 0.0f, 1.0f, v);
    EXPECT_EQ(v.x, 1.0f);
    EXPECT_EQ(v.y, 2.0f);
    EXPECT_EQ(v.z, 3.0f);

    Vec3 zero;
    rotateAroundAxis(0.0f, 1.0f, 0.0f, 1.0f, zero);
    EXPECT_FALSE(std::isnan(zero.x) || std::isnan(zero.y) || std::isnan(zero.z));
    EXPECT_EQ(length(zero), 0.0f);
}

TEST(Vec3, InterpolationsHitTheirEndpoints)
{
    const Vec3 a{1.0f, -2.0f, 3.5f}, b{-4.0f, 6.0f, 0.25f};
    Vec3 start = lerp(a, b, 0.0f), stop = lerp(a, b, 1.0f), mid = lerp(a, b, 0.5f);
    expectNear(start, a.x, a.y, a.z, 0.0f);
    expectNear(stop, b.x, b.y, b.z);
    expectNear(mid, -1.5f, 2.0f, 1.875f);

    const Vec3 p0{0.0f, 1.0f, 2.0f}, p1{1.0f, 3.0f, -1.0f}, p2{2.0f, 2.0f, 5.0f}, p3{4.0f, -1.0f, 0.0f};
    Vec3 atZero = cubic(p0, p1, p2, p3, 0.0f);
    expectNear(atZero, p1.x, p1.y, p1.z, 0.0f);
    Vec3 atOne = cubic(p0, p1, p2, p3, 1.0f);
    expectNear(atOne, p2.x, p2.y, p2.z, 1e-5f);

    const Vec3 same{7.0f, -3.0f, 0.5f};
    for (float f : {0.0f, 0.3f, 0.75f, 1.0f})
        expectNear(cubic(same, same, same, same, f), same.x, same.y, same.z, 0.0f);
}

TEST(Vec3, CubicFollowsItsPolynomialBetweenTheKeys)
{
    // A f^3 + (P0 - P1 - A) f^2 + (P2 - P0) f + P1 with A = P3 - P2 - P0 + P1, in double.
    const Vec3 p0{0.0f, 1.0f, 2.0f}, p1{1.0f, 3.0f, -1.0f}, p2{2.0f, 2.0f, 5.0f}, p3{4.0f, -1.0f, 0.0f};
    auto reference = [](double q0, double q1, double q2, double q3, double f) {
        double a = q3 - q2 - q0 + q1;
        return a * f * f * f + (q0 - q1 - a) * f * f + (q2 - q0) * f + q1;
    };
    for (float f : {0.25f, 0.5f, 0.8f}) {
        Vec3 v = cubic(p0, p1, p2, p3, f);
        EXPECT_NEAR(v.x, reference(p0.x, p1.x, p2.x, p3.x, f), 1e-5);
        EXPECT_NEAR(v.y, reference(p0.y, p1.y, p2.y, p3.y, f), 1e-5);
        EXPECT_NEAR(v.z, reference(p0.z, p1.z, p2.z, p3.z, f), 1e-5);
    }
}

} // namespace
