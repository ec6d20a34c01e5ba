// Titles set in DejaVu: the production's two logos, laid over the whole
// picture and slid across it, and the credits, added over the lower right of
// the closing scene. The pictures are square but shown on a 4:3 screen, so
// the lettering is set 3/4 as wide to look right there.
#include <cmath>

#include "tools/assets/pictures/Pictures.h"
#include "tools/assets/raster/Text.h"

namespace Assets {

namespace {

constexpr int kSize = 512;

struct TitleLook {
    Color fillTop, fillBottom; // vertical gradient over the letters
    Color outline;
    int outlineRadius;
    Color glow;
    int glowRadius;
    float glowStrength;
};

// Letters set into a transparent mask (alpha = coverage).
Picture textMask(Font& font, const std::string& text, int cx, int baseline, const TextStyle& style)
{
    Picture mask(kSize, kSize, {1, 1, 1, 0});
    font.drawCentred(mask, text, cx, baseline, style);
    return mask;
}

// Glow, outline and fill of `mask` composited over `out`; the fill gradient spans rows top..bottom.
void paintTitle(Picture& out, const Picture& mask, const TitleLook& look, int top, int bottom)
{
    Picture outline = mask, glow = mask;
    outline.blurAlpha(look.outlineRadius, false);
    glow.blurAlpha(look.glowRadius, false);
    for (int j = 0; j < kSize; ++j) {
        Color fill = mix(look.fillTop, look.fillBottom, clamp01(static_cast<float>(j - top) / (bottom - top)));
        for (int i = 0; i < kSize; ++i) {
            out.blend(i, j, look.glow, clamp01(glow.get(i, j).a * look.glowStrength));
            out.blend(i, j, look.outline, clamp01(outline.get(i, j).a * 5));
            out.blend(i, j, fill, mask.get(i, j).a);
        }
    }
}

} // namespace

Picture makeTitleLogo()
{
    Picture p(kSize, kSize, {0, 0, 0, 0});
    Font font(fontPath("DejaVuSans-Bold.ttf"));
    TextStyle style;
    style.pixelHeight = 96;
    style.horizontalScale = 0.75f;
    style.tracking = 2;
    const int baseline = 210;
    Picture mask = textMask(font, "MORVASK", 205, baseline, style);
    paintTitle(p, mask, {hexColor(0xffffff), hexColor(0xff6fae), hexColor(0x2a0c3a), 2, hexColor(0xff90d0), 10, 1.2f},
               baseline - 72, baseline);
    return p;
}

Picture makeGroupLogo()
{
    Picture p(kSize, kSize, {0, 0, 0, 0});
    Font font(fontPath("DejaVuSans-Bold.ttf"));
    TextStyle style;
    style.pixelHeight = 60;
    style.horizontalScale = 0.75f;
    style.tracking = 8;
    const int baseline = 372;
    Picture mask = textMask(font, "VANTREL", 215, baseline, style);
    // An underline bar that belongs to the lettering.
    int width = font.measure("VANTREL", style);
    mask.rect(215 - width / 2, baseline + 12, 215 + width / 2, baseline + 18, {1, 1, 1, 1});
    paintTitle(p, mask, {hexColor(0xfff4c0), hexColor(0xffb040), hexColor(0x1c1030), 2, hexColor(0xffd070), 8, 0.9f},
               baseline - 46, baseline + 18);
    return p;
}

Picture makeCredits()
{
    Picture p(kSize, kSize, {0, 0, 0, 0});
    Font bold(fontPath("DejaVuSans-Bold.ttf"));
    Font light(fontPath("DejaVuSans.ttf"));
    struct Line {
        Font* font;
        const char* text;
        int size;
        int baseline;
        Color color;
    };
    const Color title = hexColor(0xffffff), role = hexColor(0x9ec8ff), name = hexColor(0xf0f6ff);
    const Line lines[] = {
        {&bold, "MORVASK", 54, 92, title},   {&light, "a Vantrel production", 24, 128, role},
        {&light, "code", 22, 196, role},     {&bold, "Skarv", 38, 236, name},
        {&light, "music", 22, 290, role},    {&bold, "Havbris", 38, 330, name},
        {&light, "graphics", 22, 384, role}, {&bold, "Lyngmo", 38, 424, name},
    };
    Picture mask(kSize, kSize, {1, 1, 1, 0});
    Picture colored(kSize, kSize, {0, 0, 0, 0});
    for (const Line& line : lines) {
        TextStyle style;
        style.pixelHeight = line.size;
        style.horizontalScale = 0.9f;
        style.color = line.color;
        line.font->draw(colored, line.text, 48, line.baseline, style);
        style.color = {1, 1, 1, 1};
        line.font->draw(mask, line.text, 48, line.baseline, style);
    }
    // The picture is added to the scene, so a faint blue halo reads as a glow.
    mask.blurAlpha(7, false);
    for (int j = 0; j < kSize; ++j)
        for (int i = 0; i < kSize; ++i) {
            p.blend(i, j, hexColor(0x4a80ff), clamp01(mask.get(i, j).a * 0.8f));
            Color c = colored.get(i, j);
            p.blend(i, j, c, c.a);
        }
    return p;
}

} // namespace Assets
