// The Horizon scene's four cloud layers: soft, rounded clouds lit from below
// by the low evening sun, as transparent pictures.
//
// The scene stretches these pictures: whatever the zoom, one texel ends up
// about three times as tall on screen as it is wide (the upper half of a
// 1024 x 512 picture fills a 4:3 view at first, twice the width of the
// picture later). So every cloud is built in a "screen" space whose y axis
// is three times the picture's, and only squashed into texels at the end;
// on screen the puffs come out round instead of as tall spikes.
//
// A cloud is a sum of soft ellipsoid puffs (a density field), roughened by
// a little low-frequency noise and cut off with a wide ramp, so the edges
// stay soft. Light is read from the density field itself: where the density
// drops towards the sky above, the cloud is lit pink-white; where it drops
// towards the sun below, it glows warm.
#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/assets/pictures/Pictures.h"

namespace Assets {

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 512;
constexpr float kSquash = 3.0f; // screen units per texel row, per texel column
constexpr float kScreenHeight = kHeight * kSquash;

// One puff, in screen units (x 0..kWidth, y 0..kScreenHeight, y down).
struct Puff {
    float x, y;
    float rx, ry;
    float weight;
    float base; // the density fades out just below this line: flat cloud bottoms
};

struct CloudLook {
    uint32_t seed;
    bool tiles;      // repeated by the scene: puffs and noise wrap round
    float noise;     // strength of the billowing detail
    float noiseCell; // detail size in screen units (kWidth / noiseCell must be whole)
    float flatten;   // > 1: detail drawn out sideways (streaky layers)
    float edge;      // density ramp from clear to opaque: larger is softer
    float opacity;
    int probe; // rows between a texel and where its light is judged: about a third of a cloud's height
    Color body, lit, glow;
};

// Sum of the puffs' densities, one float per texel.
std::vector<float> puffDensity(const std::vector<Puff>& puffs, bool tiles)
{
    std::vector<float> density(static_cast<size_t>(kWidth) * kHeight, 0.0f);
    for (const Puff& p : puffs) {
        int i0 = static_cast<int>(std::floor(p.x - p.rx)), i1 = static_cast<int>(std::ceil(p.x + p.rx));
        int j0 = std::max(0, static_cast<int>(std::floor((p.y - p.ry) / kSquash)));
        int j1 = std::min(kHeight - 1, static_cast<int>(std::ceil((p.y + p.ry) / kSquash)));
        if (!tiles) {
            i0 = std::max(i0, 0);
            i1 = std::min(i1, kWidth - 1);
        }
        for (int j = j0; j <= j1; ++j) {
            float y = (j + 0.5f) * kSquash;
            float dy = (y - p.y) / p.ry;
            float flat = 1 - smoothstep(p.base - 0.45f * p.ry, p.base + 0.25f * p.ry, y);
            if (flat <= 0)
                continue;
            for (int i = i0; i <= i1; ++i) {
                float dx = (i + 0.5f - p.x) / p.rx;
                float q = dx * dx + dy * dy;
                if (q >= 1)
                    continue;
                int column = ((i % kWidth) + kWidth) % kWidth;
                density[static_cast<size_t>(j) * kWidth + column] += p.weight * (1 - q) * (1 - q) * flat;
            }
        }
    }
    return density;
}

Picture renderClouds(const CloudLook& look, const std::vector<Puff>& puffs)
{
    std::vector<float> field = puffDensity(puffs, look.tiles);
    const int period = static_cast<int>(kWidth / look.noiseCell);
    for (int j = 0; j < kHeight; ++j) {
        float y = (j + 0.5f) * kSquash / look.noiseCell * look.flatten;
        for (int i = 0; i < kWidth; ++i) {
            float& d = field[static_cast<size_t>(j) * kWidth + i];
            if (d <= 0)
                continue;
            float x = (i + 0.5f) / look.noiseCell;
            // Only where there is cloud: the clear sky stays exactly clear.
            d += look.noise * fbm(x, y, period, 0, 4, look.seed) * std::min(1.0f, d * 3);
        }
    }
    auto at = [&](int i, int j) {
        j = std::clamp(j, 0, kHeight - 1);
        i = look.tiles ? ((i % kWidth) + kWidth) % kWidth : std::clamp(i, 0, kWidth - 1);
        return field[static_cast<size_t>(j) * kWidth + i];
    };
    const float threshold = 0.35f;
    Picture p(kWidth, kHeight, withAlpha(look.body, 0));
    for (int j = 0; j < kHeight; ++j)
        for (int i = 0; i < kWidth; ++i) {
            float d = at(i, j);
            float alpha = smoothstep(threshold, threshold + look.edge, d) * look.opacity;
            if (!look.tiles)
                alpha *=
                    smoothstep(0.0f, 0.12f, (i + 0.5f) / kWidth) * smoothstep(0.0f, 0.12f, 1 - (i + 0.5f) / kWidth);
            if (alpha <= 0)
                continue;
            float fromAbove = clamp01((d - at(i, j - look.probe)) * 1.2f + 0.35f);
            float fromBelow = 0.85f * clamp01((d - at(i, j + look.probe)) * 1.4f);
            float thick = smoothstep(threshold, threshold + 1.2f, d);
            Color c = mix(look.lit, look.body, 0.35f + 0.45f * thick);
            c = mix(c, look.lit, fromAbove * (1 - 0.5f * thick));
            c = mix(c, look.glow, fromBelow);
            c.a = alpha;
            p.set(i, j, c);
        }
    return p;
}

// A cumulus: a row of puffs along a flat base, a rounded dome of smaller
// puffs on top. x and base in screen units; width and height of the dome.
void cumulus(std::vector<Puff>& puffs, Random& random, float x, float base, float width, float height)
{
    int low = 4 + random.below(3);
    for (int k = 0; k < low; ++k) {
        float f = (k + 0.5f) / low * 2 - 1;
        float r = height * random.range(0.32f, 0.45f) * (1 - 0.35f * f * f);
        puffs.push_back({x + f * width * 0.42f, base - r * 0.55f, r * 1.25f, r, 1.0f, base});
    }
    int high = 5 + random.below(4);
    for (int k = 0; k < high; ++k) {
        float f = random.range(-0.8f, 0.8f);
        float dome = height * std::sqrt(1 - f * f);
        float r = random.range(0.25f, 0.4f) * height * (0.6f + 0.4f * std::sqrt(1 - f * f));
        float top = base - dome * random.range(0.45f, 0.85f);
        puffs.push_back({x + f * width * 0.45f, top + r * 0.4f, r, r, 0.95f, base});
    }
}

// A long flat streak of stratus: overlapping wide ellipses.
void streak(std::vector<Puff>& puffs, Random& random, float x, float y, float length, float thickness)
{
    int parts = 3 + random.below(3);
    for (int k = 0; k < parts; ++k) {
        float f = (k + 0.5f) / parts * 2 - 1;
        float rx = length * random.range(0.3f, 0.45f);
        float ry = thickness * random.range(0.7f, 1.1f) * (1 - 0.4f * f * f);
        puffs.push_back({x + f * length * 0.4f, y + random.range(-0.3f, 0.3f) * thickness, rx, ry, 0.8f, 1e9f});
    }
}

// Screen y of a picture height fraction (0 top .. 1 bottom).
float screenY(float v)
{
    return v * kScreenHeight;
}

} // namespace

