// Surfaces of the animated scenes: the flower atlas (a petal on the left
// half, a seed disc on the right), the dragonfly's wing and body, the
// strawberry's skin and the balloon basket's wicker. Bump-mapped ones share
// one height field between their colour and their normal map.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "tools/assets/pictures/Pictures.h"

namespace Assets {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

struct Surface {
    Picture color;
    std::vector<float> height;
};

Surface blankSurface(int width, int height)
{
    return {Picture(width, height), std::vector<float>(static_cast<size_t>(width) * height, 0.0f)};
}

// ---------------------------------------------------------------- flowers

constexpr int kAtlasWidth = 512;
constexpr int kAtlasHeight = 256;

// Left half: one petal, u from its base (0) to its tip (0.5), v across.
void paintPetal(Surface& s)
{
    const int half = kAtlasWidth / 2;
    for (int j = 0; j < kAtlasHeight; ++j)
        for (int i = 0; i < half; ++i) {
            float along = (i + 0.5f) / half;
            float across = (j + 0.5f) / kAtlasHeight * 2 - 1;
            // Veins fan out from the base.
            float fan = across / (0.35f + 0.65f * along);
            float veins = 0.5f + 0.5f * std::cos(fan * 9.0f * kPi);
            veins = std::pow(veins, 6.0f) * smoothstep(0.0f, 0.25f, along);
            float wrinkle = 0.5f + 0.5f * fbm(along * 4, across * 3, 0, 0, 3, 71);
            Color c = mix(hexColor(0xd86a08), hexColor(0xffd21a), smoothstep(0.0f, 0.45f, along));
            c = mix(c, hexColor(0xfff07a), 0.35f * smoothstep(0.6f, 1.0f, along) * wrinkle);
            c = mix(c, hexColor(0xb04a04), 0.35f * veins);
            s.color.set(i, j, c);
            s.height[static_cast<size_t>(j) * kAtlasWidth + i] = 0.6f * (1 - veins) + 0.2f * wrinkle;
        }
}

// Right half: a seed disc round (0.75, 0.5) reaching the half's edges, seeds
// on the sunflower's spiral.
void paintSeeds(Surface& s)
{
    const int half = kAtlasWidth / 2;
    const float cx = half + half * 0.5f, cy = kAtlasHeight * 0.5f, radius = half * 0.5f;
    for (int j = 0; j < kAtlasHeight; ++j)
        for (int i = half; i < kAtlasWidth; ++i) {
            float r = std::hypot(i + 0.5f - cx, j + 0.5f - cy) / radius;
            Color c = mix(hexColor(0x2a1406), hexColor(0x5a3210), smoothstep(0.55f, 0.95f, r));
            c = mix(c, hexColor(0x7a6a20), 0.5f * smoothstep(0.0f, 0.2f, 0.2f - r));
            s.color.set(i, j, c);
            s.height[static_cast<size_t>(j) * kAtlasWidth + i] = 0.3f;
        }
    const float golden = kPi * (3 - std::sqrt(5.0f));
    const int seeds = 520;
    for (int k = 1; k < seeds; ++k) {
        float r = std::sqrt(static_cast<float>(k) / seeds) * radius * 0.97f;
        float a = k * golden;
        float x = cx + r * std::cos(a), y = cy + r * std::sin(a);
        float size = 2.2f + 2.0f * r / radius;
        for (int j = static_cast<int>(y - size - 1); j <= static_cast<int>(y + size + 1); ++j)
            for (int i = static_cast<int>(x - size - 1); i <= static_cast<int>(x + size + 1); ++i) {
                if (i < half || i >= kAtlasWidth || j < 0 || j >= kAtlasHeight)
                    continue;
                float d = std::hypot(i + 0.5f - x, j + 0.5f - y) / size;
                if (d >= 1)
                    continue;
                float dome = std::sqrt(1 - d * d);
                Color seed = mix(hexColor(0x1a0c04), hexColor(0x8a6a3a), 0.6f * dome * (r / radius));
                s.color.blend(i, j, seed, clamp01((1 - d) * 3));
                float& h = s.height[static_cast<size_t>(j) * kAtlasWidth + i];
                h = std::max(h, 0.3f + 0.7f * dome);
            }
    }
}

Surface flowerSurface()
{
    Surface s = blankSurface(kAtlasWidth, kAtlasHeight);
    paintPetal(s);
    paintSeeds(s);
    return s;
}

// ---------------------------------------------------------------- dragonfly

constexpr int kBodyWidth = 512;
constexpr int kBodyHeight = 128;

// u runs from the tail (0) to the head (1), v round the body.
Surface dragonflyBodySurface()
{
    Surface s = blankSurface(kBodyWidth, kBodyHeight);
    for (int j = 0; j < kBodyHeight; ++j)
        for (int i = 0; i < kBodyWidth; ++i) {
            float u = (i + 0.5f) / kBodyWidth;
            float v = (j + 0.5f) / kBodyHeight;
            float sheen = 0.5f + 0.5f * perlin(u * 16, v * 4, 16, 4, 91);
            float back = 0.5f + 0.5f * std::cos(2 * kPi * (v - 0.25f)); // the top of the body
            Color c;
            float groove = 0;
            if (u < 0.62f) {
                // Abdomen: ten segments, each blue with a dark band at its joint.
                float segment = u / 0.62f * 10;
                float f = segment - std::floor(segment);
                groove = smoothstep(0.12f, 0.0f, f) + smoothstep(0.88f, 1.0f, f);
                c = mix(hexColor(0x0d5aa8), hexColor(0x27c8d8), 0.5f * sheen + 0.3f * back);
                c = mix(c, hexColor(0x07121c), 0.85f * groove);
                c = mix(c, hexColor(0x04080c), 0.5f * back * smoothstep(0.35f, 0.45f, f) * smoothstep(0.65f, 0.55f, f));
            } else if (u < 0.86f) {
                // Thorax: green with two dark shoulder stripes.
                float stripe = std::pow(0.5f + 0.5f * std::cos(2 * kPi * (v * 4)), 8.0f);
                c = mix(hexColor(0x2f8a3a), hexColor(0x8ad04a), 0.6f * sheen);
                c = mix(c, hexColor(0x0a140a), 0.8f * stripe);
                groove = 0.5f * stripe;
            } else {
                c = mix(hexColor(0x1c6a70), hexColor(0x60c0b0), sheen);
            }
            s.color.set(i, j, c);
            s.height[static_cast<size_t>(j) * kBodyWidth + i] = 1 - groove + 0.15f * sheen;
        }
    return s;
}

} // namespace

