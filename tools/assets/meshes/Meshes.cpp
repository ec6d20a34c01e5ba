// The production's meshes, built with the modelling toolkit. Every solid is
// closed and wound counter-clockwise seen from outside (the files get the
// reverse, see Mesh::toQBR); texture coordinates
// never collapse a triangle, so the loader's tangent frames stay finite.
#include "tools/assets/meshes/Meshes.h"

#include <cmath>
#include <numbers>

#include "tools/assets/Starfish.h"
#include "tools/assets/raster/Raster.h"

namespace Assets {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

// A closed surface over a (u, v) torus of parameters: both directions wrap.
Mesh closedParametric(int nu, int nv, float uvScale, const std::function<V3(float, float)>& f)
{
    Mesh m;
    for (int j = 0; j <= nv; ++j)
        for (int i = 0; i <= nu; ++i) {
            float u = static_cast<float>(i) / nu, v = static_cast<float>(j) / nv;
            // Seam rows and columns repeat the first ones exactly, so the surface closes by position.
            V3 p = f(static_cast<float>(i % nu) / nu, static_cast<float>(j % nv) / nv);
            m.addVertex(p, u * uvScale, v);
        }
    for (int j = 0; j < nv; ++j)
        for (int i = 0; i < nu; ++i) {
            int a = j * (nu + 1) + i;
            m.addQuad(a, a + 1, a + nu + 2, a + nu + 1);
        }
    orientOutward(m);
    return m;
}

// A cylinder along the y axis with flat ends, each end a face of its own.
Mesh cylinderY(float radius, float length, int segments)
{
    float h = length * 0.5f;
    Mesh m = lathe({{0, -h}, {radius, -h}}, segments);
    m.append(lathe({{radius, -h}, {radius, h}}, segments));
    m.append(lathe({{radius, h}, {0, h}}, segments));
    return m;
}

// A cone along the y axis from a base disc at y = 0 to a tip at y = height.
Mesh coneY(float radius, float height, int segments)
{
    Mesh m = lathe({{0, 0}, {radius, 0}}, segments);
    m.append(lathe({{radius, 0}, {radius * 0.04f, height * 0.96f}, {0, height}}, segments));
    return m;
}

} // namespace

void orientOutward(Mesh& mesh)
{
    if (mesh.signedVolume() < 0)
        mesh.flipWinding();
}

// ---------------------------------------------------------------------------
// ShinyCross: sixty of these spread over a few hundred units, seen from ~170.

std::vector<Mesh> makeCross()
{
    const float a = 6, l = 20;
    std::vector<V2> outline = {{-a, -l}, {a, -l}, {a, -a}, {l, -a}, {l, a},   {a, a},
                               {a, l},   {-a, l}, {-a, a}, {-l, a}, {-l, -a}, {-a, -a}};
    return {extrude(outline, 12)};
}

