// Surface textures: tileable grass and sand, the starfish's skin and the
// skateboard's grip tape, each bump-mapped surface with a normal map made
// from the same height field as its colour.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "tools/assets/Starfish.h"
#include "tools/assets/pictures/Pictures.h"
#include "tools/assets/raster/Text.h"

namespace Assets {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

// A small disc that wraps round both edges (for tileable textures).
void splatWrapped(Picture& p, float cx, float cy, float radius, const Color& c)
{
    int x0 = static_cast<int>(std::floor(cx - radius - 1)), x1 = static_cast<int>(std::ceil(cx + radius + 1));
    int y0 = static_cast<int>(std::floor(cy - radius - 1)), y1 = static_cast<int>(std::ceil(cy + radius + 1));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
            float coverage = clamp01(radius + 0.5f - d);
            if (coverage > 0)
                p.blend(((x % p.width()) + p.width()) % p.width(), ((y % p.height()) + p.height()) % p.height(), c,
                        coverage);
        }
}

// A short stroke made of overlapping splats, wrapping round the edges.
void strokeWrapped(Picture& p, float x0, float y0, float x1, float y1, float r0, float r1, const Color& c)
{
    float len = std::hypot(x1 - x0, y1 - y0);
    int steps = std::max(2, static_cast<int>(len * 1.5f));
    for (int s = 0; s <= steps; ++s) {
        float t = static_cast<float>(s) / steps;
        splatWrapped(p, x0 + (x1 - x0) * t, y0 + (y1 - y0) * t, r0 + (r1 - r0) * t, withAlpha(c, c.a * 0.5f));
    }
}

// Pixel (i, j) of a size x size picture as (x, y) in -1..1 with y up.
void centred(int i, int j, int size, float& x, float& y)
{
    x = (i + 0.5f) / size * 2 - 1;
    y = 1 - (j + 0.5f) / size * 2;
}

} // namespace

Picture normalMapFromHeight(const std::vector<float>& height, int width, int heightRows, float strength, bool wrap)
{
    Picture p(width, heightRows);
    auto at = [&](int x, int y) {
        if (wrap) {
            x = ((x % width) + width) % width;
            y = ((y % heightRows) + heightRows) % heightRows;
        } else {
            x = std::clamp(x, 0, width - 1);
            y = std::clamp(y, 0, heightRows - 1);
        }
        return height[static_cast<size_t>(y) * width + x];
    };
    for (int j = 0; j < heightRows; ++j)
        for (int i = 0; i < width; ++i) {
            float du = (at(i + 1, j) - at(i - 1, j)) * 0.5f;
            float dv = (at(i, j - 1) - at(i, j + 1)) * 0.5f; // rows run downwards, v upwards
            float nx = -du * strength, ny = -dv * strength, nz = 1;
            float l = std::sqrt(nx * nx + ny * ny + nz * nz);
            p.set(i, j, {nx / l * 0.5f + 0.5f, ny / l * 0.5f + 0.5f, nz / l * 0.5f + 0.5f, 1});
        }
    return p;
}

// ---------------------------------------------------------------------------

Picture makeMeadow()
{
    const int size = 512;
    Picture p(size, size);
    for (int j = 0; j < size; ++j)
        for (int i = 0; i < size; ++i) {
            float n = fbm(i / 64.0f, j / 64.0f, 8, 8, 5, 301);
            Color c = mix(hexColor(0x35621f), hexColor(0x6a9a34), clamp01(0.5f + n));
            c = mix(c, hexColor(0x8a9a48), 0.3f * clamp01(fbm(i / 128.0f, j / 128.0f, 4, 4, 3, 302)));
            p.set(i, j, c);
        }
    Random random(303);
    for (int b = 0; b < 14000; ++b) {
        float x = random.uniform() * size, y = random.uniform() * size;
        float angle = -kPi / 2 + random.range(-0.6f, 0.6f);
        float len = random.range(5, 13);
        Color c = mix(hexColor(0x2a5a18), hexColor(0x9ac858), random.uniform());
        strokeWrapped(p, x, y, x + std::cos(angle) * len, y + std::sin(angle) * len, 0.9f, 0.3f, c);
    }
    static const uint32_t kFlowers[] = {0xffffff, 0xffe04a, 0xf0a0e0};
    for (int f = 0; f < 70; ++f) {
        float x = random.uniform() * size, y = random.uniform() * size;
        splatWrapped(p, x, y, 2.2f, hexColor(kFlowers[random.below(3)]));
        splatWrapped(p, x, y, 0.8f, hexColor(0xf0c030));
    }
    return p;
}

