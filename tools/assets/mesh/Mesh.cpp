#include "tools/assets/mesh/Mesh.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace Assets {

V3 operator+(V3 a, V3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
V3 operator-(V3 a, V3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
V3 operator*(V3 a, float s)
{
    return {a.x * s, a.y * s, a.z * s};
}
float dot(V3 a, V3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
V3 cross(V3 a, V3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float length(V3 a)
{
    return std::sqrt(dot(a, a));
}

V3 normalized(V3 a)
{
    float l = length(a);
    return l > 0 ? a * (1.0f / l) : a;
}

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

V2 sub2(V2 a, V2 b)
{
    return {a.x - b.x, a.y - b.y};
}
float cross2(V2 a, V2 b)
{
    return a.x * b.y - a.y * b.x;
}
float length2(V2 a)
{
    return std::sqrt(a.x * a.x + a.y * a.y);
}

V2 normalized2(V2 a)
{
    float l = length2(a);
    return l > 0 ? V2{a.x / l, a.y / l} : a;
}

V2 leftNormal(V2 direction)
{
    V2 d = normalized2(direction);
    return {-d.y, d.x};
}

} // namespace

// ---------------------------------------------------------------------------

int Mesh::addVertex(V3 p, float u, float v)
{
    vertices.push_back({p, u, v});
    return static_cast<int>(vertices.size()) - 1;
}

void Mesh::addTriangle(int a, int b, int c)
{
    indices.push_back(a);
    indices.push_back(b);
    indices.push_back(c);
}

void Mesh::addQuad(int a, int b, int c, int d)
{
    addTriangle(a, b, c);
    addTriangle(a, c, d);
}

void Mesh::append(const Mesh& other)
{
    int base = static_cast<int>(vertices.size());
    vertices.insert(vertices.end(), other.vertices.begin(), other.vertices.end());
    for (int i : other.indices)
        indices.push_back(base + i);
}

void Mesh::deform(const std::function<V3(V3)>& f)
{
    for (Vertex& v : vertices)
        v.p = f(v.p);
}

void Mesh::translate(V3 offset)
{
    for (Vertex& v : vertices)
        v.p = v.p + offset;
}

void Mesh::scale(V3 f)
{
    for (Vertex& v : vertices)
        v.p = {v.p.x * f.x, v.p.y * f.y, v.p.z * f.z};
    if (f.x * f.y * f.z < 0)
        flipWinding();
}

void Mesh::rotateX(float a)
{
    float c = std::cos(a), s = std::sin(a);
    deform([=](V3 p) { return V3{p.x, p.y * c - p.z * s, p.y * s + p.z * c}; });
}

void Mesh::rotateY(float a)
{
    float c = std::cos(a), s = std::sin(a);
    deform([=](V3 p) { return V3{p.x * c + p.z * s, p.y, -p.x * s + p.z * c}; });
}

void Mesh::rotateZ(float a)
{
    float c = std::cos(a), s = std::sin(a);
    deform([=](V3 p) { return V3{p.x * c - p.y * s, p.x * s + p.y * c, p.z}; });
}

void Mesh::flipWinding()
{
    for (size_t i = 0; i + 2 < indices.size(); i += 3)
        std::swap(indices[i + 1], indices[i + 2]);
}

void Mesh::scaleUV(float su, float sv)
{
    for (Vertex& v : vertices) {
        v.u *= su;
        v.v *= sv;
    }
}

void Mesh::offsetUV(float du, float dv)
{
    for (Vertex& v : vertices) {
        v.u += du;
        v.v += dv;
    }
}

void Mesh::bounds(V3& low, V3& high) const
{
    low = high = vertices.empty() ? V3{} : vertices[0].p;
    for (const Vertex& v : vertices) {
        low = {std::min(low.x, v.p.x), std::min(low.y, v.p.y), std::min(low.z, v.p.z)};
        high = {std::max(high.x, v.p.x), std::max(high.y, v.p.y), std::max(high.z, v.p.z)};
    }
}

float Mesh::signedVolume() const
{
    double sum = 0;
    for (size_t i = 0; i + 2 < indices.size(); i += 3) {
        V3 a = vertices[indices[i]].p, b = vertices[indices[i + 1]].p, c = vertices[indices[i + 2]].p;
        sum += dot(a, cross(b, c));
    }
    return static_cast<float>(sum / 6.0);
}

FrontendExt::QBRMesh Mesh::toQBR(const char* name) const
{
    FrontendExt::QBRMesh out;
    out.name = name;
    out.vertices.reserve(vertices.size() * 5);
    for (const Vertex& v : vertices) {
        out.vertices.insert(out.vertices.end(), {v.p.x, v.p.y, v.p.z, v.u, v.v});
    }
    // The loader takes (P0 - P1) x (P2 - P1) as a face's normal, which points
    // out of a triangle wound clockwise seen from outside; the toolkit builds
    // counter-clockwise, so every triangle is written in reverse here.
    out.indices.reserve(indices.size());
    for (size_t i = 0; i + 2 < indices.size(); i += 3)
        out.indices.insert(out.indices.end(), {indices[i], indices[i + 2], indices[i + 1]});
    return out;
}

// ---------------------------------------------------------------------------

Mesh box(V3 size)
{
    struct Face {
        V3 normal, s, t;
    };
    // s x t = normal, so s-then-t corners run counter-clockwise seen from outside.
    static const Face kFaces[6] = {
        {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},  {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}}, {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}},
        {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}, {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}},
    };
    V3 half = size * 0.5f;
    auto scaled = [&](V3 a) { return V3{a.x * half.x, a.y * half.y, a.z * half.z}; };
    Mesh m;
    for (const Face& f : kFaces) {
        V3 c = scaled(f.normal), s = scaled(f.s), t = scaled(f.t);
        int a = m.addVertex(c - s - t, 0, 0);
        int b = m.addVertex(c + s - t, 1, 0);
        int cc = m.addVertex(c + s + t, 1, 1);
        int d = m.addVertex(c - s + t, 0, 1);
        m.addQuad(a, b, cc, d);
    }
    return m;
}

