#include "devmode/TextOverlay.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "devmode/FrameGraph.h"
#include "frontend/Context.h"
#include "frontend/Error.h"
#include "frontend/Shader.h"
#include "frontend/State.h"
#include "frontend/Texture.h"
#include "frontend_ext/Buffers.h"

namespace Vantrel {

using Frontend::State;

namespace {

constexpr int kFirstChar = 32;
constexpr int kLastChar = 126;
constexpr int kSolidCell = kLastChar - kFirstChar + 1; // a fully covered cell for the box
constexpr int kColumns = 16;
constexpr int kCells = kSolidCell + 1;

// Positions come in clip space; the atlas gives coverage in alpha.
const char* const kOverlayShader = R"(
float4 color;
sampler2D tex0;

struct VertexOut {
    float4 position : POSITION;
    float2 uv       : TEXCOORD0;
};

VertexOut vsMain(float4 position : POSITION, float2 uv : TEXCOORD0)
{
    VertexOut result;
    result.position = position;
    result.uv = uv;
    return result;
}

float4 psMain(float2 uv : TEXCOORD0) : COLOR
{
    return float4(color.rgb, color.a * tex2D(tex0, uv).a);
}
)";

// Owns a FreeType library and face for the time of the rasterisation.
struct FontFace {
    FT_Library library = nullptr;
    FT_Face face = nullptr;

    explicit FontFace(const std::string& path)
    {
        if (FT_Init_FreeType(&library) != 0)
            throw Frontend::Error("FreeType could not start while opening " + path);
        if (FT_New_Face(library, path.c_str(), 0, &face) != 0) {
            FT_Done_FreeType(library);
            throw Frontend::Error(path + ": cannot open the font for the overlay");
        }
    }
    ~FontFace()
    {
        FT_Done_Face(face);
        FT_Done_FreeType(library);
    }
};

} // namespace

std::string dejaVuPath(const char* fileName)
{
    const char* dir = std::getenv("DEJAVU_DIR");
    return std::string(dir && *dir ? dir : "/usr/share/fonts/truetype/dejavu") + "/" + fileName;
}

TextOverlay::TextOverlay(int pixelHeight)
{
    rasterise(dejaVuPath("DejaVuSansMono.ttf"), pixelHeight);
    shader = std::make_unique<Frontend::CompleteShader>(kOverlayShader, "vsMain", "psMain", "<overlay>");
}

TextOverlay::~TextOverlay() = default;

void TextOverlay::rasterise(const std::string& fontFile, int pixelHeight)
{
    FontFace font(fontFile);
    FT_Set_Pixel_Sizes(font.face, 0, static_cast<FT_UInt>(pixelHeight));
    const FT_Size_Metrics& metrics = font.face->size->metrics;
    const int ascender = static_cast<int>(metrics.ascender >> 6);
    cellHeight = static_cast<int>((metrics.ascender - metrics.descender) >> 6) + 2;
    cellWidth = static_cast<int>(metrics.max_advance >> 6);
    atlasWidth = kColumns * cellWidth;
    atlasHeight = (kCells + kColumns - 1) / kColumns * cellHeight;

    // Rows are stored in the order the texture coordinates count them.
    std::vector<unsigned char> pixels(static_cast<size_t>(atlasWidth) * atlasHeight * 4, 255);
    for (size_t i = 3; i < pixels.size(); i += 4)
        pixels[i] = 0;
    auto cover = [&](int x, int y, unsigned char alpha) {
        if (x >= 0 && y >= 0 && x < atlasWidth && y < atlasHeight)
            pixels[(static_cast<size_t>(y) * atlasWidth + x) * 4 + 3] = alpha;
    };
    for (int c = kFirstChar; c <= kLastChar; c++) {
        if (FT_Load_Char(font.face, static_cast<FT_ULong>(c), FT_LOAD_RENDER) != 0)
            throw Frontend::Error(fontFile + ": cannot render the glyph '" + std::string(1, static_cast<char>(c)) +
                                  "'");
        const FT_GlyphSlot slot = font.face->glyph;
        const int cell = c - kFirstChar;
        const int left = cell % kColumns * cellWidth + slot->bitmap_left;
        const int top = cell / kColumns * cellHeight + 1 + ascender - slot->bitmap_top;
        for (unsigned row = 0; row < slot->bitmap.rows; row++) {
            for (unsigned col = 0; col < slot->bitmap.width; col++) {
                unsigned char alpha = slot->bitmap.buffer[row * static_cast<unsigned>(slot->bitmap.pitch) + col];
                // Keep each glyph inside its own cell so neighbours never bleed in.
                if (static_cast<int>(col) + slot->bitmap_left < cellWidth)
                    cover(left + static_cast<int>(col), top + static_cast<int>(row), alpha);
            }
        }
    }
    for (int y = 0; y < cellHeight; y++)
        for (int x = 0; x < cellWidth; x++)
            cover(kSolidCell % kColumns * cellWidth + x, kSolidCell / kColumns * cellHeight + y, 255);
    atlas = std::make_unique<Frontend::Texture>(atlasWidth, atlasHeight, pixels.data(), Frontend::kFormatRGBA,
                                                Frontend::kFilterNearest);
}