Picture makeSand()
{
    const int size = 512;
    Picture p(size, size);
    for (int j = 0; j < size; ++j)
        for (int i = 0; i < size; ++i) {
            float u = i / static_cast<float>(size), v = j / static_cast<float>(size);
            float warp = fbm(u * 4, v * 4, 4, 4, 3, 311);
            float ripple = std::sin((u * 6 + v * 2 + 0.35f * warp) * 2 * kPi); // whole cycles: tiles
            float grain = (hashPoint(i, j, 312) & 255) / 255.0f - 0.5f;
            float n = fbm(u * 16, v * 16, 16, 16, 3, 313);
            // Dark on purpose: under water the scene adds a glow of about
            // three quarters of the picture on top, so these tones land in
            // the middle there, and the ripples need a wide swing to survive.
            Color c = mix(hexColor(0x4e402e), hexColor(0x8c7858), clamp01(0.5f + 0.45f * ripple + 0.3f * n));
            c = mix(c, grain > 0 ? hexColor(0x9c8e72) : hexColor(0x3a2e20), std::fabs(grain) * 0.3f);
            p.set(i, j, c);
        }
    Random random(314);
    for (int s = 0; s < 260; ++s) {
        float x = random.uniform() * size, y = random.uniform() * size;
        float r = random.range(0.8f, 2.6f);
        splatWrapped(p, x + 0.6f, y + 0.6f, r, hexColor(0x2e2418, 0.5f));
        splatWrapped(p, x, y, r, mix(hexColor(0x5a4e42), hexColor(0xa8a294), random.uniform()));
    }
    return p;
}

// ---------------------------------------------------------------------------
// Starfish

namespace {

constexpr int kStarTexture = 512;

struct StarSkin {
    std::vector<float> height;
    std::vector<float> bump; // 0..1: how much of a tubercle covers the texel
    std::vector<float> rim;  // 0 at the centre .. 1 at the outline
    std::vector<float> axis; // 1 on an arm's middle line
};

StarSkin starSkin()
{
    const int n = kStarTexture;
    StarSkin s;
    s.height.resize(n * n);
    s.bump.resize(n * n);
    s.rim.resize(n * n);
    s.axis.resize(n * n);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            float x, y;
            centred(i, j, n, x, y);
            float r = std::sqrt(x * x + y * y), theta = std::atan2(y, x);
            float rim = r / starOutline(theta);
            // Angle to the nearest arm's middle line.
            float sector = 2 * kPi / kStarArms;
            float off = std::remainder(theta, sector);
            float axisDistance = std::fabs(off) * r;
            float axis = 1 - smoothstep(0.0f, 0.05f, axisDistance);
            // Small tubercles everywhere, bigger ones along the arms.
            CellSample small = cellular(x * 34, y * 34, 0, 0, 321);
            float bump = 1 - smoothstep(0.18f, 0.34f, small.distance);
            CellSample spine = cellular(r * 18, off * 4, 0, 0, 322);
            float bigBump = axis * (1 - smoothstep(0.2f, 0.4f, spine.distance));
            size_t k = static_cast<size_t>(j) * n + i;
            s.bump[k] = std::max(bump * (0.5f + 0.5f * small.value), bigBump);
            s.rim[k] = clamp01(rim);
            s.axis[k] = axis;
            s.height[k] = 3.0f * s.bump[k] + 1.5f * bigBump + 0.3f * fbm(x * 20, y * 20, 0, 0, 3, 323);
        }
    return s;
}

} // namespace

Picture makeStarfishSkin()
{
    StarSkin s = starSkin();
    const int n = kStarTexture;
    Picture p(n, n);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            size_t k = static_cast<size_t>(j) * n + i;
            Color c = mix(hexColor(0xf07030), hexColor(0xa8281c), smoothstep(0.5f, 1.0f, s.rim[k]));
            c = mix(c, hexColor(0xff9a40), 0.5f * std::pow(s.axis[k], 0.5f) * (1 - s.rim[k]));
            c = mix(c, hexColor(0xffe0a0), 0.85f * s.bump[k]);
            float pores = (hashPoint(i, j, 324) & 255) / 255.0f;
            c = mix(c, hexColor(0x601810), 0.2f * smoothstep(0.85f, 1.0f, pores) * (1 - s.bump[k]));
            p.set(i, j, c);
        }
    return p;
}

Picture makeStarfishNormals()
{
    StarSkin s = starSkin();
    return normalMapFromHeight(s.height, kStarTexture, kStarTexture, 1.2f, false);
}

// ---------------------------------------------------------------------------
// Skateboard deck: grip tape on the upper three quarters (the deck's top,
// u along its length, v across), colour swatches for the other parts below.