Mesh lathe(const std::vector<V2>& profile, int segments)
{
    Mesh m;
    int n = static_cast<int>(profile.size());
    if (n < 2 || segments < 3)
        return m;
    std::vector<float> along(n, 0.0f);
    for (int i = 1; i < n; ++i)
        along[i] = along[i - 1] + length2(sub2(profile[i], profile[i - 1]));
    float total = along[n - 1] > 0 ? along[n - 1] : 1.0f;

    // ring[i][j]: vertex of profile point i at segment j (j = segments repeats j = 0 for the seam).
    std::vector<std::vector<int>> ring(n, std::vector<int>(segments + 1));
    for (int i = 0; i < n; ++i) {
        bool pole = profile[i].x == 0.0f && (i == 0 || i == n - 1);
        for (int j = 0; j <= (pole ? segments - 1 : segments); ++j) {
            // Poles get one vertex per segment, placed mid-segment in u, so that
            // no triangle collapses in texture space.
            float u = (j + (pole ? 0.5f : 0.0f)) / segments;
            // The seam column repeats column 0 exactly, so that it closes by position.
            float angle = 2.0f * kPi * (j == segments && !pole ? 0.0f : u);
            float r = profile[i].x;
            ring[i][j] = m.addVertex({r * std::sin(angle), profile[i].y, r * std::cos(angle)}, u, along[i] / total);
        }
    }
    for (int i = 0; i + 1 < n; ++i) {
        bool bottomPole = i == 0 && profile[0].x == 0.0f;
        bool topPole = i + 1 == n - 1 && profile[n - 1].x == 0.0f;
        for (int j = 0; j < segments; ++j) {
            int a = ring[i][j], b = ring[i][j + 1], c = ring[i + 1][j + 1], d = ring[i + 1][j];
            if (bottomPole && topPole)
                continue;
            if (bottomPole)
                m.addTriangle(a, c, d);
            else if (topPole)
                m.addTriangle(a, b, d);
            else
                m.addQuad(a, b, c, d);
        }
    }
    return m;
}

