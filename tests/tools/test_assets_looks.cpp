// How the generated pictures read on screen: properties of the Horizon
// clouds and dots, the forks' reflection ball, the skateboard's top and the sand
// under water that the scenes rely on to look right, measured on the
// generators' output.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "tools/assets/pictures/Pictures.h"

using namespace Assets;

namespace {

float luminance(const Color& c)
{
    return 0.2126f * c.r + 0.7152f * c.g + 0.0722f * c.b;
}

struct CloudLayer {
    const char* name;
    std::function<Picture()> make;
};

const CloudLayer kClouds[] = {
    {"skyer1.png", makeCloudBank},
    {"skyer2.png", makeCloudStreaks},
    {"skyer3.png", makeCloudPuffs},
    {"skyer4.png", makeCloudWisps},
};

// The scene shows a texel row about three times as tall as a column is
// wide. Compared over the same distance on screen (six columns, two rows),
// the coverage must change at least as much downwards as sideways, or the
// clouds turn into tall spikes; and it must change little sideways, or
// their outlines look ragged instead of soft. Measured over the upper half,
// which fills the screen while the scene is zoomed in.
TEST(AssetLooks, CloudsAreSoftAndNoTallerThanWideOnScreen)
{
    for (const CloudLayer& layer : kClouds) {
        SCOPED_TRACE(layer.name);
        Picture p = layer.make();
        double sideways = 0, downwards = 0, covered = 0, count = 0;
        for (int y = 0; y + 2 < p.height() / 2; ++y)
            for (int x = 0; x + 6 < p.width(); ++x) {
                float a = p.get(x, y).a;
                sideways += std::fabs(p.get(x + 6, y).a - a);
                downwards += std::fabs(p.get(x, y + 2).a - a);
                covered += a > 0.5f ? 1 : 0;
                ++count;
            }
        EXPECT_GT(covered / count, 0.01) << "hardly any cloud";
        EXPECT_LT(covered / count, 0.5) << "the layer hides the sky";
        EXPECT_GT(downwards, 1.2 * sideways) << "shapes drawn out upwards";
        EXPECT_LT(sideways / count, 0.012) << "ragged outlines";
    }
}

// The sun is below the clouds: their undersides glow warmer than their tops.
TEST(AssetLooks, CloudsAreLitFromBelow)
{
    for (const CloudLayer& layer : kClouds) {
        SCOPED_TRACE(layer.name);
        Picture p = layer.make();
        double topWarmth = 0, bottomWarmth = 0;
        int tops = 0, bottoms = 0;
        for (int y = 3; y + 3 < p.height(); ++y)
            for (int x = 0; x < p.width(); ++x) {
                Color c = p.get(x, y);
                if (c.a < 0.3f)
                    continue;
                float above = p.get(x, y - 3).a, below = p.get(x, y + 3).a;
                if (above < 0.05f && below > 0.3f) {
                    topWarmth += c.r - c.b;
                    ++tops;
                } else if (below < 0.05f && above > 0.3f) {
                    bottomWarmth += c.r - c.b;
                    ++bottoms;
                }
            }
        ASSERT_GT(tops, 50);
        ASSERT_GT(bottoms, 50);
        EXPECT_GT(bottomWarmth / bottoms, topWarmth / tops + 0.1);
    }
}

// Two thousand of these are drawn a few pixels wide: minified, the sprite is
// its average, which must stay bright and well covered; close up it shows a
// white core inside a softer halo.
TEST(AssetLooks, DotIsAGlowingPoint)
{
    Picture dot = makeDot();
    int n = dot.width();
    double alpha = 0, light = 0;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            Color c = dot.get(x, y);
            alpha += c.a;
            light += luminance(c) * c.a;
        }
    EXPECT_GT(alpha / (n * n), 0.17);
    EXPECT_GT(light / alpha, 0.85);
    Color centre = dot.get(n / 2, n / 2), halo = dot.get(n / 2 + n / 5, n / 2);
    EXPECT_GT(std::min({centre.r, centre.g, centre.b, centre.a}), 0.98f);
    EXPECT_GT(halo.a, 0.3f);
    EXPECT_LT(halo.a, 0.9f);
}

