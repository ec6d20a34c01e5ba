#include "tools/assets/raster/Text.h"

#include <cmath>
#include <cstdlib>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "frontend/Error.h"

namespace Assets {

std::string fontPath(const char* fileName)
{
    const char* dir = std::getenv("DEJAVU_DIR");
    std::string base = dir && *dir ? dir : "/usr/share/fonts/truetype/dejavu";
    return base + "/" + fileName;
}

Font::Font(const std::string& fontFile) : path(fontFile)
{
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0)
        throw Frontend::Error("FreeType could not start while opening " + path);
    FT_Face f = nullptr;
    if (FT_New_Face(lib, path.c_str(), 0, &f) != 0) {
        FT_Done_FreeType(lib);
        throw Frontend::Error(path + ": cannot open the font");
    }
    library = lib;
    face = f;
}

Font::~Font()
{
    FT_Done_Face(static_cast<FT_Face>(face));
    FT_Done_FreeType(static_cast<FT_Library>(library));
}

int Font::measure(const std::string& text, const TextStyle& style)
{
    return layout(nullptr, text, 0, 0, style);
}

void Font::draw(Picture& picture, const std::string& text, int x, int baseline, const TextStyle& style)
{
    layout(&picture, text, x, baseline, style);
}

void Font::drawCentred(Picture& picture, const std::string& text, int cx, int baseline, const TextStyle& style)
{
    layout(&picture, text, cx - measure(text, style) / 2, baseline, style);
}

// Sets or measures the text; returns the advance in pixels. Only 7-bit text is set.
int Font::layout(Picture* picture, const std::string& text, int x, int baseline, const TextStyle& style)
{
    FT_Face f = static_cast<FT_Face>(face);
    FT_Set_Pixel_Sizes(f, 0, static_cast<FT_UInt>(style.pixelHeight));
    FT_Matrix matrix{static_cast<FT_Fixed>(style.horizontalScale * 65536.0f), 0, 0, 0x10000};
    FT_Set_Transform(f, &matrix, nullptr);

    float penX = static_cast<float>(x);
    FT_UInt previous = 0;
    for (unsigned char ch : text) {
        FT_UInt index = FT_Get_Char_Index(f, ch);
        if (previous && index && FT_HAS_KERNING(f)) {
            FT_Vector kern;
            FT_Get_Kerning(f, previous, index, FT_KERNING_DEFAULT, &kern);
            penX += kern.x / 64.0f * style.horizontalScale;
        }
        if (FT_Load_Glyph(f, index, FT_LOAD_RENDER) != 0)
            throw Frontend::Error(path + ": cannot render a glyph");
        FT_GlyphSlot slot = f->glyph;
        if (picture) {
            const FT_Bitmap& bitmap = slot->bitmap;
            int left = static_cast<int>(std::lround(penX)) + slot->bitmap_left;
            int top = baseline - slot->bitmap_top;
            for (unsigned row = 0; row < bitmap.rows; ++row) {
                for (unsigned col = 0; col < bitmap.width; ++col) {
                    unsigned char coverage = bitmap.buffer[row * bitmap.pitch + col];
                    if (coverage)
                        picture->blend(left + static_cast<int>(col), top + static_cast<int>(row), style.color,
                                       coverage / 255.0f);
                }
            }
        }
        penX += slot->advance.x / 64.0f + style.tracking;
        previous = index;
    }
    return static_cast<int>(std::lround(penX)) - x;
}

} // namespace Assets
