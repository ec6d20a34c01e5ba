// Text set with FreeType into a Picture: used for the logos, the credits and
// the labels of the contact sheet. Fonts come from the DejaVu family that the
// build machine carries (fonts-dejavu-core).
#pragma once

#include <string>

#include "tools/assets/raster/Raster.h"

namespace Assets {

// Where the DejaVu fonts live; DEJAVU_DIR overrides it.
std::string fontPath(const char* fileName);

struct TextStyle {
    int pixelHeight = 32;
    float horizontalScale = 1.0f; // < 1 narrows the glyphs
    float tracking = 0.0f;        // extra advance per glyph, in pixels
    Color color{1, 1, 1, 1};
};

class Font {
public:
    // Throws Frontend::Error naming the file when FreeType cannot open it.
    explicit Font(const std::string& path);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Width in pixels of `text` set in `style`.
    int measure(const std::string& text, const TextStyle& style);
    // Sets `text` with its baseline at y, starting at x; composites coverage over the picture.
    void draw(Picture& picture, const std::string& text, int x, int baseline, const TextStyle& style);
    // The same, centred horizontally on cx.
    void drawCentred(Picture& picture, const std::string& text, int cx, int baseline, const TextStyle& style);

private:
    int layout(Picture* picture, const std::string& text, int x, int baseline, const TextStyle& style);

    void* library = nullptr; // FT_Library
    void* face = nullptr;    // FT_Face
    std::string path;
};

} // namespace Assets