Picture makeFlowerAtlas()
{
    return flowerSurface().color;
}

Picture makeFlowerAtlasNormals()
{
    Surface s = flowerSurface();
    return normalMapFromHeight(s.height, kAtlasWidth, kAtlasHeight, 2.0f, false);
}

Picture makeDragonflyBody()
{
    return dragonflyBodySurface().color;
}

Picture makeDragonflyBodyNormals()
{
    Surface s = dragonflyBodySurface();
    return normalMapFromHeight(s.height, kBodyWidth, kBodyHeight, 2.5f, true);
}

// u along the span from the hinge (0) to the tip (1), v across the chord.
Picture makeDragonflyWing()
{
    const int w = 512, h = 128;
    Picture p(w, h);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            float u = (i + 0.5f) / w, v = (j + 0.5f) / h;
            CellSample cell = cellular(u * 40, v * 8, 0, 0, 17);
            CellSample second = cellular(u * 40 + 0.5f, v * 8 + 0.5f, 0, 0, 18);
            float vein = smoothstep(0.12f, 0.0f, std::fabs(cell.distance - second.distance));
            // Long veins along the span, denser at the leading edge (v near 0).
            float longVein = std::pow(0.5f + 0.5f * std::cos(v * v * 14 * kPi), 20.0f);
            vein = std::max(vein * 0.7f, longVein);
            Color c = mix(hexColor(0xc8e0f0), hexColor(0x9cc6e8), 0.5f + 0.5f * perlin(u * 6, v * 2, 0, 0, 19));
            c = mix(c, hexColor(0xd8a860), 0.5f * smoothstep(0.12f, 0.0f, u)); // amber at the hinge
            c = mix(c, hexColor(0x203040), 0.75f * vein);
            // The dark cell near the tip of the leading edge.
            float stigma = smoothstep(0.04f, 0.02f, std::hypot((u - 0.86f) * 0.5f, v - 0.12f));
            c = mix(c, hexColor(0x2a1a10), stigma);
            p.set(i, j, c);
        }
    return p;
}

