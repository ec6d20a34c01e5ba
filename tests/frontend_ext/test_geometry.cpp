// Buffer layouts, accessors and the tangent-space builder on client-memory
// buffers: everything here works without a GL context.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "frontend/Error.h"
#include "frontend_ext/Geometry.h"

using FrontendExt::Geometry;
using FrontendExt::IndexBuffer;
using FrontendExt::VertexBuffer;

namespace {

struct Frame {
    float n[4], t[4], b[4];
};

// A client-memory mesh: {position 3, uv 2, normal 3, tangent 3, binormal 3}
// bound as a loaded mesh binds them, with 32-bit indices. The frame
// components start as garbage so the builder must overwrite them.
std::unique_ptr<Geometry> makeMesh(const std::vector<float>& positionsUv, const std::vector<unsigned>& indices)
{
    const int counts[5] = {3, 2, 3, 3, 3};
    int vertices = static_cast<int>(positionsUv.size() / 5);
    std::vector<float> records;
    for (int v = 0; v < vertices; ++v) {
        records.insert(records.end(), positionsUv.begin() + v * 5, positionsUv.begin() + v * 5 + 5);
        records.insert(records.end(), 9, 7.0f);
    }
    auto geometry = std::make_unique<Geometry>();
    geometry->addVertexBuffer(new VertexBuffer(5, counts, vertices, 0, records.data(), nullptr));
    geometry->indexBuffer = new IndexBuffer(static_cast<int>(indices.size()), 0, indices.data(), 2);
    const int semantics[5] = {0, 2, 10, 4, 5};
    for (int c = 0; c < 5; ++c)
        geometry->addBinding(0, c, semantics[c]);
    return geometry;
}

Frame frameOf(Geometry& geometry, int vertex)
{
    Frame f = {};
    std::unique_ptr<Geometry::Attribute> n(geometry.getAttribute(10)), t(geometry.getAttribute(4)),
        b(geometry.getAttribute(5));
    n->get(f.n, vertex);
    t->get(f.t, vertex);
    b->get(f.b, vertex);
    return f;
}

void expectVec(const float* v, float x, float y, float z)
{
    EXPECT_NEAR(v[0], x, 1e-6f);
    EXPECT_NEAR(v[1], y, 1e-6f);
    EXPECT_NEAR(v[2], z, 1e-6f);
}

std::string errorOf(void (*action)())
{
    try {
        action();
    } catch (const Frontend::Error& error) {
        return error.what();
    }
    return "no error";
}

} // namespace

TEST(VertexBufferLayout, ComponentsArePackedWithoutGaps)
{
    const int counts[5] = {3, 3, 2, 3, 3};
    VertexBuffer floats(5, counts, 2, 0, nullptr, nullptr);
    EXPECT_EQ(floats.stride(), 56);
    EXPECT_EQ(floats.componentOffset(2), 24);
    EXPECT_EQ(floats.componentOffset(4), 44);
    EXPECT_EQ(floats.componentType(3), FrontendExt::kTypeFloat);

    const int mixedCounts[2] = {3, 1};
    const int mixedTypes[2] = {FrontendExt::kTypeByte, FrontendExt::kTypeDouble};
    VertexBuffer mixed(2, mixedCounts, 4, 0, nullptr, mixedTypes);
    EXPECT_EQ(mixed.stride(), 11);
    EXPECT_EQ(mixed.componentOffset(1), 3);
}

TEST(VertexBufferLayout, ClientMemoryCopiesTheSourceAndCountsLocks)
{
    const int counts[1] = {2};
    const float source[4] = {1, 2, 3, 4};
    VertexBuffer buffer(1, counts, 2, 0, source, nullptr);
    void* first = buffer.lock(true, true);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, static_cast<const void*>(source));
    EXPECT_EQ(0, std::memcmp(first, source, sizeof source));
    EXPECT_EQ(buffer.lock(false, false), first); // client memory is always addressable
    EXPECT_EQ(buffer.lockCount(), 2);
    buffer.unlock();
    buffer.unlock();
    EXPECT_EQ(buffer.lockCount(), 0);
    EXPECT_FALSE(buffer.isMapped());
}