// The logo spelt in extruded strokes: letters 50 high, about 270 wide in all,
// centred on the origin, facing +z; the scene turns it about x.
std::vector<Mesh> makeLogoMesh()
{
    const float h = 50, sw = 9, depth = 14, m = sw / 2, gap = 9;
    Mesh logo;
    float x = 0;
    auto letter = [&](float width, const std::vector<std::vector<V2>>& strokes, const std::vector<bool>& closed) {
        for (size_t s = 0; s < strokes.size(); ++s) {
            std::vector<V2> path = strokes[s];
            for (V2& p : path)
                p.x += x;
            logo.append(stroke(path, sw, depth, closed[s]));
        }
        x += width + gap;
    };
    auto open = [](size_t n) { return std::vector<bool>(n, false); };

    // M
    letter(38,
           {{{m, m}, {m, h - m}},
            {{38 - m, m}, {38 - m, h - m}},
            {{m, h - m}, {19, h * 0.3f}},
            {{19, h * 0.3f}, {38 - m, h - m}}},
           open(4));
    // O
    letter(34, {arc({17, h / 2}, 17 - m, h / 2 - m, 0, 2 * kPi * 35 / 36, 36)}, {true});
    // R
    {
        const float w = 32, cy = h * 0.72f, ry = h - m - cy, cx = w * 0.5f, rx = w - m - cx;
        std::vector<V2> bowl = {{m, h - m}};
        for (V2 p : arc({cx, cy}, rx, ry, kPi / 2, -kPi / 2, 13))
            bowl.push_back(p);
        bowl.push_back({m, cy - ry});
        letter(w, {{{m, m}, {m, h - m}}, bowl, {{w * 0.42f, cy - ry}, {w - m, m}}}, open(3));
    }
    // V
    letter(34, {{{m, h - m}, {17, m}}, {{17, m}, {34 - m, h - m}}}, open(2));
    // A
    letter(34, {{{m, m}, {17, h - m}}, {{17, h - m}, {34 - m, m}}, {{34 * 0.28f, h * 0.34f}, {34 * 0.72f, h * 0.34f}}},
           open(3));
    // S
    {
        const float w = 32, ry = (h - 2 * m) / 4, rx = w / 2 - m;
        std::vector<V2> path = arc({w / 2, h - m - ry}, rx, ry, 0.35f, 1.5f * kPi, 16);
        std::vector<V2> lower = arc({w / 2, m + ry}, rx, ry, kPi / 2, -0.85f * kPi, 16);
        path.insert(path.end(), lower.begin() + 1, lower.end());
        letter(w, {path}, {false});
    }
    // K
    letter(32, {{{m, m}, {m, h - m}}, {{m, h * 0.42f}, {32 - m, h - m}}, {{32 * 0.36f, h * 0.56f}, {32 - m, m}}},
           open(3));

    float total = x - gap;
    logo.translate({-total / 2, -h / 2, 0});
    return {logo};
}

// ShinyCross's centre object, drawn at 15x scale from a camera at the origin
// looking down at 35 degrees: a lobed ring round the y axis, hung so that
// its rim runs through the middle of that view, with beads and inward spikes.
// Everything is bold: the scene glows its picture over a white background
// with a blur some 30 pixels wide, which swallows anything thinner, so the
// tube fills about a sixth of the view's height and the beads stand well
// clear of it.
std::vector<Mesh> makeOrnament()
{
    const float ringRadius = 4.0f, ringHeight = -2.83f;
    const int lobes = 8;
    Mesh m = closedParametric(160, 20, 8, [&](float u, float v) {
        float phi = u * 2 * kPi, psi = v * 2 * kPi;
        float tube = 0.66f + 0.2f * std::cos(lobes * phi);
        float r = ringRadius + tube * std::cos(psi);
        return V3{r * std::sin(phi), ringHeight + tube * 1.25f * std::sin(psi), r * std::cos(phi)};
    });
    for (int k = 0; k < lobes; ++k) {
        float phi = 2 * kPi * k / lobes;
        Mesh bead = sphere(0.5f, 20, 12);
        bead.translate({ringRadius * std::sin(phi), ringHeight + 1.05f, ringRadius * std::cos(phi)});
        m.append(bead);
    }
    for (int k = 0; k < 2 * lobes; ++k) {
        float phi = 2 * kPi * (k + 0.5f) / (2 * lobes);
        Mesh spike = coneY(0.3f, 2.0f, 12);
        spike.rotateZ(kPi / 2 - 0.35f); // pointing towards the axis, a little upwards
        spike.translate({ringRadius - 0.4f, 0, 0});
        spike.rotateY(phi - kPi / 2);
        spike.translate({0, ringHeight, 0});
        m.append(spike);
    }
    return {m};
}

