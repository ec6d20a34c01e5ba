// Environment maps and sky boxes.
//
// The environment maps are sphere maps: the disc is a mirror ball seen from
// the front, each texel showing the reflection of the surroundings in that
// direction (y up, z towards the viewer). The sky boxes are panoramas that
// wrap round the four side faces of a cube, repeating four times, so they
// tile horizontally; their top and bottom rows are one flat colour each,
// because the cube's two caps are painted with the corner texels.
#include <cmath>
#include <numbers>
#include <functional>

#include "tools/assets/mesh/Mesh.h"
#include "tools/assets/pictures/Pictures.h"

namespace Assets {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

using Environment = std::function<Color(V3)>;

Picture sphereMap(int size, const Environment& environment)
{
    Picture p(size, size);
    for (int j = 0; j < size; ++j) {
        for (int i = 0; i < size; ++i) {
            float x = (i + 0.5f) / size * 2 - 1, y = 1 - (j + 0.5f) / size * 2;
            float r2 = x * x + y * y;
            if (r2 > 0.998f) {
                // Outside the ball: continue the rim so that filtering never sees a seam.
                float s = std::sqrt(0.998f / r2);
                x *= s;
                y *= s;
                r2 = 0.998f;
            }
            float nz = std::sqrt(1 - r2);
            V3 reflected{2 * nz * x, 2 * nz * y, 2 * nz * nz - 1};
            Color c = environment(reflected);
            c.a = 1;
            p.set(i, j, c);
        }
    }
    return p;
}

float azimuth(V3 d)
{
    return std::atan2(d.x, d.z);
}
float elevation(V3 d)
{
    return std::asin(std::fmax(-1.0f, std::fmin(1.0f, d.y)));
}

// Soft-edged rectangle in azimuth/elevation (radians); 1 inside.
float angularBox(V3 d, float az0, float az1, float el0, float el1, float soft)
{
    float a = azimuth(d), e = elevation(d);
    float inA = smoothstep(az0 - soft, az0 + soft, a) * (1 - smoothstep(az1 - soft, az1 + soft, a));
    float inE = smoothstep(el0 - soft, el0 + soft, e) * (1 - smoothstep(el1 - soft, el1 + soft, e));
    return inA * inE;
}

// Cloud cover over the upper hemisphere, projected onto a plane above the viewer.
float cloudCover(V3 d, uint32_t seed, float scale, float threshold)
{
    if (d.y <= 0.02f)
        return 0;
    float px = d.x / (d.y + 0.2f) * scale, pz = d.z / (d.y + 0.2f) * scale;
    float n = fbm(px + 50, pz + 50, 0, 0, 5, seed);
    return smoothstep(threshold, threshold + 0.25f, n) * smoothstep(0.02f, 0.2f, d.y);
}

// Makes the outermost rows at top and bottom the flat cap colours: the first
// 16 exactly (a JPEG block row with subsampled colour), then blending into
// the picture over the rest of `rows`.
void settleCaps(Picture& p, Color top, Color bottom, int rows)
{
    const int flat = 16;
    for (int j = 0; j < rows; ++j) {
        float f = j < flat ? 1.0f : 1 - static_cast<float>(j - flat) / (rows - flat);
        f = f * f * (3 - 2 * f);
        for (int i = 0; i < p.width(); ++i) {
            p.set(i, j, mix(p.get(i, j), top, f));
            int jb = p.height() - 1 - j;
            p.set(i, jb, mix(p.get(i, jb), bottom, f));
        }
    }
}

// A panorama: `shade` gives the colour at (u 0..1 round the box, v 0..1 from top).
Picture panorama(int width, int height, const std::function<Color(float, float, int, int)>& shade)
{
    Picture p(width, height);
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i) {
            Color c = shade((i + 0.5f) / width, (j + 0.5f) / height, i, j);
            c.a = 1;
            p.set(i, j, c);
        }
    return p;
}

} // namespace

// ---------------------------------------------------------------------------
// Environment maps