// Forks tinted down to 0.3 in a channel still have to read as polished
// metal, so the reflection ball is mostly bright sky.
TEST(AssetLooks, ChromeReflectionIsMostlyBrightSky)
{
    Picture ball = makeChromeEnvironment();
    int n = ball.width();
    double light = 0, sky = 0, count = 0;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            float dx = (x + 0.5f) / n * 2 - 1, dy = (y + 0.5f) / n * 2 - 1;
            if (dx * dx + dy * dy > 0.95f)
                continue;
            Color c = ball.get(x, y);
            light += luminance(c);
            sky += c.b > c.r + 0.02f ? 1 : 0;
            ++count;
        }
    EXPECT_GT(light / count, 0.7);
    EXPECT_GT(sky / count, 0.5);
}

// The board's top is bright enough to read in the dark underwater scene, and
// its normal map comes from the same artwork: the smooth painted panel is
// flat where the grip tape around it is rough.
TEST(AssetLooks, DeckTopIsBrightAndItsNormalsFollowTheArtwork)
{
    Picture top = makeDeckTop(), normals = makeDeckNormals();
    ASSERT_EQ(top.width(), normals.width());
    ASSERT_EQ(top.height(), normals.height());
    const int gripRows = top.height() * 3 / 4;
    double light = 0, panelTilt = 0, gripTilt = 0;
    int panel = 0, grip = 0;
    auto saturation = [&](int x, int y) {
        Color c = top.get(x, y);
        return std::max({c.r, c.g, c.b}) - std::min({c.r, c.g, c.b});
    };
    for (int y = 4; y < gripRows - 4; ++y)
        for (int x = 4; x < top.width() - 4; ++x) {
            light += luminance(top.get(x, y));
            Color n = normals.get(x, y);
            float tilt = std::hypot(n.r - 0.5f, n.g - 0.5f);
            bool painted = true, tape = true;
            for (int d = -3; d <= 3; d += 3)
                for (int e = -3; e <= 3; e += 3) {
                    painted = painted && saturation(x + d, y + e) > 0.3f;
                    tape = tape && saturation(x + d, y + e) < 0.05f && top.get(x + d, y + e).r < 0.7f;
                }
            if (painted) {
                panelTilt += tilt;
                ++panel;
            } else if (tape) {
                gripTilt += tilt;
                ++grip;
            }
        }
    EXPECT_GT(light / ((gripRows - 8) * (top.width() - 8)), 0.4);
    ASSERT_GT(panel, 1000);
    ASSERT_GT(grip, 1000);
    EXPECT_LT(panelTilt / panel, 0.3 * gripTilt / grip);
}

} // namespace

// Under water the sand is lit at most fully and then gets a glow of about
// three quarters of itself on top: it must start dark enough to end in the
// middle tones, and its ripples (six across, so half a wave is about 43
// texels sideways) must swing widely enough to stay visible after that.
TEST(AssetLooks, SandIsMidTonedUnderTheGlowAndItsRipplesShow)
{
    Picture sand = makeSand();
    const int w = sand.width(), h = sand.height(), halfWave = w / 12;
    auto smoothed = [&](int x, int y) {
        float sum = 0;
        for (int d = -4; d <= 4; ++d)
            sum += luminance(sand.get((x + d + w) % w, y));
        return sum / 9;
    };
    double light = 0, swing = 0;
    for (int y = 0; y < h; y += 4)
        for (int x = 0; x < w; ++x) {
            light += luminance(sand.get(x, y));
            swing += std::fabs(smoothed(x, y) - smoothed((x + halfWave) % w, y));
        }
    const double count = (h / 4.0) * w;
    EXPECT_GT(light / count, 0.25) << "too dark to read as sand";
    EXPECT_LT(light / count, 0.45) << "washed out once the glow is added";
    EXPECT_GT(swing / count, 0.08) << "ripples lost";
}
