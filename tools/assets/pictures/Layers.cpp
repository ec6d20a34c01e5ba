// The Horizon scene's landscape layers: transparent pictures of hills,
// grass and a fence, drawn over the evening backdrop (the clouds are in
// Clouds.cpp). Layers the scene repeats tile horizontally; layers it clamps
// fade to nothing at their left and right edges, so the clamped edge columns
// stay invisible.
#include <cmath>
#include <functional>

#include "tools/assets/pictures/Pictures.h"

namespace Assets {

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 512;

// 1 inside the middle of the picture, 0 towards the left and right edges.
float clampFade(float u, float margin)
{
    return smoothstep(0.0f, margin, u) * smoothstep(0.0f, margin, 1 - u);
}

// A hill range: a ridge line from tileable 1D noise, filled below.
struct HillStyle {
    uint32_t seed;
    int bumps;       // noise cells across the width
    float ridge;     // mean ridge height, 0 top .. 1 bottom
    float amplitude; // ridge height variation
    Color top, bottom;
    bool tiles;
};

float ridgeHeight(const HillStyle& s, float u)
{
    return s.ridge - s.amplitude * fbm(u * s.bumps, 0.37f, s.bumps, 0, 5, s.seed);
}

Picture hillLayer(const HillStyle& s, const std::function<float(float)>& extra = nullptr)
{
    Picture p(kWidth, kHeight, {0, 0, 0, 0});
    for (int i = 0; i < kWidth; ++i) {
        float u = (i + 0.5f) / kWidth;
        float ridge = ridgeHeight(s, u) * kHeight;
        if (extra)
            ridge -= extra(u) * kHeight;
        if (!s.tiles)
            ridge += (1 - clampFade(u, 0.25f)) * kHeight; // sink the hill towards the clamped edges
        for (int j = 0; j < kHeight; ++j) {
            float coverage = clamp01(j + 0.5f - ridge + 0.5f);
            if (coverage <= 0)
                continue;
            float depth = clamp01((j - ridge) / (kHeight * 0.5f));
            Color c = mix(s.top, s.bottom, depth);
            float texture = fbm(u * s.bumps * 6, j / 40.0f, s.bumps * 6, 0, 3, s.seed + 7);
            c = mix(c, s.bottom, 0.15f * clamp01(texture + 0.3f));
            c.a = coverage;
            p.set(i, j, c);
        }
    }
    return p;
}

// A thin tapering blade or stalk from (x, base) up to height h, leaning by `lean` pixels.
void blade(Picture& p, float x, float base, float h, float lean, float width, const Color& c)
{
    for (int j = static_cast<int>(base - h); j <= static_cast<int>(base); ++j) {
        float t = clamp01((base - j) / h); // 0 at the base, 1 at the tip
        float cx = x + lean * t * t;
        float halfWidth = 0.5f * width * (1 - t) + 0.3f;
        for (int i = static_cast<int>(std::floor(cx - halfWidth - 1));
             i <= static_cast<int>(std::ceil(cx + halfWidth + 1)); ++i) {
            float coverage = clamp01(halfWidth + 0.5f - std::fabs(i + 0.5f - cx));
            int wrapped = ((i % p.width()) + p.width()) % p.width();
            p.blend(wrapped, j, c, coverage);
        }
    }
}

} // namespace

Picture makeFarHills()
{
    return hillLayer({111, 4, 0.55f, 0.12f, hexColor(0x9a88b8), hexColor(0x7a6ea0), true});
}

Picture makeMiddleHills()
{
    return hillLayer({112, 3, 0.64f, 0.14f, hexColor(0x5a6a8a), hexColor(0x3a4a62), true});
}

