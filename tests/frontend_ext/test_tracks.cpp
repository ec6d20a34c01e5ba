// Key tracks: the key search at and between keys, straight and cubic
// interpolation, and rotations that take the short way.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "frontend_ext/Tracks.h"

using Scene::Quaternion;
using Scene::RotationTrack;
using Scene::VectorTrack;

namespace {

VectorTrack threeKeys()
{
    VectorTrack track;
    track.addKey({0.0f, 10.0f, -4.0f}, 0.0f);
    track.addKey({10.0f, 30.0f, 4.0f}, 10.0f);
    track.addKey({40.0f, -10.0f, 8.0f}, 20.0f);
    return track;
}

void expectVec(const Vec3& v, float x, float y, float z)
{
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

} // namespace

TEST(VectorTrack, FindsTheKeysAroundATime)
{
    VectorTrack track = threeKeys();
    EXPECT_EQ(track.findKey(5.0f, 0), 0);
    EXPECT_EQ(track.findKey(5.0f, 1), 1);
    EXPECT_EQ(track.findKey(5.0f, -1), 0); // clamped below
    EXPECT_EQ(track.findKey(5.0f, 2), 2);
    EXPECT_EQ(track.findKey(10.0f, 0), 1); // a key's own time starts its segment
    EXPECT_EQ(track.findKey(15.0f, 2), 2); // clamped above
    EXPECT_EQ(track.findKey(-3.0f, 0), 0);
    EXPECT_EQ(track.findKey(-3.0f, 1), 0);
    for (int offset = -1; offset <= 2; offset++) {
        EXPECT_EQ(track.findKey(20.0f, offset), 2);
        EXPECT_EQ(track.findKey(25.0f, offset), 2);
    }
    EXPECT_EQ(VectorTrack().findKey(1.0f, 0), -1);
}

TEST(VectorTrack, InterpolatesStraightAndHoldsItsEnds)
{
    VectorTrack track = threeKeys();
    EXPECT_FLOAT_EQ(track.fraction(5.0f), 0.5f);
    expectVec(track.interpolate(5.0f), 5.0f, 20.0f, 0.0f);
    expectVec(track.interpolate(17.5f), 32.5f, 0.0f, 7.0f);
    EXPECT_EQ(track.fraction(-3.0f), 0.0f);
    expectVec(track.interpolate(-3.0f), 0.0f, 10.0f, -4.0f);
    expectVec(track.interpolate(20.0f), 40.0f, -10.0f, 8.0f);
    expectVec(track.interpolate(25.0f), 40.0f, -10.0f, 8.0f);
}

TEST(VectorTrack, AnEmptyTrackReadsAsTheOriginAndANaNTimeDoesNotEscape)
{
    VectorTrack empty;
    expectVec(empty.interpolate(3.0f), 0.0f, 0.0f, 0.0f);
    expectVec(empty.interpolateCubic(3.0f), 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(empty.fraction(3.0f), 0.0f);

    VectorTrack track = threeKeys();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(track.findKey(nan, 0), 2);
    expectVec(track.interpolate(nan), 40.0f, -10.0f, 8.0f);
}

TEST(VectorTrack, CubicPassesThroughTheKeysAndIsContinuousAtThem)
{
    VectorTrack track = threeKeys();
    track.addKey({-20.0f, 0.0f, 1.0f}, 30.0f);
    for (int i = 0; i < track.keyCount(); i++) {
        const Vec3 key = track.keyValue(i);
        const Vec3 at = track.interpolateCubic(track.keyTime(i));
        EXPECT_EQ(at.x, key.x) << "key " << i;
        EXPECT_EQ(at.y, key.y) << "key " << i;
        EXPECT_EQ(at.z, key.z) << "key " << i;
    }
    // Approaching a key from the segment before it (fraction near 1) ends at that key.
    const Vec3 before = track.interpolateCubic(std::nextafter(20.0f, 0.0f));
    EXPECT_NEAR(before.x, 40.0f, 1e-3f);
    EXPECT_NEAR(before.y, -10.0f, 1e-3f);
    // The middle segment bends through its neighbours rather than running straight.
    EXPECT_NE(track.interpolateCubic(15.0f).x, track.interpolate(15.0f).x);
}

TEST(VectorTrack, KeepsEveryKeyWhenItGrows)
{
    VectorTrack track;
    for (int i = 0; i < 57; i++)
        track.addKey({static_cast<float>(i), 0.0f, 0.0f}, static_cast<float>(2 * i));
    ASSERT_EQ(track.keyCount(), 57);
    EXPECT_FLOAT_EQ(track.interpolate(71.0f).x, 35.5f);
    EXPECT_EQ(track.findKey(200.0f, 0), 56);
}

TEST(RotationTrack, TakesTheShortWayBetweenQAndMinusQ)
{
    const float h = std::sqrt(0.5f);
    RotationTrack track;
    track.addKey({0.0f, 0.0f, h, h}, 0.0f);
    track.addKey({-0.0f, -0.0f, -h, -h}, 1.0f);
    for (float t : {0.0f, 0.25f, 0.5f, 0.9f}) {
        const Quaternion q = track.interpolate(t);
        EXPECT_FLOAT_EQ(q.z, h) << t;
        EXPECT_FLOAT_EQ(q.w, h) << t;
    }
}

TEST(RotationTrack, HalfwayIsHalfTheTurnAndTheEmptyTrackIsTheIdentity)
{
    RotationTrack track;
    track.addKey({0.0f, 0.0f, 0.0f, 1.0f}, 0.0f);
    track.addKey({0.0f, 0.0f, std::sqrt(0.5f), std::sqrt(0.5f)}, 2.0f); // 90 degrees about z
    const Quaternion half = track.interpolate(1.0f);
    EXPECT_NEAR(half.z, std::sin(3.14159265f / 8.0f), 1e-6f);
    EXPECT_NEAR(half.w, std::cos(3.14159265f / 8.0f), 1e-6f);
    EXPECT_NEAR(half.x, 0.0f, 1e-7f);
    // Beyond the ends the end keys hold.
    EXPECT_FLOAT_EQ(track.interpolate(-1.0f).w, 1.0f);
    EXPECT_FLOAT_EQ(track.interpolate(5.0f).z, std::sqrt(0.5f));

    const Quaternion identity = RotationTrack().interpolate(4.0f);
    EXPECT_EQ(identity.x, 0.0f);
    EXPECT_EQ(identity.w, 1.0f);
}