TEST(VertexBufferLayout, BadCodesThrowNamingTheCode)
{
    EXPECT_NE(errorOf([] {
                  const int counts[1] = {3};
                  const int types[1] = {7};
                  VertexBuffer b(1, counts, 1, 0, nullptr, types);
              }).find("component type code 7"),
              std::string::npos);
    EXPECT_NE(errorOf([] {
                  const int counts[1] = {3};
                  VertexBuffer b(1, counts, 1, 9, nullptr, nullptr);
              }).find("buffer usage code 9"),
              std::string::npos);
    EXPECT_NE(errorOf([] { IndexBuffer b(3, 0, nullptr, 3); }).find("index type code 3"), std::string::npos);
    EXPECT_NE(errorOf([] {
                  const int counts[1] = {5};
                  VertexBuffer b(1, counts, 1, 0, nullptr, nullptr);
              }).find("component 0 has 5 scalars"),
              std::string::npos);
    EXPECT_NE(errorOf([] { FrontendExt::attributeForSemantic(-4); }).find("semantic code -4"), std::string::npos);
}

TEST(VertexBufferLayout, SemanticsMapToTheCgAttributeNumbers)
{
    EXPECT_EQ(FrontendExt::attributeForSemantic(0), 0);
    EXPECT_EQ(FrontendExt::attributeForSemantic(10), 2);
    EXPECT_EQ(FrontendExt::attributeForSemantic(11), 3);
    EXPECT_EQ(FrontendExt::attributeForSemantic(2), 8);
    EXPECT_EQ(FrontendExt::attributeForSemantic(9), 15);
    EXPECT_EQ(FrontendExt::attributeForSemantic(13), 14);
    EXPECT_EQ(FrontendExt::attributeForSemantic(12), 15);
    EXPECT_EQ(FrontendExt::attributeForSemantic(17), 17);
    for (int none : {1, 14, 15, 16})
        EXPECT_EQ(FrontendExt::attributeForSemantic(none), -1) << none;
}

TEST(GeometryAccessors, IntegerTypesTruncateAndKeepTheirLowBits)
{
    const int counts[4] = {2, 1, 1, 1};
    const int types[4] = {FrontendExt::kTypeByte, FrontendExt::kTypeShort, FrontendExt::kTypeInt,
                          FrontendExt::kTypeDouble};
    Geometry geometry;
    ASSERT_EQ(geometry.addVertexBuffer(new VertexBuffer(4, counts, 3, 0, nullptr, types)), 0);
    geometry.addBinding(0, 0, 20);
    geometry.addBinding(0, 1, 21);
    geometry.addBinding(0, 2, 22);
    geometry.addBinding(0, 3, 23);
    {
        std::unique_ptr<Geometry::Attribute> bytes(geometry.getAttribute(20)), shorts(geometry.getAttribute(21)),
            ints(geometry.getAttribute(22)), doubles(geometry.getAttribute(23));
        EXPECT_EQ(geometry.vertexBuffers[0]->lockCount(), 4);
        bytes->set(1, 2.9f, -2.9f, 0, 0);
        shorts->set(1, 70000.0f, 0, 0, 0); // low 16 bits of 70000
        ints->set(1, 1e20f, 0, 0, 0);      // pinned, not undefined
        doubles->set(1, 0.1f, 0, 0, 0);

        float out[4] = {9, 9, 9, 9};
        bytes->get(out, 1);
        EXPECT_EQ(out[0], 2.0f);
        EXPECT_EQ(out[1], -2.0f);
        EXPECT_EQ(out[2], 9.0f); // beyond the component's scalars: untouched
        shorts->get(out, 1);
        EXPECT_EQ(out[0], 4464.0f);
        ints->get(out, 1);
        EXPECT_EQ(out[0], 2147483647.0f);
        doubles->get(out, 1);
        EXPECT_EQ(out[0], 0.1f);
        EXPECT_THROW(bytes->get(out, 3), Frontend::Error);
    }
    EXPECT_EQ(geometry.vertexBuffers[0]->lockCount(), 0);
    EXPECT_EQ(geometry.getAttribute(99), nullptr);
}

TEST(GeometryAccessors, IndicesZeroExtendAndStoreLowBits)
{
    Geometry geometry;
    EXPECT_EQ(geometry.getIndices(), nullptr);
    geometry.indexBuffer = new IndexBuffer(2, 0, nullptr, FrontendExt::kIndexUByte);
    std::unique_ptr<Geometry::Indices> indices(geometry.getIndices());
    indices->set(0, 255);
    indices->set(1, 258);
    EXPECT_EQ(indices->get(0), 255);
    EXPECT_EQ(indices->get(1), 2);
}

