#include "tools/assets/raster/Raster.h"

#include <algorithm>
#include <cmath>

namespace Assets {

Color mix(const Color& a, const Color& b, float f)
{
    return {a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f, a.a + (b.a - a.a) * f};
}

Color withAlpha(Color c, float a)
{
    c.a = a;
    return c;
}

Color hexColor(uint32_t rgb, float alpha)
{
    return {static_cast<float>((rgb >> 16) & 255) / 255.0f, static_cast<float>((rgb >> 8) & 255) / 255.0f,
            static_cast<float>(rgb & 255) / 255.0f, alpha};
}

float clamp01(float x)
{
    return x < 0.0f ? 0.0f : (x > 1.0f ? 1.0f : x);
}

float smoothstep(float edge0, float edge1, float x)
{
    float t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

Color sampleGradient(const std::vector<GradientStop>& stops, float position)
{
    if (stops.empty())
        return {};
    if (position <= stops.front().position)
        return stops.front().color;
    for (size_t i = 1; i < stops.size(); ++i) {
        if (position <= stops[i].position) {
            const GradientStop& a = stops[i - 1];
            const GradientStop& b = stops[i];
            float span = b.position - a.position;
            return mix(a.color, b.color, span > 0 ? (position - a.position) / span : 1.0f);
        }
    }
    return stops.back().color;
}

// ---------------------------------------------------------------------------

Picture::Picture(int width, int height, Color fillColor) : w(width), h(height)
{
    pixels.resize(static_cast<size_t>(w) * h * 4);
    fill(fillColor);
}

Color Picture::get(int x, int y) const
{
    const float* p = &pixels[(static_cast<size_t>(y) * w + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}

void Picture::set(int x, int y, const Color& c)
{
    float* p = &pixels[(static_cast<size_t>(y) * w + x) * 4];
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
    p[3] = c.a;
}

Color Picture::getWrapped(int x, int y) const
{
    x %= w;
    y %= h;
    return get(x < 0 ? x + w : x, y < 0 ? y + h : y);
}

Color Picture::sample(float u, float v) const
{
    float fx = std::clamp(u * w - 0.5f, 0.0f, static_cast<float>(w - 1));
    float fy = std::clamp(v * h - 0.5f, 0.0f, static_cast<float>(h - 1));
    int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
    int x1 = std::min(x0 + 1, w - 1), y1 = std::min(y0 + 1, h - 1);
    float tx = fx - x0, ty = fy - y0;
    Color top = mix(get(x0, y0), get(x1, y0), tx);
    Color bottom = mix(get(x0, y1), get(x1, y1), tx);
    return mix(top, bottom, ty);
}

void Picture::blend(int x, int y, Color c, float amount)
{
    if (x < 0 || y < 0 || x >= w || y >= h)
        return;
    float a = clamp01(c.a * amount);
    if (a <= 0.0f)
        return;
    float* p = &pixels[(static_cast<size_t>(y) * w + x) * 4];
    float below = p[3] * (1.0f - a);
    float out = a + below;
    p[0] = (c.r * a + p[0] * below) / out;
    p[1] = (c.g * a + p[1] * below) / out;
    p[2] = (c.b * a + p[2] * below) / out;
    p[3] = out;
}

void Picture::add(int x, int y, const Color& c, float amount)
{
    if (x < 0 || y < 0 || x >= w || y >= h)
        return;
    float* p = &pixels[(static_cast<size_t>(y) * w + x) * 4];
    p[0] += c.r * amount;
    p[1] += c.g * amount;
    p[2] += c.b * amount;
}

void Picture::fill(const Color& c)
{
    for (size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = c.r;
        pixels[i + 1] = c.g;
        pixels[i + 2] = c.b;
        pixels[i + 3] = c.a;
    }
}

void Picture::verticalGradient(const std::vector<GradientStop>& stops)
{
    for (int y = 0; y < h; ++y) {
        Color c = sampleGradient(stops, h > 1 ? static_cast<float>(y) / (h - 1) : 0.0f);
        for (int x = 0; x < w; ++x)
            set(x, y, c);
    }
}

void Picture::disc(float cx, float cy, float radius, float softness, const Color& c)
{
    int x0 = static_cast<int>(std::floor(cx - radius)), x1 = static_cast<int>(std::ceil(cx + radius));
    int y0 = static_cast<int>(std::floor(cy - radius)), y1 = static_cast<int>(std::ceil(cy + radius));
    float inner = radius - std::max(softness, 0.5f);
    for (int y = std::max(y0, 0); y <= std::min(y1, h - 1); ++y) {
        for (int x = std::max(x0, 0); x <= std::min(x1, w - 1); ++x) {
            float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
            if (d < radius)
                blend(x, y, c, 1.0f - smoothstep(inner, radius, d));
        }
    }
}

void Picture::discWrapped(float cx, float cy, float radius, float softness, const Color& c)
{
    disc(cx, cy, radius, softness, c);
    if (cx - radius < 0)
        disc(cx + w, cy, radius, softness, c);
    if (cx + radius > w)
        disc(cx - w, cy, radius, softness, c);
}

void Picture::rect(int x0, int y0, int x1, int y1, const Color& c)
{
    for (int y = std::max(y0, 0); y < std::min(y1, h); ++y)
        for (int x = std::max(x0, 0); x < std::min(x1, w); ++x)
            blend(x, y, c, 1.0f);
}

namespace {

// One box-blur pass along a line of `count` samples spaced `stride` floats apart.
void boxLine(float* line, int count, int stride, int radius, bool wrap, std::vector<float>& scratch)
{
    scratch.resize(count);
    auto at = [&](int i) {
        if (wrap)
            i = ((i % count) + count) % count;
        else
            i = std::clamp(i, 0, count - 1);
        return line[static_cast<size_t>(i) * stride];
    };
    float sum = 0;
    for (int i = -radius; i <= radius; ++i)
        sum += at(i);
    float scale = 1.0f / (2 * radius + 1);
    for (int i = 0; i < count; ++i) {
        scratch[i] = sum * scale;
        sum += at(i + radius + 1) - at(i - radius);
    }
    for (int i = 0; i < count; ++i)
        line[static_cast<size_t>(i) * stride] = scratch[i];
}

} // namespace

void Picture::blurChannels(int radius, bool wrap, int firstChannel, int channelCount)
{
    if (radius <= 0)
        return;
    std::vector<float> scratch;
    for (int pass = 0; pass < 3; ++pass) {
        for (int c = firstChannel; c < firstChannel + channelCount; ++c) {
            for (int y = 0; y < h; ++y)
                boxLine(&pixels[static_cast<size_t>(y) * w * 4 + c], w, 4, radius, wrap, scratch);
            for (int x = 0; x < w; ++x)
                boxLine(&pixels[static_cast<size_t>(x) * 4 + c], h, w * 4, radius, wrap, scratch);
        }
    }
}

void Picture::blur(int radius, bool wrap)
{
    blurChannels(radius, wrap, 0, 4);
}

void Picture::blurAlpha(int radius, bool wrap)
{
    blurChannels(radius, wrap, 3, 1);
}

void Picture::drawScaled(const Picture& source, int x, int y, int width, int height)
{
    for (int j = 0; j < height; ++j) {
        for (int i = 0; i < width; ++i) {
            Color c = source.sample((i + 0.5f) / width, (j + 0.5f) / height);
            blend(x + i, y + j, c, 1.0f);
        }
    }
}

namespace {

unsigned char quantise(float v)
{
    return static_cast<unsigned char>(std::lround(clamp01(v) * 255.0f));
}

} // namespace

std::vector<unsigned char> Picture::toRGB8() const
{
    std::vector<unsigned char> out(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0, n = static_cast<size_t>(w) * h; i < n; ++i)
        for (int c = 0; c < 3; ++c)
            out[i * 3 + c] = quantise(pixels[i * 4 + c]);
    return out;
}

std::vector<unsigned char> Picture::toRGBA8() const
{
    std::vector<unsigned char> out(pixels.size());
    for (size_t i = 0; i < pixels.size(); ++i)
        out[i] = quantise(pixels[i]);
    return out;
}

// ---------------------------------------------------------------------------

uint64_t Random::next()
{
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

float Random::uniform()
{
    return static_cast<float>(next() >> 40) / static_cast<float>(1ull << 24);
}

float Random::range(float low, float high)
{
    return low + (high - low) * uniform();
}

int Random::below(int n)
{
    return n <= 0 ? 0 : static_cast<int>(next() % static_cast<uint64_t>(n));
}

uint32_t hashPoint(int x, int y, uint32_t seed)
{
    uint32_t h = seed * 0x27d4eb2du ^ static_cast<uint32_t>(x) * 0x85ebca6bu ^ static_cast<uint32_t>(y) * 0xc2b2ae35u;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return h;
}

namespace {

float gradientDot(int ix, int iy, float dx, float dy, uint32_t seed)
{
    // Eight evenly spread gradient directions.
    static const float kDirections[8][2] = {{1, 0},  {0.7071f, 0.7071f},   {0, 1},  {-0.7071f, 0.7071f},
                                            {-1, 0}, {-0.7071f, -0.7071f}, {0, -1}, {0.7071f, -0.7071f}};
    const float* g = kDirections[hashPoint(ix, iy, seed) & 7];
    return g[0] * dx + g[1] * dy;
}

float fade(float t)
{
    return t * t * t * (t * (t * 6 - 15) + 10);
}

int wrapIndex(int i, int period)
{
    if (period <= 0)
        return i;
    i %= period;
    return i < 0 ? i + period : i;
}

} // namespace

float perlin(float x, float y, int periodX, int periodY, uint32_t seed)
{
    float fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float dx = x - fx, dy = y - fy;
    int x0 = wrapIndex(ix, periodX), x1 = wrapIndex(ix + 1, periodX);
    int y0 = wrapIndex(iy, periodY), y1 = wrapIndex(iy + 1, periodY);
    float n00 = gradientDot(x0, y0, dx, dy, seed);
    float n10 = gradientDot(x1, y0, dx - 1, dy, seed);
    float n01 = gradientDot(x0, y1, dx, dy - 1, seed);
    float n11 = gradientDot(x1, y1, dx - 1, dy - 1, seed);
    float u = fade(dx), v = fade(dy);
    float top = n00 + (n10 - n00) * u;
    float bottom = n01 + (n11 - n01) * u;
    return (top + (bottom - top) * v) * 1.41f;
}

CellSample cellular(float x, float y, int periodX, int periodY, uint32_t seed)
{
    int cx = static_cast<int>(std::floor(x)), cy = static_cast<int>(std::floor(y));
    CellSample best{1e9f, 0};
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            int gx = cx + dx, gy = cy + dy;
            uint32_t h = hashPoint(wrapIndex(gx, periodX), wrapIndex(gy, periodY), seed);
            float fx = gx + (h & 1023) / 1023.0f, fy = gy + ((h >> 10) & 1023) / 1023.0f;
            float d = std::hypot(x - fx, y - fy);
            if (d < best.distance)
                best = {d, ((h >> 20) & 1023) / 1023.0f};
        }
    }
    return best;
}

float fbm(float x, float y, int periodX, int periodY, int octaves, uint32_t seed)
{
    float sum = 0, amplitude = 0.5f, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * perlin(x, y, periodX, periodY, seed + o * 101u);
        norm += amplitude;
        x *= 2;
        y *= 2;
        periodX *= 2;
        periodY *= 2;
        amplitude *= 0.5f;
    }
    return sum / norm;
}

} // namespace Assets