Picture makeStudioEnvironment()
{
    return sphereMap(512, [](V3 d) {
        float e = elevation(d);
        // A dark studio: charcoal walls, a black floor, a hard horizon line and
        // a few small, hot lights. Chrome shows it as deep blacks with crisp
        // white streaks, which a bright glow over a white page cannot wash out.
        float wall = 0.16f + 0.14f * smoothstep(0.0f, 1.3f, e);
        float floorLevel = 0.02f + 0.05f * smoothstep(-1.4f, -0.05f, e);
        float v = e > 0 ? wall : floorLevel;
        v = e > -0.03f && e < 0.03f ? 0.0f : v;
        // Two softboxes, a strip light overhead and a low rim light.
        v += 0.9f * angularBox(d, -1.7f, -1.1f, 0.3f, 0.85f, 0.03f);
        v += 0.9f * angularBox(d, 0.75f, 0.95f, 0.1f, 1.05f, 0.02f);
        v += 0.8f * angularBox(d, -0.12f, 0.12f, 1.2f, 1.5f, 0.03f);
        v += 0.5f * angularBox(d, 2.2f, 2.9f, 0.06f, 0.16f, 0.02f);
        v = clamp01(v);
        return Color{v, v, v, 1};
    });
}

Picture makeDaylightEnvironment()
{
    return sphereMap(512, [](V3 d) {
        float e = elevation(d);
        Color sky = sampleGradient(
            {{0.0f, hexColor(0xe8f2fb)}, {0.25f, hexColor(0xa9d0f0)}, {1.0f, hexColor(0x4f8fd6)}}, e / (kPi / 2));
        sky = mix(sky, hexColor(0xffffff), 0.85f * cloudCover(d, 11, 1.3f, 0.05f));
        Color ground = sampleGradient(
            {{0.0f, hexColor(0xb8b0a0)}, {0.3f, hexColor(0x7d8a5a)}, {1.0f, hexColor(0x4a5a34)}}, -e / (kPi / 2));
        float groundNoise = fbm(d.x / (0.1f - d.y) * 2 + 10, d.z / (0.1f - d.y) * 2, 0, 0, 4, 12);
        ground = mix(ground, hexColor(0x3b4a28), 0.35f * clamp01(groundNoise + 0.3f));
        Color c = mix(ground, sky, smoothstep(-0.015f, 0.015f, e));
        // The sun, high up behind the viewer's left shoulder.
        V3 sun = normalized({-0.5f, 0.7f, 0.5f});
        float s = dot(d, sun);
        c = mix(c, Color{1, 0.98f, 0.9f, 1}, smoothstep(0.985f, 0.995f, s) + 0.25f * std::pow(clamp01(s), 40.0f));
        return c;
    });
}

Picture makeSunsetEnvironment()
{
    return sphereMap(512, [](V3 d) {
        float e = elevation(d);
        Color sky = sampleGradient({{0.0f, hexColor(0xffc060)},
                                    {0.12f, hexColor(0xf07a48)},
                                    {0.45f, hexColor(0x9a3f74)},
                                    {1.0f, hexColor(0x2c1f55)}},
                                   e / (kPi / 2));
        sky = mix(sky, hexColor(0xffb0a0), 0.6f * cloudCover(d, 21, 1.0f, 0.15f));
        Color ground = sampleGradient({{0.0f, hexColor(0x3a1c30)}, {1.0f, hexColor(0x0c0612)}}, -e / (kPi / 2));
        Color c = mix(ground, sky, smoothstep(-0.01f, 0.01f, e));
        V3 sun = normalized({0.4f, 0.08f, 0.9f});
        float s = dot(d, sun);
        c = mix(c, Color{1, 0.95f, 0.75f, 1}, smoothstep(0.992f, 0.997f, s) + 0.5f * std::pow(clamp01(s), 24.0f));
        return c;
    });
}