// ---------------------------------------------------------------- strawberry

namespace {

constexpr int kBerrySize = 256;

// Tileable: rows of seeds, each sunk in a pit.
Surface berrySurface()
{
    Surface s = blankSurface(kBerrySize, kBerrySize);
    const int rows = 8, columns = 8;
    const float cellW = static_cast<float>(kBerrySize) / columns, cellH = static_cast<float>(kBerrySize) / rows;
    for (int j = 0; j < kBerrySize; ++j)
        for (int i = 0; i < kBerrySize; ++i) {
            float tone = 0.5f + 0.5f * fbm(i / 64.0f, j / 64.0f, 4, 4, 3, 211);
            s.color.set(i, j, mix(hexColor(0xb00818), hexColor(0xf02a2a), tone));
            s.height[static_cast<size_t>(j) * kBerrySize + i] = 1.0f;
        }
    Random random(77);
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column) {
            float cx = (column + 0.5f * (row & 1) + 0.5f) * cellW + random.range(-3, 3);
            float cy = (row + 0.5f) * cellH + random.range(-3, 3);
            const float pit = 0.36f * cellW;
            for (int y = static_cast<int>(cy - pit - 1); y <= static_cast<int>(cy + pit + 1); ++y)
                for (int x = static_cast<int>(cx - pit - 1); x <= static_cast<int>(cx + pit + 1); ++x) {
                    int xi = ((x % kBerrySize) + kBerrySize) % kBerrySize,
                        yi = ((y % kBerrySize) + kBerrySize) % kBerrySize;
                    float dx = (x + 0.5f - cx) / pit, dy = (y + 0.5f - cy) / (pit * 1.3f);
                    float d = std::hypot(dx, dy);
                    if (d >= 1)
                        continue;
                    float& h = s.height[static_cast<size_t>(yi) * kBerrySize + xi];
                    float seed = d < 0.35f ? std::sqrt(1 - (d / 0.35f) * (d / 0.35f)) : 0.0f;
                    h = std::min(h, 1 - 0.8f * (1 - d * d)) + 0.6f * seed;
                    Color c = s.color.get(xi, yi);
                    c = mix(c, hexColor(0x700410), 0.5f * (1 - d));
                    c = mix(c, mix(hexColor(0xc8a020), hexColor(0xfff08a), seed), clamp01((0.35f - d) * 12));
                    s.color.set(xi, yi, c);
                }
        }
    return s;
}

} // namespace

Picture makeStrawberrySkin()
{
    return berrySurface().color;
}

Picture makeStrawberryNormals()
{
    Surface s = berrySurface();
    return normalMapFromHeight(s.height, kBerrySize, kBerrySize, 2.0f, true);
}

// ---------------------------------------------------------------- wicker

Picture makeWicker()
{
    const int n = 256, strands = 8;
    Picture p(n, n);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            float x = (i + 0.5f) / n * strands, y = (j + 0.5f) / n * strands;
            int cx = static_cast<int>(x), cy = static_cast<int>(y);
            float fx = x - cx, fy = y - cy;
            // Over-under weave: which strand lies on top alternates cell by cell.
            bool horizontalOnTop = ((cx + cy) & 1) == 0;
            float across = horizontalOnTop ? fy : fx;
            float along = horizontalOnTop ? fx : fy;
            float round = std::sin(kPi * across);
            float grain = 0.5f + 0.5f * perlin(along * 2 + cx, across * 12 + cy, 0, 0, 5);
            Color c = mix(hexColor(0x5a3412), hexColor(0xc89050), round * (0.7f + 0.3f * grain));
            c = mix(c, hexColor(0x24140a), smoothstep(0.25f, 0.0f, round));
            p.set(i, j, c);
        }
    return p;
}

} // namespace Assets