Mesh sphere(float radius, int slices, int stacks)
{
    std::vector<V2> profile;
    for (int i = 0; i <= stacks; ++i) {
        float a = -kPi / 2 + kPi * i / stacks;
        float r = (i == 0 || i == stacks) ? 0.0f : radius * std::cos(a);
        profile.push_back({r, radius * std::sin(a)});
    }
    return lathe(profile, slices);
}

Mesh sweep(const std::vector<SweepPoint>& path, V3 up, int sides)
{
    Mesh m;
    int n = static_cast<int>(path.size());
    if (n < 2 || sides < 3)
        return m;
    std::vector<float> along(n, 0.0f);
    for (int k = 1; k < n; ++k)
        along[k] = along[k - 1] + length(path[k].position - path[k - 1].position);
    float total = along[n - 1] > 0 ? along[n - 1] : 1.0f;

    std::vector<V3> sideAxis(n), upAxis(n), tangent(n);
    for (int k = 0; k < n; ++k) {
        V3 t = path[std::min(k + 1, n - 1)].position - path[std::max(k - 1, 0)].position;
        tangent[k] = normalized(t);
        sideAxis[k] = normalized(cross(tangent[k], up));
        upAxis[k] = cross(sideAxis[k], tangent[k]);
    }
    auto ringPoint = [&](int k, float phi) {
        return path[k].position + sideAxis[k] * (std::cos(phi) * path[k].sideRadius) +
               upAxis[k] * (std::sin(phi) * path[k].upRadius);
    };

    std::vector<std::vector<int>> ring(n, std::vector<int>(sides + 1));
    for (int k = 0; k < n; ++k)
        for (int s = 0; s <= sides; ++s)
            ring[k][s] = m.addVertex(ringPoint(k, 2 * kPi * (s % sides) / sides), along[k] / total,
                                     static_cast<float>(s) / sides);
    for (int k = 0; k + 1 < n; ++k)
        for (int s = 0; s < sides; ++s)
            m.addQuad(ring[k][s], ring[k + 1][s], ring[k + 1][s + 1], ring[k][s + 1]);

    // Flat caps with their own vertices; a radius-0 end needs none.
    for (int end = 0; end < 2; ++end) {
        int k = end == 0 ? 0 : n - 1;
        if (path[k].sideRadius <= 0 || path[k].upRadius <= 0)
            continue;
        float u0 = end == 0 ? 0.0f : 1.0f;
        int centre = m.addVertex(path[k].position, u0, 0.5f);
        std::vector<int> rim(sides + 1);
        for (int s = 0; s <= sides; ++s) {
            float phi = 2 * kPi * (s % sides) / sides;
            rim[s] = m.addVertex(ringPoint(k, phi), u0 + 0.05f * std::cos(phi), 0.5f + 0.05f * std::sin(phi));
        }
        for (int s = 0; s < sides; ++s) {
            if (end == 0)
                m.addTriangle(centre, rim[s], rim[s + 1]);
            else
                m.addTriangle(centre, rim[s + 1], rim[s]);
        }
    }
    return m;
}

