#include "tools/assets/preview/ContactSheet.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <stdexcept>

#include "tools/assets/raster/Text.h"

namespace Assets {

namespace {

constexpr int kColumns = 6;
constexpr int kLabelHeight = 28;
constexpr int kPadding = 12;

V3 upright(V3 p, UpAxis up)
{
    switch (up) {
    case UpAxis::PlusY: return {p.x, -p.z, p.y};
    case UpAxis::MinusY: return {p.x, p.z, -p.y};
    case UpAxis::PlusZ: break;
    }
    return p;
}

Color sampleWrapped(const Picture& texture, float u, float v)
{
    // Texture coordinates have v up; pictures are stored top row first.
    int x = static_cast<int>(std::floor(u * texture.width()));
    int y = static_cast<int>(std::floor((1 - v) * texture.height()));
    return texture.getWrapped(x, y);
}

struct Projected {
    float x, y, invDepth;
};

void checkerboard(Picture& p, int x0, int y0, int w, int h)
{
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            bool dark = ((x / 12) + (y / 12)) % 2 == 0;
            p.set(x0 + x, y0 + y, dark ? Color{0.35f, 0.35f, 0.38f, 1} : Color{0.5f, 0.5f, 0.53f, 1});
        }
}

} // namespace

Picture renderMeshPreview(const std::vector<Mesh>& parts, UpAxis up, const Picture* texture, int width, int height)
{
    const int ss = 2; // supersampling
    const int w = width * ss, h = height * ss;
    Picture image(w, h, {0.16f, 0.17f, 0.2f, 1});
    std::vector<float> depth(static_cast<size_t>(w) * h, 0.0f);

    V3 low{1e30f, 1e30f, 1e30f}, high{-1e30f, -1e30f, -1e30f};
    for (const Mesh& m : parts)
        for (const Vertex& v : m.vertices) {
            V3 p = upright(v.p, up);
            low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
            high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
        }
    V3 centre = (low + high) * 0.5f;
    float radius = std::max(length(high - low) * 0.5f, 1e-3f);
    const float fov = 0.6f;
    V3 eye = centre + normalized({0.9f, -1.4f, 0.85f}) * (radius / std::sin(fov / 2) * 1.02f);
    V3 forward = normalized(centre - eye);
    V3 right = normalized(cross(forward, {0, 0, 1}));
    V3 camUp = cross(right, forward);
    float focal = (h * 0.5f) / std::tan(fov / 2);
    V3 light = normalized({-0.5f, -0.8f, 1.0f});

    for (const Mesh& m : parts) {
        std::vector<Projected> screen(m.vertices.size());
        std::vector<V3> world(m.vertices.size());
        for (size_t i = 0; i < m.vertices.size(); ++i) {
            V3 p = upright(m.vertices[i].p, up);
            world[i] = p;
            V3 d = p - eye;
            float z = std::max(dot(d, forward), 1e-3f);
            screen[i] = {w * 0.5f + focal * dot(d, right) / z, h * 0.5f - focal * dot(d, camUp) / z, 1 / z};
        }
        for (size_t t = 0; t + 2 < m.indices.size(); t += 3) {
            int ia = m.indices[t], ib = m.indices[t + 1], ic = m.indices[t + 2];
            V3 normal = cross(world[ib] - world[ia], world[ic] - world[ia]);
            if (dot(normal, world[ia] - eye) >= 0)
                continue; // facing away
            float shade = 0.22f + 0.78f * std::max(0.0f, dot(normalized(normal), light));
            const Projected &a = screen[ia], &b = screen[ib], &c = screen[ic];
            float area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
            if (std::fabs(area) < 1e-6f)
                continue;
            int x0 = std::max(0, static_cast<int>(std::floor(std::min({a.x, b.x, c.x}))));
            int x1 = std::min(w - 1, static_cast<int>(std::ceil(std::max({a.x, b.x, c.x}))));
            int y0 = std::max(0, static_cast<int>(std::floor(std::min({a.y, b.y, c.y}))));
            int y1 = std::min(h - 1, static_cast<int>(std::ceil(std::max({a.y, b.y, c.y}))));
            for (int y = y0; y <= y1; ++y)
                for (int x = x0; x <= x1; ++x) {
                    float px = x + 0.5f, py = y + 0.5f;
                    float wa = ((b.x - px) * (c.y - py) - (b.y - py) * (c.x - px)) / area;
                    float wb = ((c.x - px) * (a.y - py) - (c.y - py) * (a.x - px)) / area;
                    float wc = 1 - wa - wb;
                    if (wa < 0 || wb < 0 || wc < 0)
                        continue;
                    float inv = wa * a.invDepth + wb * b.invDepth + wc * c.invDepth;
                    float& stored = depth[static_cast<size_t>(y) * w + x];
                    if (inv <= stored)
                        continue;
                    stored = inv;
                    Color base{0.78f, 0.8f, 0.86f, 1};
                    if (texture) {
                        // Perspective-correct texture coordinates.
                        float pa = wa * a.invDepth / inv, pb = wb * b.invDepth / inv, pc = wc * c.invDepth / inv;
                        const Vertex &va = m.vertices[ia], &vb = m.vertices[ib], &vc = m.vertices[ic];
                        base = sampleWrapped(*texture, pa * va.u + pb * vb.u + pc * vc.u,
                                             pa * va.v + pb * vb.v + pc * vc.v);
                    }
                    image.set(x, y, {base.r * shade, base.g * shade, base.b * shade, 1});
                }
        }
    }
    Picture out(width, height);
    out.drawScaled(image, 0, 0, width, height);
    return out;
}

