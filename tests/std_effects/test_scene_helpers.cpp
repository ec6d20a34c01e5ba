// The seeded generator every scene layout depends on, and the random paths
// built on it.
#include <gtest/gtest.h>

#include "std_effects/SceneHelpers.h"

using StdVantrel::randomPath;
using StdVantrel::randomVector;
using StdVantrel::signedRandom;

namespace {

Vec3 vectorOfSeed(unsigned seed)
{
    StdVantrel::srand(seed);
    return randomVector();
}

void expectSame(const Vec3& a, const Vec3& b)
{
    EXPECT_EQ(a.x, b.x);
    EXPECT_EQ(a.y, b.y);
    EXPECT_EQ(a.z, b.z);
}

} // namespace

TEST(RandomGenerator, ProducesTheKnownSequenceAfterSeedOne)
{
    StdVantrel::srand(1);
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
    for (int value : expected)
        EXPECT_EQ(StdVantrel::rand(), value);
}

TEST(RandomGenerator, SignedValuesSpanMinusOneToOne)
{
    StdVantrel::srand(1);
    EXPECT_FLOAT_EQ(signedRandom(), static_cast<float>(41 / 32767.0 * 2.0 - 1.0));
    float lowest = 1.0f, highest = -1.0f;
    for (int i = 0; i < 100000; i++) {
        float v = signedRandom();
        lowest = std::min(lowest, v);
        highest = std::max(highest, v);
    }
    EXPECT_GE(lowest, -1.0f);
    EXPECT_LE(highest, 1.0f);
    EXPECT_LT(lowest, -0.999f);
    EXPECT_GT(highest, 0.999f);
}

TEST(RandomPath, LinearPathAtAWholeTimeIsTheVectorOfThatSeed)
{
    expectSame(randomPath(0, 2.0f, true), vectorOfSeed(2));
}

TEST(RandomPath, CubicPathRunsBetweenTheMiddleKeys)
{
    expectSame(randomPath(0, 2.0f, false), vectorOfSeed(3));
    Vec3 middle = randomPath(0, 2.5f, false);
    Vec3 expected = cubic(vectorOfSeed(2), vectorOfSeed(3), vectorOfSeed(4), vectorOfSeed(5), 0.5f);
    expectSame(middle, expected);
}

TEST(RandomPath, DependsOnlyOnBasePlusTime)
{
    expectSame(randomPath(5, 0.25f, false), randomPath(4, 1.25f, false));
    expectSame(randomPath(5, 0.25f, true), randomPath(4, 1.25f, true));
}

TEST(RandomPath, LeavesTheGeneratorSeededWithItsLastKey)
{
    randomPath(0, 2.5f, false); // keys seeded 2, 3, 4, 5
    int next = StdVantrel::rand();
    StdVantrel::srand(5);
    randomVector();
    EXPECT_EQ(next, StdVantrel::rand());
}