namespace {

// Left and right edges of a stroke along `path`, with mitred joints (limited to twice the width).
void strokeEdges(const std::vector<V2>& path, float width, bool closed, std::vector<V2>& left, std::vector<V2>& right)
{
    int n = static_cast<int>(path.size());
    left.resize(n);
    right.resize(n);
    for (int i = 0; i < n; ++i) {
        bool hasPrev = closed || i > 0, hasNext = closed || i + 1 < n;
        V2 prev = path[(i - 1 + n) % n], next = path[(i + 1) % n];
        V2 nIn = hasPrev ? leftNormal(sub2(path[i], prev)) : leftNormal(sub2(next, path[i]));
        V2 nOut = hasNext ? leftNormal(sub2(next, path[i])) : nIn;
        V2 m = normalized2({nIn.x + nOut.x, nIn.y + nOut.y});
        float c = std::max(m.x * nOut.x + m.y * nOut.y, 0.5f);
        float k = 0.5f * width / c;
        left[i] = {path[i].x + m.x * k, path[i].y + m.y * k};
        right[i] = {path[i].x - m.x * k, path[i].y - m.y * k};
    }
}

bool sharpTurn(const std::vector<V2>& line, int i, bool closed)
{
    int n = static_cast<int>(line.size());
    if (!closed && (i == 0 || i == n - 1))
        return false;
    V2 a = normalized2(sub2(line[i], line[(i - 1 + n) % n]));
    V2 b = normalized2(sub2(line[(i + 1) % n], line[i]));
    return a.x * b.x + a.y * b.y < std::cos(40.0f * kPi / 180.0f);
}

// A vertical wall along `line` from z0 to z1. outwardLeft: the wall faces the
// left of the walking direction. Sharp turns split the wall into separate faces.
void addWall(Mesh& m, const std::vector<V2>& line, bool closed, float z0, float z1, bool outwardLeft, float uvScale)
{
    int n = static_cast<int>(line.size());
    int segments = closed ? n : n - 1;
    float along = 0;
    int prevBottom = -1, prevTop = -1;
    for (int s = 0; s < segments; ++s) {
        int i = s, j = (s + 1) % n;
        float len = length2(sub2(line[j], line[i]));
        int bottomI = prevBottom, topI = prevTop;
        if (s == 0 || sharpTurn(line, i, closed)) {
            bottomI = m.addVertex({line[i].x, line[i].y, z0}, along * uvScale, z0 * uvScale);
            topI = m.addVertex({line[i].x, line[i].y, z1}, along * uvScale, z1 * uvScale);
        }
        along += len;
        int bottomJ = m.addVertex({line[j].x, line[j].y, z0}, along * uvScale, z0 * uvScale);
        int topJ = m.addVertex({line[j].x, line[j].y, z1}, along * uvScale, z1 * uvScale);
        if (outwardLeft)
            m.addQuad(bottomJ, bottomI, topI, topJ);
        else
            m.addQuad(bottomI, bottomJ, topJ, topI);
        prevBottom = bottomJ;
        prevTop = topJ;
    }
}

} // namespace

Mesh stroke(const std::vector<V2>& path, float width, float depth, bool closed)
{
    Mesh m;
    int n = static_cast<int>(path.size());
    if (n < 2)
        return m;
    std::vector<V2> left, right;
    strokeEdges(path, width, closed, left, right);
    float z0 = -0.5f * depth, z1 = 0.5f * depth;
    float uvScale = 1.0f / width;
    int segments = closed ? n : n - 1;

    for (int face = 0; face < 2; ++face) {
        float z = face == 0 ? z1 : z0;
        std::vector<int> l(n), r(n);
        for (int i = 0; i < n; ++i) {
            l[i] = m.addVertex({left[i].x, left[i].y, z}, left[i].x * uvScale, left[i].y * uvScale);
            r[i] = m.addVertex({right[i].x, right[i].y, z}, right[i].x * uvScale, right[i].y * uvScale);
        }
        for (int s = 0; s < segments; ++s) {
            int i = s, j = (s + 1) % n;
            if (face == 0)
                m.addQuad(r[i], r[j], l[j], l[i]);
            else
                m.addQuad(r[i], l[i], l[j], r[j]);
        }
    }
    addWall(m, left, closed, z0, z1, true, uvScale);
    addWall(m, right, closed, z0, z1, false, uvScale);
    if (!closed) {
        // Square ends: walking left to right at the start, right to left at the
        // end, the outside lies on the right hand.
        addWall(m, {left[0], right[0]}, false, z0, z1, false, uvScale);
        addWall(m, {right[n - 1], left[n - 1]}, false, z0, z1, false, uvScale);
    }
    return m;
}