namespace {

// The Horizon scene's landscape as it stands once zoomed out: the backdrop
// with every layer laid over it, back to front.
Picture horizonComposite(const std::map<std::string, Picture>& pictures)
{
    Picture out(1024, 512);
    out.drawScaled(pictures.at("scene3.jpg"), 0, 0, 1024, 512);
    for (const char* layer : {"skyer1.png", "skyer2.png", "skyer3.png", "skyer4.png", "piper3.png", "piper2.png",
                              "piper1.png", "gress.png", "grill.png"})
        out.drawScaled(pictures.at(layer), 0, 0, 1024, 512);
    return out;
}

} // namespace

Picture makeContactSheet(const std::string& only)
{
    const int kThumbWidth = only.empty() ? 256 : 1024;
    const int kThumbHeight = only.empty() ? 192 : 768;
    const char* const kHorizon = "horizon-composite";
    struct Cell {
        std::string name;
        Picture thumb;
        bool transparent;
    };
    std::vector<Cell> cells;
    std::map<std::string, Picture> pictures;
    auto wanted = [&](const char* name) { return only.empty() || only == name; };

    for (const PictureAsset& asset : pictureAssets()) {
        bool needed = wanted(asset.name) || wanted(kHorizon);
        for (const MeshAsset& mesh : meshAssets())
            if (mesh.previewTexture && asset.name == std::string(mesh.previewTexture) && wanted(mesh.name))
                needed = true;
        if (!needed)
            continue;
        pictures[asset.name] = asset.make();
        if (wanted(asset.name))
            cells.push_back({asset.name, pictures[asset.name], asset.encoding == Encoding::PngRGBA});
    }
    if (wanted(kHorizon))
        cells.push_back({kHorizon, horizonComposite(pictures), false});
    for (const MeshAsset& asset : meshAssets()) {
        if (!wanted(asset.name))
            continue;
        const Picture* texture = asset.previewTexture ? &pictures[asset.previewTexture] : nullptr;
        cells.push_back(
            {asset.name, renderMeshPreview(asset.make(), asset.up, texture, kThumbWidth, kThumbHeight), false});
    }

    // Music, scenes and shaders are generated too but have no picture to show.
    if (cells.empty())
        throw std::runtime_error("--only " + only + ": no generated picture or mesh of that name" +
                                 " (the contact sheet shows pictures and meshes only)");
    int columns = std::min(kColumns, static_cast<int>(cells.size()));
    int rows = (static_cast<int>(cells.size()) + columns - 1) / std::max(columns, 1);
    int cellW = kThumbWidth + kPadding, cellH = kThumbHeight + kLabelHeight + kPadding;
    Picture sheet(std::max(columns, 1) * cellW + kPadding, rows * cellH + kPadding, {0.1f, 0.1f, 0.12f, 1});
    Font font(fontPath("DejaVuSans.ttf"));
    TextStyle label;
    label.pixelHeight = 15;
    label.color = {0.92f, 0.92f, 0.95f, 1};

    for (size_t k = 0; k < cells.size(); ++k) {
        const Cell& cell = cells[k];
        int x = kPadding + static_cast<int>(k % columns) * cellW, y = kPadding + static_cast<int>(k / columns) * cellH;
        // Fit the thumbnail, keeping its aspect ratio.
        float scale = std::min(static_cast<float>(kThumbWidth) / cell.thumb.width(),
                               static_cast<float>(kThumbHeight) / cell.thumb.height());
        int tw = std::max(1, static_cast<int>(cell.thumb.width() * scale));
        int th = std::max(1, static_cast<int>(cell.thumb.height() * scale));
        int tx = x + (kThumbWidth - tw) / 2, ty = y + (kThumbHeight - th) / 2;
        if (cell.transparent)
            checkerboard(sheet, tx, ty, tw, th);
        sheet.drawScaled(cell.thumb, tx, ty, tw, th);
        std::string text =
            cell.name + "  " + std::to_string(cell.thumb.width()) + "x" + std::to_string(cell.thumb.height());
        if (cell.name.size() > 4 && cell.name.compare(cell.name.size() - 4, 4, ".qbr") == 0)
            text = cell.name;
        font.drawCentred(sheet, text, x + kThumbWidth / 2, y + kThumbHeight + 20, label);
    }
    return sheet;
}

} // namespace Assets
