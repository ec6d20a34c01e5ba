#include "tools/assets/kdx/KdxBuilder.h"

#include <cmath>
#include <map>
#include <numbers>
#include <tuple>
#include <vector>

namespace Assets::Kdx {

namespace {

// The program's frame for vertex data: (x, y, z) becomes (x, z, -y).
V3 toProgram(V3 v)
{
    return {v.x, v.z, -v.y};
}

Scene::Material* newMaterial(Halvane::Scene& scene, const std::string& name)
{
    scene.materials.push_back(std::make_unique<Scene::Material>());
    Scene::Material* m = scene.materials.back().get();
    m->strings[0] = name;
    m->strings[1] = "Standard";
    // Colour 3's red travels as the fourth component of the colour shader's
    // "color"; keeping it at 1 leaves the opacity to scalar 1.
    for (auto& c : m->colors)
        c[0] = c[1] = c[2] = 1.0f;
    m->scalars[0] = 1.0f;
    m->scalars[1] = 20.0f; // shininess, kept but unused
    return m;
}

// Area-weighted face normals summed over every vertex at the same position,
// so that the seams of lathes and sweeps stay smooth.
std::vector<V3> smoothNormals(const Mesh& mesh)
{
    std::map<std::tuple<float, float, float>, V3> byPosition;
    auto key = [](V3 p) { return std::make_tuple(p.x, p.y, p.z); };
    for (size_t i = 0; i + 2 < mesh.indices.size(); i += 3) {
        V3 a = mesh.vertices[mesh.indices[i]].p;
        V3 b = mesh.vertices[mesh.indices[i + 1]].p;
        V3 c = mesh.vertices[mesh.indices[i + 2]].p;
        V3 n = cross(b - a, c - a);
        for (V3 p : {a, b, c})
            byPosition[key(p)] = byPosition[key(p)] + n;
    }
    std::vector<V3> normals;
    normals.reserve(mesh.vertices.size());
    for (const Vertex& v : mesh.vertices) {
        V3 n = normalized(byPosition[key(v.p)]);
        normals.push_back(length(n) > 0 ? n : V3{0, 1, 0});
    }
    return normals;
}

} // namespace

const Scene::Material* colorMaterial(Halvane::Scene& scene, const std::string& name, Color color, float alpha)
{
    Scene::Material* m = newMaterial(scene, name);
    m->colors[0][0] = 0.2f * color.r; // ambient, kept but unused
    m->colors[0][1] = 0.2f * color.g;
    m->colors[0][2] = 0.2f * color.b;
    m->colors[1][0] = color.r;
    m->colors[1][1] = color.g;
    m->colors[1][2] = color.b;
    m->scalars[0] = alpha;
    return m;
}

const Scene::Material* textureMaterial(Halvane::Scene& scene, const std::string& name, const std::string& texture,
                                       const std::string& bump)
{
    Scene::Material* m = newMaterial(scene, name);
    m->strings[2] = texture;
    m->strings[4] = bump;
    return m;
}

std::unique_ptr<Scene::MeshNode> meshNode(const std::string& name, const Mesh& mesh, const Scene::Material* material)
{
    auto node = std::make_unique<Scene::MeshNode>();
    node->name = name;
    node->kind = Scene::kNodeMesh;
    node->material = material;
    node->materialName = material ? material->name() : "";
    const bool textured = material && !material->colorTexture().empty();
    const int n = static_cast<int>(mesh.vertices.size());
    node->vertexCount = n;
    node->hasNormals = true;
    node->hasChannel[1] = textured;

    const std::vector<V3> normals = smoothNormals(mesh);
    for (int i = 0; i < n; i++) {
        V3 p = toProgram(mesh.vertices[i].p);
        V3 q = toProgram(normals[i]);
        node->positions.insert(node->positions.end(), {p.x, p.y, p.z});
        node->normals.insert(node->normals.end(), {q.x, q.y, q.z});
        if (textured)
            node->channels[1].insert(node->channels[1].end(), {mesh.vertices[i].u, mesh.vertices[i].v});
    }
    // Clockwise seen from outside: the loader's normals then point out.
    for (size_t i = 0; i + 2 < mesh.indices.size(); i += 3)
        node->indices.insert(node->indices.end(),
                             {static_cast<unsigned>(mesh.indices[i]), static_cast<unsigned>(mesh.indices[i + 2]),
                              static_cast<unsigned>(mesh.indices[i + 1])});
    return node;
}

std::unique_ptr<Scene::Node> plainNode(const std::string& name)
{
    auto node = std::make_unique<Scene::Node>();
    node->name = name;
    node->kind = Scene::kNodePlain;
    return node;
}

std::unique_ptr<Scene::CameraNode> cameraNode(const std::string& name, const std::string& target, float fov,
                                              float zNear, float zFar)
{
    auto node = std::make_unique<Scene::CameraNode>();
    node->name = name;
    node->kind = Scene::kNodeCamera;
    node->targetName = target;
    node->fov = fov;
    node->zNear = zNear;
    node->zFar = zFar;
    return node;
}

Scene::Node* addRoot(Halvane::Scene& scene, std::unique_ptr<Scene::Node> node)
{
    scene.roots.push_back(std::move(node));
    return scene.roots.back().get();
}

Scene::Node* addChild(Scene::Node& parent, std::unique_ptr<Scene::Node> node)
{
    parent.children.push_back(std::move(node));
    return parent.children.back().get();
}

Rotation axisAngle(V3 axis, float radians)
{
    V3 a = normalized(axis);
    float s = std::sin(0.5f * radians);
    return {a.x * s, a.y * s, a.z * s, std::cos(0.5f * radians)};
}

Rotation operator*(const Rotation& a, const Rotation& b)
{
    return {a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y, a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
            a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w, a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}

Rotation heading(V3 forward, float roll)
{
    V3 f = normalized(forward);
    V3 up = normalized(V3{0, 1, 0} - f * dot(f, V3{0, 1, 0}));
    if (length(up) < 0.5f)
        up = {1, 0, 0};
    V3 side = cross(f, up);
    // Columns f, up, side; the usual matrix-to-quaternion conversion.
    float m00 = f.x, m01 = up.x, m02 = side.x;
    float m10 = f.y, m11 = up.y, m12 = side.y;
    float m20 = f.z, m21 = up.z, m22 = side.z;
    Rotation r;
    float trace = m00 + m11 + m22;
    if (trace > 0) {
        float s = 0.5f / std::sqrt(trace + 1.0f);
        r = {(m21 - m12) * s, (m02 - m20) * s, (m10 - m01) * s, 0.25f / s};
    } else if (m00 > m11 && m00 > m22) {
        float s = 2.0f * std::sqrt(1.0f + m00 - m11 - m22);
        r = {0.25f * s, (m01 + m10) / s, (m02 + m20) / s, (m21 - m12) / s};
    } else if (m11 > m22) {
        float s = 2.0f * std::sqrt(1.0f + m11 - m00 - m22);
        r = {(m01 + m10) / s, 0.25f * s, (m12 + m21) / s, (m02 - m20) / s};
    } else {
        float s = 2.0f * std::sqrt(1.0f + m22 - m00 - m11);
        r = {(m02 + m20) / s, (m12 + m21) / s, 0.25f * s, (m10 - m01) / s};
    }
    return r * axisAngle({1, 0, 0}, roll);
}

Mesh blade(const BladeShape& shape)
{
    Mesh m;
    const int ns = shape.spanSteps, nc = shape.chordSteps;
    for (int face = 0; face < 2; face++) {
        const float side = face == 0 ? 0.5f : -0.5f;
        const int base = static_cast<int>(m.vertices.size());
        for (int i = 0; i <= ns; i++) {
            float s = static_cast<float>(i) / ns, lead = 0, trail = 0;
            shape.edges(s, lead, trail);
            for (int j = 0; j <= nc; j++) {
                float c = static_cast<float>(j) / nc;
                V3 p{lead + (trail - lead) * c, side * shape.thickness + (shape.bend ? shape.bend(s, c) : 0.0f),
                     s * shape.length};
                m.addVertex(p, shape.u0 + (shape.u1 - shape.u0) * s, c);
            }
        }
        for (int i = 0; i < ns; i++)
            for (int j = 0; j < nc; j++) {
                int a = base + i * (nc + 1) + j, b = a + nc + 1, c = b + 1, d = a + 1;
                // Span along +z, chord towards -x: a-b-c-d faces -y.
                if (face == 0)
                    m.addQuad(a, d, c, b);
                else
                    m.addQuad(a, b, c, d);
            }
    }
    return m;
}

Scene::Quaternion toFile(const Rotation& r)
{
    // The reader turns by minus the stored angle; store the inverse. w stays
    // non-negative so the stored angle lies in 0..180 degrees.
    const float sign = r.w < 0 ? -1.0f : 1.0f;
    return {-sign * r.x, -sign * r.y, -sign * r.z, sign * r.w};
}

Mesh seedDome(float radius, float height, int rings, int segments)
{
    const float pi = std::numbers::pi_v<float>;
    Mesh disc;
    int centre = disc.addVertex({0, height, 0}, 0.75f, 0.5f);
    std::vector<std::vector<int>> ring(rings + 1, std::vector<int>(segments + 1));
    for (int r = 1; r <= rings; r++)
        for (int s = 0; s <= segments; s++) {
            float f = static_cast<float>(r) / rings, a = 2 * pi * s / segments;
            ring[r][s] = disc.addVertex({radius * f * std::cos(a), height * (1 - f * f), -radius * f * std::sin(a)},
                                        0.75f + 0.245f * f * std::cos(a), 0.5f + 0.49f * f * std::sin(a));
        }
    for (int s = 0; s < segments; s++)
        disc.addTriangle(centre, ring[1][s], ring[1][s + 1]);
    for (int r = 1; r < rings; r++)
        for (int s = 0; s < segments; s++)
            disc.addQuad(ring[r][s], ring[r + 1][s], ring[r + 1][s + 1], ring[r][s + 1]);
    return disc;
}

} // namespace Assets::Kdx