// Pils: a table fork about 80 long along x, tines towards +x, for a swarm
// seen from ~220 units.
std::vector<Mesh> makeFork()
{
    Mesh fork;
    auto bend = [](float x) { return 0.0022f * (x + 10) * (x + 10) - 2.5f; };
    // Handle and neck, tapering from a broad rounded end to the neck.
    std::vector<SweepPoint> handle;
    for (int k = 0; k <= 24; ++k) {
        float t = static_cast<float>(k) / 24;
        float x = -42 + 52 * t;
        float width = 4.6f - 2.4f * smoothstep(0.3f, 1.0f, t);
        if (t < 0.08f)
            width *= 0.55f + 0.45f * std::sqrt(t / 0.08f); // rounded end
        handle.push_back({{x, 0, bend(x)}, width, 1.5f - 0.5f * t});
    }
    fork.append(sweep(handle, {0, 0, 1}, 16));
    // The head widens from the neck to the root of the tines.
    std::vector<SweepPoint> head;
    for (int k = 0; k <= 8; ++k) {
        float t = static_cast<float>(k) / 8;
        float x = 9 + 13 * t;
        head.push_back({{x, 0, bend(x)}, 2.3f + 6.2f * smoothstep(0.0f, 1.0f, t), 1.0f});
    }
    fork.append(sweep(head, {0, 0, 1}, 16));
    // Four tines with rounded, tapering points.
    for (int tine = 0; tine < 4; ++tine) {
        float y = -6.3f + 4.2f * tine;
        std::vector<SweepPoint> path;
        for (int k = 0; k <= 10; ++k) {
            float t = static_cast<float>(k) / 10;
            float x = 20 + 22 * t;
            path.push_back({{x, y * (1 - 0.08f * t), bend(x)}, 1.25f - 0.7f * t * t, 0.9f - 0.35f * t});
        }
        fork.append(sweep(path, {0, 0, 1}, 10));
    }
    return {fork};
}

// Underwater: a starfish about 90 across in the xy plane, domed on top,
// flatter beneath; top and bottom share their rim.
std::vector<Mesh> makeStarfish()
{
    const int segments = kStarArms * 24, rings = 16;
    const float r = kStarRadius, thickness = 9.0f;
    Mesh m;
    auto point = [&](float rho, float theta, float side) {
        float outline = starOutline(theta);
        float x = rho * outline * r * std::cos(theta), y = rho * outline * r * std::sin(theta);
        float dome = std::pow(std::max(0.0f, 1 - rho * rho), 0.6f) * (0.45f + 0.55f * outline) * (1 - 0.35f * rho);
        return V3{x, y, side * thickness * dome};
    };
    auto uv = [&](V3 p) { return V2{p.x / (2 * r) + 0.5f, p.y / (2 * r) + 0.5f}; };
    auto addVertex = [&](V3 p) {
        V2 t = uv(p);
        return m.addVertex(p, t.x, t.y);
    };
    // rim[j]: shared outline vertices; each side has its own centre and inner rings.
    std::vector<int> rim(segments + 1);
    for (int j = 0; j <= segments; ++j)
        rim[j] = addVertex(point(1, 2 * kPi * (j % segments) / segments, 0));
    for (int side = 0; side < 2; ++side) {
        float sign = side == 0 ? 1.0f : -0.35f;
        int centre = addVertex(point(0, 0, sign));
        std::vector<std::vector<int>> ring(rings);
        for (int i = 1; i < rings; ++i) {
            ring[i].resize(segments + 1);
            for (int j = 0; j <= segments; ++j)
                ring[i][j] = addVertex(point(static_cast<float>(i) / rings, 2 * kPi * (j % segments) / segments, sign));
        }
        auto at = [&](int i, int j) { return i == rings ? rim[j] : ring[i][j]; };
        for (int j = 0; j < segments; ++j) {
            // Outward in radius, then round in angle: counter-clockwise seen from above.
            if (side == 0)
                m.addTriangle(centre, at(1, j), at(1, j + 1));
            else
                m.addTriangle(centre, at(1, j + 1), at(1, j));
            for (int i = 1; i < rings; ++i) {
                if (side == 0)
                    m.addQuad(at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1));
                else
                    m.addQuad(at(i, j), at(i, j + 1), at(i + 1, j + 1), at(i + 1, j));
            }
        }
    }
    return {m};
}

