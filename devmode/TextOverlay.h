// Lines of text over the window, for the development mode's overlay.
//
// FreeType rasterises the printable ASCII glyphs of DejaVu Sans Mono into one
// texture once, at construction; each draw lays one quad per character over a
// darkened box, straight from the caller's character buffers (no allocation).
//
//   TextOverlay overlay;                       // needs the GL context
//   const char* lines[] = {"time 12.000", "beat 32"};
//   overlay.draw(lines, 2, width, height);     // into the bound window frame buffer
#pragma once

#include <memory>
#include <string>

namespace Frontend {
class CompleteShader;
class Texture;
}

namespace Vantrel {

class FrameGraph;

// Where the DejaVu fonts live; DEJAVU_DIR overrides it.
std::string dejaVuPath(const char* fileName);

class TextOverlay {
public:
    // Throws Frontend::Error naming the font file when it cannot be read.
    explicit TextOverlay(int pixelHeight = 15);
    ~TextOverlay();
    TextOverlay(const TextOverlay&) = delete;
    TextOverlay& operator=(const TextOverlay&) = delete;

    // Draws the lines from the window's top-left corner; characters outside
    // printable ASCII show as '?'. Leaves blending off and depth testing on.
    void draw(const char* const* lines, int count, int windowWidth, int windowHeight);

    // Frame times as one bar a pixel wide per frame, oldest on the left, in a
    // box at the window's top-right corner that is kGraphFullMs tall; marks
    // show 60 and 30 frames a second, and bars over 60 are drawn in orange.
    void drawGraph(const FrameGraph& graph, int windowWidth, int windowHeight);

    int lineHeight() const { return cellHeight; }
    static constexpr float kGraphFullMs = 50.0f;
    static constexpr int kGraphHeight = 60; // pixels

private:
    void rasterise(const std::string& fontFile, int pixelHeight);
    void glyphQuad(int cell, float x, float y, float width, float height) const;
    void beginDrawing(int windowWidth, int windowHeight);
    void endDrawing();

    std::unique_ptr<Frontend::Texture> atlas;
    std::unique_ptr<Frontend::CompleteShader> shader;
    int cellWidth = 0;
    int cellHeight = 0;
    int atlasWidth = 0;
    int atlasHeight = 0;
};

} // namespace Vantrel