Picture makeNearHill()
{
    HillStyle style{113, 2, 0.74f, 0.1f, hexColor(0x2f5234), hexColor(0x1c3220), false};
    Picture p = hillLayer(style, [](float u) { return 0.12f * std::exp(-std::pow((u - 0.45f) / 0.15f, 2.0f)); });
    // A few round trees on the crest.
    Random random(114);
    for (int t = 0; t < 7; ++t) {
        float u = random.range(0.3f, 0.62f);
        float ridge = (ridgeHeight(style, u) - 0.12f * std::exp(-std::pow((u - 0.45f) / 0.15f, 2.0f))) * kHeight;
        float r = random.range(10, 22);
        blade(p, u * kWidth, ridge + 4, r * 1.6f, 0, 4, hexColor(0x1a2a16));
        p.disc(u * kWidth, ridge - r * 1.4f, r, 1.5f, hexColor(0x24452a));
        p.disc(u * kWidth - r * 0.3f, ridge - r * 1.7f, r * 0.55f, 1.5f, hexColor(0x3a6a3c));
    }
    return p;
}

Picture makeGrassLayer()
{
    Picture p(kWidth, kHeight, {0, 0, 0, 0});
    const float ground = kHeight * 0.86f;
    for (int j = static_cast<int>(ground); j < kHeight; ++j)
        for (int i = 0; i < kWidth; ++i)
            p.set(i, j, withAlpha(hexColor(0x2c5a1e), 1));
    Random random(121);
    for (int b = 0; b < 2600; ++b) {
        float x = random.uniform() * kWidth;
        float h = random.range(12, 60) * (0.6f + 0.4f * (0.5f + 0.5f * std::sin(x / kWidth * 2 * 3.14159f * 5)));
        Color c = mix(hexColor(0x2f6a22), hexColor(0x7cb84a), random.uniform());
        blade(p, x, ground + random.range(0, 6), h, random.range(-10, 10), random.range(2, 4), c);
    }
    // Some flowers in the grass.
    for (int f = 0; f < 60; ++f) {
        float x = random.uniform() * kWidth, h = random.range(30, 70);
        blade(p, x, ground + 4, h, random.range(-4, 4), 2, hexColor(0x3a6a2a));
        p.discWrapped(x, ground + 4 - h, random.range(3, 5), 1, hexColor(random.below(2) ? 0xffe060 : 0xffffff));
    }
    return p;
}

Picture makeFence()
{
    // A picket fence in dark silhouette along the bottom, rim-lit by the sun.
    Picture p(kWidth, kHeight, {0, 0, 0, 0});
    const Color wood = hexColor(0x20160f), rim = hexColor(0x8a5a30);
    const int pickets = 12, width = 20;
    for (int k = 0; k < pickets; ++k) {
        float cx = (k + 0.5f) * kWidth / pickets;
        float top = kHeight * 0.76f;
        for (int j = static_cast<int>(top) - 16; j < kHeight; ++j) {
            for (int i = static_cast<int>(cx) - width / 2 - 1; i <= static_cast<int>(cx) + width / 2 + 1; ++i) {
                float dx = std::fabs(i + 0.5f - cx);
                // Pointed top: the picket narrows over its last 16 pixels.
                float halfWidth = width / 2.0f * clamp01((j + 0.5f - (top - 16)) / 16.0f);
                float coverage = clamp01(halfWidth + 0.5f - dx);
                float side = (i + 0.5f - cx) / (width * 0.5f); // -1 left edge .. 1 right edge
                Color c = mix(wood, rim, 0.6f * smoothstep(0.4f, 1.0f, side));
                p.blend(i, j, c, coverage);
            }
        }
    }
    // Two rails, tiling across the whole width.
    for (int rail = 0; rail < 2; ++rail) {
        int y0 = static_cast<int>(kHeight * (rail == 0 ? 0.82f : 0.92f));
        for (int j = y0; j < y0 + 10; ++j)
            for (int i = 0; i < kWidth; ++i)
                p.blend(i, j, j < y0 + 3 ? rim : wood, 1);
    }
    return p;
}

} // namespace Assets