TEST(GeometrySlots, FullGeometryRefusesAnotherBuffer)
{
    const int counts[1] = {1};
    Geometry geometry;
    for (int i = 0; i < 16; ++i)
        ASSERT_EQ(geometry.addVertexBuffer(new VertexBuffer(1, counts, 1, 0, nullptr, nullptr)), i);
    auto extra = std::make_unique<VertexBuffer>(1, counts, 1, 0, nullptr, nullptr);
    EXPECT_EQ(geometry.addVertexBuffer(extra.get()), 16);
    for (VertexBuffer* slot : geometry.vertexBuffers)
        EXPECT_NE(slot, extra.get());
}

TEST(TangentSpace, OneTriangleGivesTheWorkedFrame)
{
    auto mesh = makeMesh({0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}, {0, 1, 2});
    EXPECT_EQ(mesh->computeTangentSpace(2, 10, 4, 5), 0); // every target existed
    EXPECT_EQ(mesh->vertexBuffers[1], nullptr);
    for (int v = 0; v < 3; ++v) {
        Frame f = frameOf(*mesh, v);
        expectVec(f.n, 0, 0, -1);
        expectVec(f.t, 1, 0, 0);
        expectVec(f.b, 0, -1, 0);
    }
    EXPECT_EQ(mesh->vertexBuffers[0]->lockCount(), 0);
}

TEST(TangentSpace, SharedVerticesAreSmoothedByFaceArea)
{
    // Two triangles folded along the x axis; the larger one weighs more.
    auto mesh = makeMesh({0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 2, 0, 1}, {0, 1, 2, 1, 0, 3});
    mesh->computeTangentSpace(2, 10, 4, 5);
    Frame shared = frameOf(*mesh, 0);
    // face 1 adds (0, 0, -1), face 2 (twice the area) adds (0, -2, 0)
    expectVec(shared.n, 0, -2 / std::sqrt(5.0f), -1 / std::sqrt(5.0f));
}

TEST(TangentSpace, DegenerateInputGivesUnitFramesNotNaN)
{
    // Triangle 0 has collinear texture coordinates, triangle 1 zero area;
    // vertex 6 is not referenced at all.
    auto mesh = makeMesh({0, 0, 0, 0, 0, 1, 0, 0, 1, 1, 0, 1, 0, 2, 2, //
                          5, 5, 5, 0, 0, 5, 5, 5, 1, 0, 5, 5, 5, 0, 1, //
                          9, 9, 9, 0, 0},
                         {0, 1, 2, 3, 4, 5});
    mesh->computeTangentSpace(2, 10, 4, 5);
    for (int v = 0; v < 7; ++v) {
        Frame f = frameOf(*mesh, v);
        for (const float* vec : {f.n, f.t, f.b}) {
            for (int i = 0; i < 3; ++i)
                ASSERT_TRUE(std::isfinite(vec[i])) << "vertex " << v;
            EXPECT_NEAR(vec[0] * vec[0] + vec[1] * vec[1] + vec[2] * vec[2], 1.0f, 1e-5f) << "vertex " << v;
        }
        EXPECT_NEAR(f.n[0] * f.t[0] + f.n[1] * f.t[1] + f.n[2] * f.t[2], 0.0f, 1e-6f) << "vertex " << v;
    }
    Frame lonely = frameOf(*mesh, 6);
    expectVec(lonely.n, 0, 0, 1);
    expectVec(lonely.t, 1, 0, 0);
    expectVec(lonely.b, 0, 1, 0);
}

TEST(TangentSpace, RefusesWithoutChangingAnything)
{
    auto quads = makeMesh({0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 1, 1, 0, 1, 1, 0, 1, 0, 0, 1}, {0, 1, 2, 3});
    quads->primitive = FrontendExt::kPrimitiveQuads;
    EXPECT_EQ(quads->computeTangentSpace(2, 10, 4, 5), 0);
    EXPECT_EQ(quads->bindings.size(), 5u);
    float n[4] = {};
    std::unique_ptr<Geometry::Attribute>(quads->getAttribute(10))->get(n, 0);
    EXPECT_EQ(n[0], 7.0f); // untouched

    auto noUv = makeMesh({0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}, {0, 1, 2});
    EXPECT_EQ(noUv->computeTangentSpace(3, 10, 4, 5), 0);
    EXPECT_EQ(noUv->vertexBuffers[0]->lockCount(), 0);

    Geometry empty;
    EXPECT_EQ(empty.computeTangentSpace(2, 10, 4, 5), 0);
}

TEST(TangentSpace, OutOfRangeIndicesAreSkipped)
{
    auto mesh = makeMesh({0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}, {0, 1, 2, 0, 1, 40});
    mesh->computeTangentSpace(2, 10, 4, 5);
    expectVec(frameOf(*mesh, 0).n, 0, 0, -1);
}