Picture makeCloudBank()
{
    // A broad bank of stratocumulus across the middle of the sky: a sheet of
    // flattened puffs with a few domes rising from it. The scene clamps this
    // layer, so it ends well inside the picture.
    Random random(101);
    std::vector<Puff> puffs;
    for (int k = 0; k < 26; ++k) {
        float f = random.uniform();
        float r = random.range(40, 75) * (1 - 0.5f * std::fabs(f * 2 - 1));
        float base = screenY(0.3f) + random.range(-20, 20);
        puffs.push_back({170 + f * 684, base - r * 0.5f, r * 2.2f, r, 0.9f, base});
    }
    for (int k = 0; k < 4; ++k)
        cumulus(puffs, random, 260 + k * 170 + random.range(-30, 30), screenY(0.3f) - 10, random.range(150, 220),
                random.range(100, 150));
    CloudLook look{
        101, false, 0.35f, 64, 1.0f, 0.8f, 0.85f, 6, hexColor(0x9a86b8), hexColor(0xf6e4f0), hexColor(0xffb48c)};
    return renderClouds(look, puffs);
}

Picture makeCloudStreaks()
{
    // Thin, high stratus drawn out along the horizon, tiling.
    Random random(102);
    std::vector<Puff> puffs;
    for (int k = 0; k < 9; ++k) {
        float x = random.uniform() * kWidth;
        streak(puffs, random, x, screenY(random.range(0.06f, 0.26f)), random.range(260, 480), random.range(10, 20));
    }
    CloudLook look{
        102, true, 0.5f, 64, 3.0f, 0.9f, 0.55f, 2, hexColor(0xa58cc0), hexColor(0xfbe6f2), hexColor(0xffa6a0)};
    return renderClouds(look, puffs);
}

Picture makeCloudPuffs()
{
    // Fair-weather cumulus low over the hills, tiling; their bases catch
    // the sun.
    Random random(103);
    std::vector<Puff> puffs;
    const int clouds = 5;
    for (int k = 0; k < clouds; ++k) {
        float x = (k + random.range(0.25f, 0.75f)) * kWidth / clouds;
        cumulus(puffs, random, x, screenY(random.range(0.45f, 0.5f)), random.range(130, 200), random.range(90, 150));
    }
    CloudLook look{
        103, true, 0.3f, 64, 1.0f, 0.7f, 0.95f, 6, hexColor(0xae8cb2), hexColor(0xfff0ec), hexColor(0xffc27e)};
    return renderClouds(look, puffs);
}

Picture makeCloudWisps()
{
    // Two big, loose clouds nearer the viewer, trailing wisps; clamped by
    // the scene.
    Random random(104);
    std::vector<Puff> puffs;
    cumulus(puffs, random, 320, screenY(0.42f), 300, 210);
    cumulus(puffs, random, 710, screenY(0.39f), 240, 170);
    for (int k = 0; k < 5; ++k)
        streak(puffs, random, random.range(240, 800), screenY(random.range(0.39f, 0.44f)), random.range(200, 320),
               random.range(10, 18));
    CloudLook look{
        104, false, 0.35f, 64, 1.0f, 0.75f, 0.9f, 5, hexColor(0xa48ab8), hexColor(0xfff2f2), hexColor(0xffb880)};
    return renderClouds(look, puffs);
}

} // namespace Assets