// Underwater: drawn scaled by (150, 150, 50) after a lift of 5, so the floor
// sits near z = -6.8 here (about -90 in the scene) and reaches far out,
// sloping away at the edges; the sand repeats about every unit.
std::vector<Mesh> makeSeaFloor()
{
    return {heightField(20, 96, 96, 40, [](float x, float y) {
        float dunes = 0.12f * std::sin(x * 0.9f + 0.6f * std::sin(y * 0.4f));
        float bumps = 0.35f * fbm(x * 0.25f + 20, y * 0.25f + 20, 0, 0, 4, 401);
        float r = std::sqrt(x * x + y * y);
        float slope = r > 8 ? -0.02f * (r - 8) * (r - 8) : 0.0f;
        return -6.8f + dunes + bumps + slope;
    })};
}

// Horizon: only the vertices matter, as the places of 2000 glowing dots. The
// scene turns the mesh a quarter turn about x (its -y becomes up) and scales
// it by 0.4, so the forest is built upright in scene units, z up, and then
// carried into the file's frame.
std::vector<Mesh> makeForest()
{
    Mesh forest;
    Random random(411);
    const int trees = 26;
    for (int t = 0; t < trees; ++t) {
        float x = -130 + 260 * (t + random.range(0.1f, 0.9f)) / trees;
        float y = random.range(-10, 90);
        float height = random.range(35, 70) * (0.8f + 0.004f * (y + 10));
        float base = -40;
        Mesh tree;
        if (random.uniform() < 0.6f) {
            // A spruce: three stacked cones on a short trunk.
            Mesh trunk = cylinderY(height * 0.05f, height * 0.2f, 8);
            trunk.translate({0, height * 0.1f, 0});
            tree.append(trunk);
            for (int tier = 0; tier < 3; ++tier) {
                float w = height * (0.32f - 0.08f * tier);
                Mesh cone = coneY(w, height * (0.45f - 0.05f * tier), 18);
                cone.translate({0, height * (0.15f + 0.25f * tier), 0});
                tree.append(cone);
            }
        } else {
            // A round broadleaf tree.
            Mesh trunk = cylinderY(height * 0.06f, height * 0.5f, 8);
            trunk.translate({0, height * 0.25f, 0});
            tree.append(trunk);
            Mesh crown = sphere(height * 0.3f, 20, 12);
            crown.scale({1, 1.15f, 1});
            crown.translate({0, height * 0.62f, 0});
            tree.append(crown);
        }
        tree.rotateX(kPi / 2); // the lathe's y axis becomes up (z)
        tree.translate({x, y, base});
        forest.append(tree);
    }
    // Into the file's frame: scene (x, y, z) comes from file (x, -z, y) * 0.4.
    forest.deform([](V3 p) { return V3{p.x / 0.4f, -p.z / 0.4f, p.y / 0.4f}; });
    return {forest};
}