// x, y: the cell's top-left corner in clip space; width, height in clip units.
void TextOverlay::glyphQuad(int cell, float x, float y, float width, float height) const
{
    const float u0 = static_cast<float>(cell % kColumns * cellWidth) / static_cast<float>(atlasWidth);
    const float v0 = static_cast<float>(cell / kColumns * cellHeight) / static_cast<float>(atlasHeight);
    const float u1 = u0 + static_cast<float>(cellWidth) / static_cast<float>(atlasWidth);
    const float v1 = v0 + static_cast<float>(cellHeight) / static_cast<float>(atlasHeight);
    State::vertexAttribute(FrontendExt::kSemanticTexCoord0, u0, v0, 0.0f, 1.0f);
    State::vertexAttribute(FrontendExt::kSemanticPosition, x, y, 0.0f, 1.0f);
    State::vertexAttribute(FrontendExt::kSemanticTexCoord0, u1, v0, 0.0f, 1.0f);
    State::vertexAttribute(FrontendExt::kSemanticPosition, x + width, y, 0.0f, 1.0f);
    State::vertexAttribute(FrontendExt::kSemanticTexCoord0, u1, v1, 0.0f, 1.0f);
    State::vertexAttribute(FrontendExt::kSemanticPosition, x + width, y - height, 0.0f, 1.0f);
    State::vertexAttribute(FrontendExt::kSemanticTexCoord0, u0, v1, 0.0f, 1.0f);
    State::vertexAttribute(FrontendExt::kSemanticPosition, x, y - height, 0.0f, 1.0f);
}

void TextOverlay::draw(const char* const* lines, int count, int windowWidth, int windowHeight)
{
    if (windowWidth <= 0 || windowHeight <= 0 || count <= 0)
        return;
    const float sx = 2.0f / static_cast<float>(windowWidth);
    const float sy = 2.0f / static_cast<float>(windowHeight);
    const float w = static_cast<float>(cellWidth) * sx;
    const float h = static_cast<float>(cellHeight) * sy;
    size_t longest = 0;
    for (int i = 0; i < count; i++)
        longest = std::max(longest, std::strlen(lines[i]));

    beginDrawing(windowWidth, windowHeight);
    const float left = -1.0f + 4.0f * sx;
    const float top = 1.0f - 4.0f * sy;

    shader->setFloat4("color", 0.0f, 0.0f, 0.0f, 0.6f);
    State::begin(FrontendExt::kPrimitiveQuads);
    glyphQuad(kSolidCell, left - 4.0f * sx, top + 4.0f * sy, w * static_cast<float>(longest) + 8.0f * sx,
              h * static_cast<float>(count) + 8.0f * sy);
    State::end();

    shader->setFloat4("color", 1.0f, 1.0f, 1.0f, 1.0f);
    State::begin(FrontendExt::kPrimitiveQuads);
    for (int i = 0; i < count; i++) {
        float x = left;
        for (const char* c = lines[i]; *c; c++, x += w) {
            int code = static_cast<unsigned char>(*c);
            if (code == ' ')
                continue;
            if (code < kFirstChar || code > kLastChar)
                code = '?';
            glyphQuad(code - kFirstChar, x, top - h * static_cast<float>(i), w, h);
        }
    }
    State::end();

    endDrawing();
}

void TextOverlay::beginDrawing(int windowWidth, int windowHeight)
{
    State::setViewport(0, 0, windowWidth, windowHeight);
    State::disable(Frontend::kDepthTest);
    State::disable(Frontend::kCullFace);
    State::enable(Frontend::kBlend);
    State::setBlendFunc(Frontend::kSrcAlpha, Frontend::kOneMinusSrcAlpha);
    shader->bind();
    shader->setTexture("tex0", atlas.get());
}

void TextOverlay::endDrawing()
{
    shader->disableTexture("tex0");
    State::disable(Frontend::kBlend);
    State::enable(Frontend::kDepthTest);
    Frontend::Context::current()->bindDefaultShader();
}

void TextOverlay::drawGraph(const FrameGraph& graph, int windowWidth, int windowHeight)
{
    if (windowWidth <= 0 || windowHeight <= 0)
        return;
    const float sx = 2.0f / static_cast<float>(windowWidth);
    const float sy = 2.0f / static_cast<float>(windowHeight);
    const float width = static_cast<float>(FrameGraph::kFrames) * sx;
    const float height = static_cast<float>(kGraphHeight) * sy;
    const float left = 1.0f - 4.0f * sx - width;
    const float bottom = 1.0f - 4.0f * sy - height;
    const float perMs = height / kGraphFullMs;
    beginDrawing(windowWidth, windowHeight);

    shader->setFloat4("color", 0.0f, 0.0f, 0.0f, 0.6f);
    State::begin(FrontendExt::kPrimitiveQuads);
    glyphQuad(kSolidCell, left - 4.0f * sx, bottom + height + 4.0f * sy, width + 8.0f * sx, height + 8.0f * sy);
    State::end();

    // Two passes, one colour each: within a 60 Hz refresh, then over it.
    const float budgetMs = 1000.0f / 60.0f;
    for (int late = 0; late < 2; late++) {
        if (late)
            shader->setFloat4("color", 1.0f, 0.55f, 0.1f, 0.9f);
        else
            shader->setFloat4("color", 0.3f, 0.9f, 0.3f, 0.9f);
        State::begin(FrontendExt::kPrimitiveQuads);
        for (int i = 0; i < graph.count(); i++) {
            const float ms = std::min(graph.at(i), kGraphFullMs);
            if ((ms > budgetMs) == (late == 1) && ms > 0.0f)
                glyphQuad(kSolidCell, left + static_cast<float>(i) * sx, bottom + ms * perMs, sx, ms * perMs);
        }
        State::end();
    }

    shader->setFloat4("color", 1.0f, 1.0f, 1.0f, 0.5f);
    State::begin(FrontendExt::kPrimitiveQuads);
    for (float fps : {60.0f, 30.0f})
        glyphQuad(kSolidCell, left, bottom + 1000.0f / fps * perMs + sy, width, sy);
    State::end();
    endDrawing();
}

} // namespace Vantrel