std::vector<int> triangulate(const std::vector<V2>& outline)
{
    std::vector<int> result;
    std::vector<int> remaining(outline.size());
    for (size_t i = 0; i < outline.size(); ++i)
        remaining[i] = static_cast<int>(i);
    auto inside = [&](V2 p, V2 a, V2 b, V2 c) {
        return cross2(sub2(b, a), sub2(p, a)) > 0 && cross2(sub2(c, b), sub2(p, b)) > 0 &&
               cross2(sub2(a, c), sub2(p, c)) > 0;
    };
    size_t guard = 0;
    while (remaining.size() > 3 && guard++ < outline.size() * outline.size()) {
        size_t count = remaining.size();
        bool clipped = false;
        for (size_t k = 0; k < count && !clipped; ++k) {
            int ia = remaining[(k + count - 1) % count], ib = remaining[k], ic = remaining[(k + 1) % count];
            V2 a = outline[ia], b = outline[ib], c = outline[ic];
            if (cross2(sub2(b, a), sub2(c, b)) <= 0)
                continue; // reflex corner
            bool empty = true;
            for (int other : remaining)
                if (other != ia && other != ib && other != ic && inside(outline[other], a, b, c))
                    empty = false;
            if (!empty)
                continue;
            result.insert(result.end(), {ia, ib, ic});
            remaining.erase(remaining.begin() + static_cast<long>(k));
            clipped = true;
        }
        if (!clipped)
            break;
    }
    if (remaining.size() == 3)
        result.insert(result.end(), {remaining[0], remaining[1], remaining[2]});
    return result;
}

Mesh extrude(const std::vector<V2>& outline, float depth)
{
    Mesh m;
    int n = static_cast<int>(outline.size());
    if (n < 3)
        return m;
    // Outlines that are star-shaped about their centre get a fan from an extra
    // centre vertex: ear clipping may leave a sliver between collinear corners.
    V2 centre{0, 0};
    for (V2 p : outline)
        centre = {centre.x + p.x / n, centre.y + p.y / n};
    bool fan = true;
    for (int i = 0; i < n; ++i)
        fan = fan && cross2(sub2(outline[i], centre), sub2(outline[(i + 1) % n], centre)) > 1e-6f;
    std::vector<V2> points = outline;
    std::vector<int> tris;
    if (fan) {
        points.push_back(centre);
        for (int i = 0; i < n; ++i)
            tris.insert(tris.end(), {n, i, (i + 1) % n});
    } else {
        tris = triangulate(outline);
    }
    float z0 = -0.5f * depth, z1 = 0.5f * depth;
    V2 lo = outline[0], hi = outline[0];
    for (V2 p : outline) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y)};
    }
    float uvScale = 1.0f / std::max(hi.x - lo.x, hi.y - lo.y);
    for (int face = 0; face < 2; ++face) {
        float z = face == 0 ? z1 : z0;
        int base = static_cast<int>(m.vertices.size());
        for (V2 p : points)
            m.addVertex({p.x, p.y, z}, (p.x - lo.x) * uvScale, (p.y - lo.y) * uvScale);
        for (size_t t = 0; t + 2 < tris.size(); t += 3) {
            if (face == 0)
                m.addTriangle(base + tris[t], base + tris[t + 1], base + tris[t + 2]);
            else
                m.addTriangle(base + tris[t], base + tris[t + 2], base + tris[t + 1]);
        }
    }
    addWall(m, outline, true, z0, z1, false, uvScale);
    return m;
}

Mesh heightField(float half, int columns, int rows, float tiles, const std::function<float(float, float)>& height)
{
    Mesh m;
    for (int j = 0; j <= rows; ++j) {
        for (int i = 0; i <= columns; ++i) {
            float fx = static_cast<float>(i) / columns, fy = static_cast<float>(j) / rows;
            float x = -half + 2 * half * fx, y = -half + 2 * half * fy;
            m.addVertex({x, y, height(x, y)}, fx * tiles, fy * tiles);
        }
    }
    for (int j = 0; j < rows; ++j) {
        for (int i = 0; i < columns; ++i) {
            int a = j * (columns + 1) + i;
            m.addQuad(a, a + 1, a + columns + 2, a + columns + 1);
        }
    }
    return m;
}

std::vector<V2> arc(V2 centre, float rx, float ry, float a0, float a1, int count)
{
    std::vector<V2> points;
    for (int i = 0; i < count; ++i) {
        float a = a0 + (a1 - a0) * i / std::max(count - 1, 1);
        points.push_back({centre.x + rx * std::cos(a), centre.y + ry * std::sin(a)});
    }
    return points;
}

} // namespace Assets
