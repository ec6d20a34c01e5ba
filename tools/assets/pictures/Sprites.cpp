// Sprites: soft round pictures whose alpha falls to nothing before the
// border, drawn as camera-facing quads by the particle sets.
#include <cmath>

#include "tools/assets/pictures/Pictures.h"

namespace Assets {

namespace {

// Calls shade(x, y, r) for every pixel with x, y in -1..1 from the centre (y down).
template <typename Shade>
Picture sprite(int size, Shade shade)
{
    Picture p(size, size, {0, 0, 0, 0});
    for (int j = 0; j < size; ++j)
        for (int i = 0; i < size; ++i) {
            float x = (i + 0.5f) / size * 2 - 1, y = (j + 0.5f) / size * 2 - 1;
            Color c = shade(x, y, std::sqrt(x * x + y * y));
            c.a *= 1 - smoothstep(0.85f, 0.98f, std::sqrt(x * x + y * y));
            p.set(i, j, c);
        }
    return p;
}

} // namespace

Picture makeDot()
{
    // Thousands of these are drawn a few pixels wide over bright clouds:
    // a white-hot core and a wide warm halo give them enough coverage to
    // still read as glowing points once the texture is minified.
    return sprite(64, [](float, float, float r) {
        float core = 1 - smoothstep(0.2f, 0.38f, r);
        float halo = std::exp(-r * r / 0.28f);
        Color c = mix(hexColor(0xffe2a4), hexColor(0xffffff), clamp01(core + 0.5f * halo));
        c.a = clamp01(core + 0.8f * halo);
        return c;
    });
}

Picture makeCloudSprite()
{
    return sprite(256, [](float x, float y, float r) {
        float n = fbm(x * 2.5f + 10, y * 2.5f + 10, 0, 0, 5, 201);
        float puff = std::exp(-r * r / 0.22f) * (0.65f + 0.6f * n);
        Color c = mix(hexColor(0xd8c8ff), hexColor(0xfff4fa), clamp01(0.5f - 0.8f * y + 0.5f * n));
        c.a = clamp01(puff);
        return c;
    });
}

Picture makeNebulaSprite()
{
    return sprite(256, [](float x, float y, float r) {
        float n = fbm(x * 2 + 3, y * 2 + 7, 0, 0, 6, 211);
        float wisps = std::exp(-r * r / 0.25f) * clamp01(0.45f + 0.9f * n);
        Color c = mix(hexColor(0x3050c0), hexColor(0xb070e0), clamp01(0.5f + n));
        c = mix(c, hexColor(0xe8e0ff), std::exp(-r * r / 0.02f));
        c.a = clamp01(wisps + 0.6f * std::exp(-r * r / 0.03f));
        return c;
    });
}

Picture makeStarSprite()
{
    return sprite(256, [](float x, float y, float r) {
        float angle = std::atan2(y, x);
        float spikes = std::pow(std::fabs(std::cos(2 * angle)), 60.0f) * std::exp(-r * 3.2f);
        float diagonal = 0.4f * std::pow(std::fabs(std::sin(2 * angle)), 90.0f) * std::exp(-r * 6);
        float halo = 0.45f * std::exp(-r * r / 0.05f);
        float core = std::exp(-r * r / 0.003f);
        Color c = mix(hexColor(0xffc070), hexColor(0xfffaf0), clamp01(core * 2 + spikes));
        c.a = clamp01(core + spikes + diagonal + halo);
        return c;
    });
}

Picture makeBubble()
{
    // Drawn added to the picture, so black is transparent.
    Picture p = sprite(128, [](float x, float y, float r) {
        float rimLight = std::exp(-std::pow((r - 0.78f) / 0.07f, 2.0f));
        float inner = 0.08f * (1 - smoothstep(0.7f, 0.8f, r));
        float hx = x + 0.32f, hy = y + 0.34f;
        float highlight = 1 - smoothstep(0.08f, 0.16f, std::sqrt(hx * hx + hy * hy));
        float lx = x - 0.38f, ly = y - 0.36f;
        float low = 0.35f * (1 - smoothstep(0.04f, 0.09f, std::sqrt(lx * lx + ly * ly)));
        float v = clamp01(0.75f * rimLight + inner + highlight + low);
        Color c = mix(hexColor(0x000000), hexColor(0xbfefff), v);
        c = mix(c, hexColor(0xffffff), highlight);
        return c;
    });
    // Flatten onto black: the JPEG carries no alpha.
    Picture flat(p.width(), p.height(), {0, 0, 0, 1});
    flat.drawScaled(p, 0, 0, p.width(), p.height());
    return flat;
}

} // namespace Assets