Picture makeChromeEnvironment()
{
    // Polished steel under a bright day: mostly sky, a white haze at the
    // horizon, a thin blue-grey skyline for the crisp chrome line, and a
    // light sandy plain, so forks tinted well below white still read as metal.
    return sphereMap(512, [](V3 d) {
        // The horizon sits below the middle of the ball: more of it is sky.
        float e = elevation(d) + 0.2f;
        Color sky = sampleGradient({{0.0f, hexColor(0xffffff)},
                                    {0.12f, hexColor(0xe4f0fc)},
                                    {0.45f, hexColor(0xa8cbf0)},
                                    {1.0f, hexColor(0x5f90d8)}},
                                   e / (kPi / 2));
        sky = mix(sky, hexColor(0xffffff), 0.95f * cloudCover(d, 31, 0.9f, -0.05f));
        float ridge = 0.015f + 0.035f * (0.5f + 0.5f * perlin(azimuth(d) * 3.0f, 0.5f, 0, 0, 32));
        Color skyline = hexColor(0x6a7a96);
        Color ground = sampleGradient(
            {{0.0f, hexColor(0xf0ece2)}, {0.25f, hexColor(0xd2ccbe)}, {1.0f, hexColor(0xa29e90)}}, -e / (kPi / 2));
        Color c = e > ridge ? sky : (e > 0 ? skyline : ground);
        // The sun, high on the left, for a sparkle along the tines.
        V3 sun = normalized({-0.45f, 0.6f, 0.65f});
        c = mix(c, hexColor(0xffffff), smoothstep(0.992f, 0.997f, dot(d, sun)));
        return c;
    });
}

// ---------------------------------------------------------------------------
// Sky boxes

Picture makeDaySky()
{
    // Deep blue above, a band of cumulus round the horizon, hazy below: it is
    // seen both ways up by the scenes that use it. Kept at about half the
    // brightness it should finally have, because the scenes that show it glow
    // their picture, which nearly doubles it.
    const Color top = hexColor(0x163f86), bottom = hexColor(0x3567a8);
    Picture p = panorama(1024, 512, [&](float u, float v, int, int) {
        Color c = sampleGradient({{0.0f, top},
                                  {0.42f, hexColor(0x3a74bd)},
                                  {0.52f, hexColor(0x6894c8)},
                                  {0.62f, hexColor(0x4a7fc0)},
                                  {1.0f, bottom}},
                                 v);
        float band = std::exp(-std::pow((v - 0.47f) / 0.16f, 2.0f));
        float n = fbm(u * 6, v * 5, 6, 0, 6, 41);
        float cloud = smoothstep(0.0f, 0.35f, n + 0.35f * band - 0.25f) * (0.25f + band);
        float shade = 0.42f + 0.12f * smoothstep(-0.2f, 0.3f, fbm(u * 6 + 0.3f, v * 5 - 0.25f, 6, 0, 4, 42));
        c = mix(c, Color{shade, shade, shade + 0.03f, 1}, clamp01(cloud));
        return c;
    });
    settleCaps(p, top, bottom, 48);
    return p;
}

Picture makeNightSky()
{
    const Color deep = hexColor(0x050818);
    Picture p = panorama(1024, 512, [&](float u, float v, int, int) {
        float band = std::exp(-std::pow((v - 0.5f) / 0.22f, 2.0f));
        Color c = mix(deep, hexColor(0x2a2152), band);
        // A faint milky way winding across.
        float way = std::exp(-std::pow((v - 0.5f - 0.18f * std::sin(u * 2 * kPi)) / 0.08f, 2.0f));
        float dust = 0.5f + 0.5f * fbm(u * 8, v * 8, 8, 0, 5, 51);
        c = mix(c, hexColor(0x6a6090), 0.5f * way * dust);
        return c;
    });
    Random random(52);
    for (int s = 0; s < 1500; ++s) {
        float x = random.uniform() * 1024, y = random.range(40, 472);
        float b = std::pow(random.uniform(), 3.0f);
        Color tint = mix(Color{0.8f, 0.85f, 1, 1}, Color{1, 0.9f, 0.75f, 1}, random.uniform());
        p.discWrapped(x, y, 0.6f + 1.4f * b, 0.8f, withAlpha(tint, 0.35f + 0.65f * b));
    }
    settleCaps(p, deep, deep, 36);
    return p;
}

