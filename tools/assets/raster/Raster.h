// The raster toolkit of the content generator: a float RGBA picture with the
// few operations the generators paint with (gradients, soft discs, boxes,
// blurs, compositing), plus deterministic random numbers and tileable noise.
//
// Pictures are stored top row first, in straight (not premultiplied) alpha,
// with channels in 0..1; the encoders clamp when they quantise.
#pragma once

#include <cstdint>
#include <vector>

namespace Assets {

struct Color {
    float r = 0, g = 0, b = 0, a = 1;
};

Color mix(const Color& a, const Color& b, float f);
Color withAlpha(Color c, float a);
// A colour from 0xRRGGBB.
Color hexColor(uint32_t rgb, float alpha = 1.0f);

float clamp01(float x);
float smoothstep(float edge0, float edge1, float x);

// One stop of a gradient: position 0..1 and colour.
struct GradientStop {
    float position;
    Color color;
};
// Piecewise linear gradient through stops sorted by position.
Color sampleGradient(const std::vector<GradientStop>& stops, float position);

class Picture {
public:
    Picture() = default;
    Picture(int width, int height, Color fill = {0, 0, 0, 0});

    int width() const { return w; }
    int height() const { return h; }

    Color get(int x, int y) const;
    void set(int x, int y, const Color& c);
    // Reads with wrap-around on both axes.
    Color getWrapped(int x, int y) const;
    // Bilinear sample at texture coordinates (0..1, top first), clamped.
    Color sample(float u, float v) const;

    // Composites c with coverage `amount` over the pixel (straight alpha "over").
    void blend(int x, int y, Color c, float amount);
    // Adds c.rgb * amount to the pixel without touching alpha.
    void add(int x, int y, const Color& c, float amount);

    void fill(const Color& c);
    // Gradient from the top row (0) to the bottom row (1).
    void verticalGradient(const std::vector<GradientStop>& stops);
    // A disc with a soft rim: full coverage inside radius - softness, none outside radius.
    void disc(float cx, float cy, float radius, float softness, const Color& c);
    // The same disc, but wrapping horizontally (for tiling layers).
    void discWrapped(float cx, float cy, float radius, float softness, const Color& c);
    void rect(int x0, int y0, int x1, int y1, const Color& c);

    // Separable box blur applied three times (close to a Gaussian).
    // wrap: sample across the edges as if the picture tiled.
    void blur(int radius, bool wrap);
    // The same, on the alpha channel only.
    void blurAlpha(int radius, bool wrap);

    // Copies `source` over this picture at (x, y), scaled to width x height, alpha-composited.
    void drawScaled(const Picture& source, int x, int y, int width, int height);

    std::vector<unsigned char> toRGB8() const;
    std::vector<unsigned char> toRGBA8() const;

    std::vector<float> pixels; // 4 floats per pixel

private:
    void blurChannels(int radius, bool wrap, int firstChannel, int channelCount);

    int w = 0;
    int h = 0;
};

// Small deterministic generator (splitmix64), identical on every platform.
class Random {
public:
    explicit Random(uint64_t seed) : state(seed) {}
    uint64_t next();
    float uniform();                    // 0..1
    float range(float low, float high); // low..high
    int below(int n);                   // 0..n-1

private:
    uint64_t state;
};

// A well-mixed 32-bit hash of a lattice point.
uint32_t hashPoint(int x, int y, uint32_t seed);

// Cellular noise: one jittered feature point per unit cell; the distance (in
// cells) from (x, y) to the nearest one and a random value 0..1 of that point.
// Repeats every periodX x periodY cells (0: no repeat).
struct CellSample {
    float distance;
    float value;
};
CellSample cellular(float x, float y, int periodX, int periodY, uint32_t seed);

// Gradient noise in -1..1 (roughly), repeating every periodX x periodY cells.
float perlin(float x, float y, int periodX, int periodY, uint32_t seed);
// Fractal sum of `octaves` perlin layers, each twice the frequency and half the amplitude;
// the periods double with the frequency, so the sum tiles like the first octave.
float fbm(float x, float y, int periodX, int periodY, int octaves, uint32_t seed);

} // namespace Assets