// Skate: a deck 160 long (x) and 42 wide (y) with kicked nose and tail,
// two trucks and four wheels, all in one mesh so that the whole board ripples.
// The deck's top maps onto the grip area of "skate-top.jpg" (v 0.25..1);
// the other parts use the swatches in its bottom quarter.
std::vector<Mesh> makeSkateboard()
{
    const float halfLength = 80, halfWidth = 21, thickness = 2.4f;
    const int columns = 64, rows = 12;
    auto deckHalfWidth = [&](float x) {
        float over = std::fabs(x) - (halfLength - halfWidth);
        if (over <= 0)
            return halfWidth;
        float f = over / (halfWidth * 1.07f);
        return halfWidth * std::sqrt(std::max(0.0f, 1 - f * f));
    };
    auto kick = [&](float x) {
        float over = std::fabs(x) - 50;
        return over > 0 ? 9.0f * (over / 30) * (over / 30) : 0.0f;
    };
    auto deckPoint = [&](int i, int j, float side) {
        float x = -halfLength + 2 * halfLength * i / columns;
        float y = deckHalfWidth(x) * (2.0f * j / rows - 1);
        return V3{x, y, kick(x) + side * thickness * 0.5f};
    };

    Mesh board;
    // Top (grip) and bottom (maple) surfaces.
    for (int side = 0; side < 2; ++side) {
        int base = static_cast<int>(board.vertices.size());
        for (int j = 0; j <= rows; ++j)
            for (int i = 0; i <= columns; ++i) {
                V3 p = deckPoint(i, j, side == 0 ? 1.0f : -1.0f);
                float u = (p.x + halfLength) / (2 * halfLength), v = (p.y + halfWidth) / (2 * halfWidth);
                if (side == 0)
                    board.addVertex(p, u, 0.25f + 0.75f * v);
                else
                    board.addVertex(p, 0.5f * u, 0.02f + 0.2f * v);
            }
        for (int j = 0; j < rows; ++j)
            for (int i = 0; i < columns; ++i) {
                int a = base + j * (columns + 1) + i;
                if (side == 0)
                    board.addQuad(a, a + 1, a + columns + 2, a + columns + 1);
                else
                    board.addQuad(a, a + columns + 1, a + columns + 2, a + 1);
            }
    }
    // The rim: a wall round the grid's border, counter-clockwise seen from above.
    std::vector<std::pair<int, int>> border;
    for (int i = 0; i < columns; ++i)
        border.push_back({i, 0});
    for (int j = 0; j < rows; ++j)
        border.push_back({columns, j});
    for (int i = columns; i > 0; --i)
        border.push_back({i, rows});
    for (int j = rows; j > 0; --j)
        border.push_back({0, j});
    for (size_t k = 0; k < border.size(); ++k) {
        auto [i0, j0] = border[k];
        auto [i1, j1] = border[(k + 1) % border.size()];
        float u0 = 0.5f * k / border.size(), u1 = 0.5f * (k + 1) / border.size();
        int a = board.addVertex(deckPoint(i0, j0, -1), u0, 0.01f);
        int b = board.addVertex(deckPoint(i1, j1, -1), u1, 0.01f);
        int c = board.addVertex(deckPoint(i1, j1, 1), u1, 0.05f);
        int d = board.addVertex(deckPoint(i0, j0, 1), u0, 0.05f);
        board.addQuad(a, b, c, d);
    }

    auto intoSwatch = [](Mesh part, float u0) {
        part.scaleUV(0.24f, 0.24f);
        part.offsetUV(u0 + 0.005f, 0.005f);
        return part;
    };
    for (int end = 0; end < 2; ++end) {
        float x = end == 0 ? -52.0f : 52.0f;
        Mesh truck;
        Mesh plate = box({14, 18, 2.5f});
        plate.translate({x, 0, -thickness * 0.5f - 1.25f});
        truck.append(plate);
        Mesh post = box({6, 6, 4});
        post.translate({x, 0, -thickness * 0.5f - 4.5f});
        truck.append(post);
        Mesh hanger = cylinderY(2.3f, 30, 14);
        hanger.translate({x, 0, -8});
        truck.append(hanger);
        Mesh axle = cylinderY(0.8f, 42, 10);
        axle.translate({x, 0, -8});
        truck.append(axle);
        board.append(intoSwatch(truck, 0.5f));
        for (int side = 0; side < 2; ++side) {
            Mesh wheel = lathe({{0, -2.6f},
                                {4.3f, -2.6f},
                                {5.0f, -2.2f},
                                {5.3f, -1.4f},
                                {5.3f, 1.4f},
                                {5.0f, 2.2f},
                                {4.3f, 2.6f},
                                {0, 2.6f}},
                               24);
            wheel.translate({x, side == 0 ? -18.5f : 18.5f, -8});
            board.append(intoSwatch(wheel, 0.75f));
        }
    }
    return {board};
}

} // namespace Assets