Picture makeFlowerSky()
{
    // Seen with z down: the picture's bottom row is the zenith, its top the
    // meadow beneath the flower ball.
    const Color zenith = hexColor(0x6a6ad0), meadowDeep = hexColor(0x2f6a2a);
    Picture p = panorama(1024, 512, [&](float u, float v, int, int) {
        float up = 1 - v; // 0 at the zenith, 1 at the nadir
        Color sky = sampleGradient(
            {{0.0f, zenith}, {0.3f, hexColor(0x9a90e0)}, {0.46f, hexColor(0xf0b0c8)}, {0.5f, hexColor(0xffe0b0)}}, up);
        float n = fbm(u * 8, v * 6, 8, 0, 5, 61);
        sky = mix(sky, hexColor(0xfff0f6), smoothstep(0.05f, 0.4f, n) * smoothstep(0.1f, 0.4f, up) * 0.8f);
        Color meadow = mix(hexColor(0x6fae48), meadowDeep, smoothstep(0.5f, 0.95f, up));
        meadow = mix(meadow, hexColor(0x3d7d2e), 0.5f * clamp01(fbm(u * 16, v * 16, 16, 0, 4, 62) + 0.5f));
        return up < 0.5f ? sky : meadow;
    });
    // Flowers dotted over the meadow, smaller towards the horizon.
    Random random(63);
    static const uint32_t kPetals[] = {0xff5a8c, 0xffd840, 0xffffff, 0xb070ff, 0xff8a30};
    for (int f = 0; f < 900; ++f) {
        float y = random.range(36, 250);
        float depth = 1 - y / 256; // 1 near the nadir
        float x = random.uniform() * 1024;
        float r = 1.2f + 3.5f * depth * random.range(0.5f, 1.0f);
        p.discWrapped(x, y, r, 0.8f, hexColor(kPetals[random.below(5)]));
        p.discWrapped(x, y, r * 0.35f, 0.5f, hexColor(0xffe070));
    }
    settleCaps(p, meadowDeep, zenith, 40);
    return p;
}

Picture makeUnderwaterSky()
{
    // The bright surface above, light shafts falling into deep blue below.
    const Color surface = hexColor(0x9ee2f2), deep = hexColor(0x07122c);
    Picture p = panorama(1024, 512, [&](float u, float v, int, int) {
        Color c = sampleGradient({{0.0f, surface},
                                  {0.12f, hexColor(0x4fb4d8)},
                                  {0.4f, hexColor(0x1f6a9e)},
                                  {0.7f, hexColor(0x10305c)},
                                  {1.0f, deep}},
                                 v);
        // Caustic net near the surface: ridges of noise.
        float ridges = 1 - std::fabs(fbm(u * 12, v * 24, 12, 0, 3, 71));
        c = mix(c, hexColor(0xd8fbff), std::pow(clamp01(ridges), 8.0f) * (1 - smoothstep(0.05f, 0.3f, v)) * 0.7f);
        // Light shafts, slanted slightly, fading with depth.
        float shaft = 0.5f + 0.5f * perlin(u * 24 + v * 2, 0.5f, 24, 0, 72);
        shaft = std::pow(clamp01(shaft), 4.0f) * (1 - smoothstep(0.1f, 0.75f, v));
        c = mix(c, hexColor(0x9be6ff), 0.45f * shaft);
        return c;
    });
    settleCaps(p, surface, deep, 36);
    return p;
}

Picture makeHorizonBackdrop()
{
    // A warm evening sky behind the landscape layers, the sun low in the middle.
    Picture p = panorama(1024, 512, [](float u, float v, int, int) {
        Color c = sampleGradient({{0.0f, hexColor(0x24306e)},
                                  {0.3f, hexColor(0x6b5aa0)},
                                  {0.5f, hexColor(0xe8879a)},
                                  {0.62f, hexColor(0xffc07a)},
                                  {0.72f, hexColor(0xffe2a0)},
                                  {1.0f, hexColor(0xf0a070)}},
                                 v);
        float dx = (u - 0.5f) * 2.0f, dy = (v - 0.6f) * 1.67f; // round on screen: 800 px per u, 667 per v
        float d = std::sqrt(dx * dx + dy * dy);
        c = mix(c, hexColor(0xfff4d0), 0.6f * std::exp(-d * d / 0.02f));
        c = mix(c, hexColor(0xfffbea), smoothstep(0.075f, 0.065f, d));
        float haze = fbm(u * 4, v * 16, 4, 0, 4, 81);
        c = mix(c, hexColor(0xffd0b0), 0.15f * clamp01(haze + 0.3f) * smoothstep(0.3f, 0.6f, v));
        return c;
    });
    return p;
}

} // namespace Assets