namespace {

constexpr int kDeckWidth = 1024;
constexpr int kDeckHeight = 256;
constexpr int kGripRows = 192;

struct DeckSurface {
    Picture color;
    std::vector<float> height;
};

// Cut-out masks of the deck's artwork, 0..1 per texel of the grip area.
struct DeckArt {
    Picture panel;   // alpha: the painted panel where the grip tape is cut away
    Picture letters; // alpha: the name printed on the panel
    Picture outline; // alpha: a dark keyline round the letters
};

DeckArt deckArt()
{
    DeckArt art{Picture(kDeckWidth, kGripRows, {1, 1, 1, 0}), Picture(kDeckWidth, kGripRows, {1, 1, 1, 0}),
                Picture(kDeckWidth, kGripRows, {1, 1, 1, 0})};
    // A long panel with pointed ends towards nose and tail.
    const float middle = kGripRows / 2.0f, halfLength = 400, halfHeight = 70, taper = 90;
    for (int j = 0; j < kGripRows; ++j)
        for (int i = 0; i < kDeckWidth; ++i) {
            float along = std::fabs(i + 0.5f - kDeckWidth / 2.0f);
            float reach = halfHeight * clamp01((halfLength - along) / taper);
            art.panel.set(i, j, {1, 1, 1, clamp01(reach + 0.5f - std::fabs(j + 0.5f - middle))});
        }
    Font font(fontPath("DejaVuSans-Bold.ttf"));
    TextStyle style;
    style.pixelHeight = 100;
    style.tracking = 12;
    font.drawCentred(art.letters, "VANTREL", kDeckWidth / 2, kGripRows / 2 + 37, style);
    art.outline = art.letters;
    art.outline.blurAlpha(2, false);
    for (size_t k = 3; k < art.outline.pixels.size(); k += 4)
        art.outline.pixels[k] = smoothstep(0.02f, 0.2f, art.outline.pixels[k]);
    return art;
}

DeckSurface deckSurface()
{
    DeckSurface d{Picture(kDeckWidth, kDeckHeight), std::vector<float>(kDeckWidth * kDeckHeight, 0.0f)};
    DeckArt art = deckArt();
    // The panel's paint: a sunset gradient along the deck with bright diagonal pinstripes.
    const std::vector<GradientStop> paint = {{0.1f, hexColor(0x20d0e0)},
                                             {0.35f, hexColor(0xffe040)},
                                             {0.6f, hexColor(0xff8a20)},
                                             {0.9f, hexColor(0xff3a78)}};

    for (int j = 0; j < kDeckHeight; ++j)
        for (int i = 0; i < kDeckWidth; ++i) {
            size_t k = static_cast<size_t>(j) * kDeckWidth + i;
            float grain = (hashPoint(i, j, 331) & 1023) / 1023.0f;
            float u = (i + 0.5f) / kDeckWidth;
            Color c;
            float h = 0;
            if (j < kGripRows) {
                float cut = art.panel.get(i, j).a;
                float keyline = art.outline.get(i, j).a, letter = art.letters.get(i, j).a;
                float grit = grain * grain;
                Color grip = mix(hexColor(0x56565e), hexColor(0x9a9aa4), grit * 0.8f);
                Color panel = sampleGradient(paint, u);
                float stripe = std::fmod(i + 0.7f * j, 64.0f);
                panel = mix(panel, hexColor(0xffffff), 0.55f * (1 - smoothstep(3.0f, 5.0f, stripe)));
                panel = mix(panel, hexColor(0x16141c), keyline);
                panel = mix(panel, hexColor(0xffffff), letter);
                c = mix(grip, panel, cut);
                // The tape stands proud of the painted panel; the printed letters barely.
                h = (1 - cut) * (0.6f + 0.8f * grit) + 0.25f * letter * cut;
            } else if (u < 0.5f) {
                // Maple ply for the deck's edges and underside.
                float rings = std::sin((j * 0.9f + 6 * fbm(u * 8, j / 32.0f, 0, 0, 3, 332)) * 1.3f);
                c = mix(hexColor(0xc8965a), hexColor(0xe2b77a), 0.5f + 0.5f * rings);
                h = 0.2f * rings;
            } else if (u < 0.75f) {
                c = mix(hexColor(0x9aa0aa), hexColor(0xc8ccd4), grain); // brushed truck metal
                h = 0.1f * grain;
            } else {
                c = hexColor(0xf2e8c8); // urethane wheels
            }
            c.a = 1;
            d.color.set(i, j, c);
            d.height[k] = h;
        }
    return d;
}

} // namespace

Picture makeDeckTop()
{
    return deckSurface().color;
}

Picture makeDeckNormals()
{
    DeckSurface d = deckSurface();
    return normalMapFromHeight(d.height, kDeckWidth, kDeckHeight, 1.5f, false);
}

} // namespace Assets
