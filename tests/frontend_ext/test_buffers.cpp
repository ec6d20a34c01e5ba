// Buffers, Geometry and the QBR loader against a real GL context: mapping
// of buffer objects, attribute binding, and draws checked by reading back
// the pixels of a small render target.
#include <gtest/gtest.h>

#include <epoxy/gl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "frontend/Error.h"
#include "frontend/File.h"
#include "frontend/RenderTarget.h"
#include "frontend/Context.h"
#include "frontend/State.h"
#include "frontend_ext/Geometry.h"
#include "frontend_ext/QBRLoader.h"
#include "tests/support/TestContext.h"

using FrontendExt::Geometry;
using FrontendExt::IndexBuffer;
using FrontendExt::VertexBuffer;

namespace {

constexpr int kSide = 16;

class GlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestSupport::glContext();
        while (glGetError() != GL_NO_ERROR) {
        }
    }
};

// A 16 x 16 target with identity matrices and the default (white) shader.
class DrawTest : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        target = std::make_unique<Frontend::RenderTarget>(kSide, kSide, true, true);
        target->bind();
        Frontend::State::resetMatrices();
        Frontend::State::disable(Frontend::kDepthTest);
        Frontend::State::disable(Frontend::kCullFace);
        Frontend::State::clear(0, 0, 0, 1, true, true, false);
        Frontend::Context::current()->bindDefaultShader();
    }
    void TearDown() override { Frontend::RenderTarget::unbind(); }

    // Which quadrants (0 lower left, 1 lower right, 2 upper left, 3 upper right) are lit.
    std::string litQuadrants()
    {
        std::vector<unsigned char> pixels = TestSupport::readPixels(0, 0, kSide, kSide);
        std::string lit;
        for (int q = 0; q < 4; ++q) {
            int x = (q % 2) * kSide / 2 + 2, y = (q / 2) * kSide / 2 + 2;
            lit += pixels[static_cast<size_t>(y * kSide + x) * 4] > 200 ? '1' : '0';
        }
        return lit;
    }

    std::unique_ptr<Frontend::RenderTarget> target;
};

// Four triangles, one in the lower-left half of each quadrant, three vertices
// each, in quadrant order.
std::vector<float> quadrantTriangles()
{
    std::vector<float> v;
    for (int q = 0; q < 4; ++q) {
        float x0 = (q % 2) ? 0.0f : -1.0f, y0 = (q / 2) ? 0.0f : -1.0f;
        const float corners[3][2] = {{x0, y0}, {x0 + 1, y0}, {x0, y0 + 1}};
        for (const auto& c : corners)
            v.insert(v.end(), {c[0], c[1], 0.0f});
    }
    return v;
}

bool bufferMapped(unsigned target)
{
    GLint mapped = 0;
    glGetBufferParameteriv(target, GL_BUFFER_MAPPED, &mapped);
    return mapped != 0;
}

GLint attribute(int index, GLenum what)
{
    GLint value = 0;
    glGetVertexAttribiv(static_cast<GLuint>(index), what, &value);
    return value;
}

std::string writeFile(const std::vector<FrontendExt::QBRMesh>& meshes, const char* name)
{
    std::string path = TestSupport::makeTempDir("qbr") + "/" + name;
    FrontendExt::writeQBR(path, meshes);
    return path;
}

FrontendExt::QBRMesh oneTriangle()
{
    return {"", {0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}, {0, 1, 2}};
}

} // namespace

TEST_F(GlTest, BufferObjectLocksNestAndMapOnce)
{
    const int counts[1] = {2};
    const float source[4] = {1, 2, 3, 4};
    VertexBuffer buffer(1, counts, 2, FrontendExt::kUsageStatic, source, nullptr);
    EXPECT_FALSE(buffer.isMapped());

    auto* first = static_cast<float*>(buffer.lock(true, true));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(0, std::memcmp(first, source, sizeof source));
    first[3] = 40.0f;
    EXPECT_EQ(buffer.lock(true, true), first);
    buffer.unlock();
    EXPECT_TRUE(buffer.isMapped());
    EXPECT_TRUE(bufferMapped(GL_ARRAY_BUFFER));
    buffer.unlock();
    EXPECT_FALSE(buffer.isMapped());
    EXPECT_FALSE(bufferMapped(GL_ARRAY_BUFFER));

    EXPECT_EQ(buffer.lock(false, false), nullptr);
    EXPECT_EQ(buffer.lockCount(), 1);
    buffer.unlock();
    EXPECT_EQ(static_cast<float*>(buffer.lock(true, false))[3], 40.0f); // the write reached the buffer
    buffer.unlock();

    IndexBuffer indices(3, FrontendExt::kUsageStatic, nullptr, FrontendExt::kIndexUShort);
    void* mapping = indices.lock(false, true);
    ASSERT_NE(mapping, nullptr);
    EXPECT_EQ(indices.lock(true, true), mapping);
    indices.unlock();
    EXPECT_TRUE(bufferMapped(GL_ELEMENT_ARRAY_BUFFER));
    indices.unlock();
    EXPECT_FALSE(bufferMapped(GL_ELEMENT_ARRAY_BUFFER));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GlTest, UsageTwoIsDynamicDrawLikeOne)
{
    const int counts[1] = {1};
    for (int usage : {1, 2}) {
        VertexBuffer buffer(1, counts, 1, usage, nullptr, nullptr);
        GLint hint = 0;
        glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_USAGE, &hint);
        EXPECT_EQ(hint, GL_DYNAMIC_DRAW) << usage;
    }
}

TEST_F(GlTest, BindFeedsTheAliasedGenericAttribute)
{
    const int counts[2] = {3, 4};
    const int types[2] = {FrontendExt::kTypeFloat, FrontendExt::kTypeByte};
    VertexBuffer buffer(2, counts, 4, FrontendExt::kUsageStatic, nullptr, types);
    GLint name = 0;
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &name);

    buffer.bind(0, 3); // texture unit 1 -> attribute 9
    EXPECT_EQ(attribute(9, GL_VERTEX_ATTRIB_ARRAY_ENABLED), 1);
    EXPECT_EQ(attribute(9, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING), name);
    EXPECT_EQ(attribute(9, GL_VERTEX_ATTRIB_ARRAY_STRIDE), 16);
    buffer.bind(1, 11); // colour bytes are normalised as a colour array would be
    EXPECT_EQ(attribute(3, GL_VERTEX_ATTRIB_ARRAY_NORMALIZED), 1);
    EXPECT_EQ(attribute(3, GL_VERTEX_ATTRIB_ARRAY_SIZE), 4);
    GLvoid* pointer = nullptr;
    glGetVertexAttribPointerv(3, GL_VERTEX_ATTRIB_ARRAY_POINTER, &pointer);
    EXPECT_EQ(reinterpret_cast<size_t>(pointer), 12u);
    buffer.unbind(3);
    buffer.unbind(11);
    EXPECT_EQ(attribute(9, GL_VERTEX_ATTRIB_ARRAY_ENABLED), 0);
    EXPECT_EQ(attribute(3, GL_VERTEX_ATTRIB_ARRAY_ENABLED), 0);

    for (int none : {1, 14, 15, 16}) {
        glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(name));
        buffer.bind(0, none);
        GLint bound = 0;
        glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
        EXPECT_EQ(bound, name) << "bind issues no call for " << none;
        buffer.unbind(none);
        glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
        EXPECT_EQ(bound, 0) << "unbind still releases the array buffer for " << none;
    }

    GLint maxAttributes = 0;
    glGetIntegerv(GL_MAX_VERTEX_ATTRIBS, &maxAttributes);
    maxAttributes = std::max(maxAttributes, 17); // codes up to 16 are never generic
    try {
        buffer.bind(0, maxAttributes);
        ADD_FAILURE() << "a generic code beyond the driver's attributes must be refused";
    } catch (const Frontend::Error& error) {
        EXPECT_NE(std::string(error.what()).find("semantic " + std::to_string(maxAttributes)), std::string::npos);
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

struct StorageCase {
    int usage;
    int indexType;
};

class IndexedDraw : public DrawTest, public ::testing::WithParamInterface<StorageCase> {};

TEST_P(IndexedDraw, RangesDrawExactlyTheirTriangles)
{
    const int counts[1] = {3};
    std::vector<float> positions = quadrantTriangles();
    VertexBuffer vertices(1, counts, 12, GetParam().usage, positions.data(), nullptr);
    // Triangle k of the index list draws quadrant order[k].
    const int order[4] = {1, 3, 0, 2};
    std::vector<unsigned char> bytes;
    int size = FrontendExt::indexSize(GetParam().indexType);
    for (int k = 0; k < 4; ++k)
        for (int corner = 0; corner < 3; ++corner) {
            unsigned value = static_cast<unsigned>(order[k] * 3 + corner);
            bytes.insert(bytes.end(), reinterpret_cast<unsigned char*>(&value),
                         reinterpret_cast<unsigned char*>(&value) + size);
        }
    IndexBuffer indices(12, GetParam().usage, bytes.data(), GetParam().indexType);
    vertices.bind(0, FrontendExt::kSemanticPosition);

    indices.drawIndexed(FrontendExt::kPrimitiveTriangles, 6, 3);
    EXPECT_EQ(litQuadrants(), "1000");
    Frontend::State::clear(0, 0, 0, 1, true, false, false);
    indices.drawIndexed(FrontendExt::kPrimitiveTriangles, 0, -1);
    EXPECT_EQ(litQuadrants(), "1111");
    Frontend::State::clear(0, 0, 0, 1, true, false, false);
    vertices.drawArrays(FrontendExt::kPrimitiveTriangles, 3, 3);
    EXPECT_EQ(litQuadrants(), "0100");

    EXPECT_THROW(indices.drawIndexed(FrontendExt::kPrimitiveTriangles, 9, 6), Frontend::Error);
    EXPECT_THROW(vertices.drawArrays(FrontendExt::kPrimitiveTriangles, 0, 13), Frontend::Error);
    vertices.unbind(FrontendExt::kSemanticPosition);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

INSTANTIATE_TEST_SUITE_P(BothStorageKinds, IndexedDraw,
                         ::testing::Values(StorageCase{0, FrontendExt::kIndexUByte},
                                           StorageCase{4, FrontendExt::kIndexUShort},
                                           StorageCase{1, FrontendExt::kIndexUInt},
                                           StorageCase{0, FrontendExt::kIndexUInt}));

TEST_F(DrawTest, GeometryReportsErrorsAtItsCheckPoints)
{
    Geometry empty;
    empty.addBinding(3, 0, 0); // a binding to an empty slot is skipped
    glEnable(0x7fff);          // leaves GL_INVALID_ENUM pending
    ::testing::internal::CaptureStderr();
    empty.draw();
    std::string reported = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(reported.find("OpenGL native error: 500"), std::string::npos) << reported;
    EXPECT_NE(reported.find("FrontendExt::Geometry::draw, line 75."), std::string::npos) << reported;

    Geometry mesh;
    const int counts[1] = {3};
    std::vector<float> positions = quadrantTriangles();
    mesh.addVertexBuffer(new VertexBuffer(1, counts, 12, 4, positions.data(), nullptr));
    mesh.addBinding(0, 0, 0);
    glEnable(0x7fff);
    ::testing::internal::CaptureStderr();
    mesh.draw(); // unindexed: every vertex of the first buffer
    reported = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(reported.find("FrontendExt::Geometry::draw, line 46."), std::string::npos) << reported;
    EXPECT_EQ(reported.find("line 63"), std::string::npos) << reported;
    EXPECT_EQ(litQuadrants(), "1111");
    EXPECT_EQ(attribute(0, GL_VERTEX_ATTRIB_ARRAY_ENABLED), 0);
}

TEST_F(DrawTest, LoadedMeshDrawsInBothStorageKinds)
{
    // Two triangles covering the left half of the target.
    FrontendExt::QBRMesh half{
        "left", {-1, -1, 0, 0, 0, 0, -1, 0, 1, 0, 0, 1, 0, 1, 1, -1, 1, 0, 0, 1}, {0, 1, 2, 0, 2, 3}};
    std::string path = writeFile({half}, "half.qbr");
    for (int usage : {0, 4}) {
        FrontendExt::QBRLoader loader(FrontendExt::File(path, "rb"), usage, usage);
        ASSERT_EQ(loader.meshCount(), 1);
        Frontend::State::clear(0, 0, 0, 1, true, true, false);
        loader.mesh(0).draw();
        EXPECT_EQ(litQuadrants(), "1010") << "usage " << usage;
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}

TEST_F(GlTest, LoaderBuildsTheInterleavedTangentFrame)
{
    FrontendExt::QBRMesh second = oneTriangle();
    second.name = "abcde";
    for (size_t i = 0; i < second.vertices.size(); i += 5)
        second.vertices[i] += 10.0f; // the same triangle, moved
    std::string path = writeFile({oneTriangle(), second}, "two.qbr");
    FrontendExt::QBRLoader loader(FrontendExt::File(path, "rb"), 4, 4);
    ASSERT_EQ(loader.meshCount(), 2);
    for (int m = 0; m < 2; ++m) {
        Geometry& mesh = loader.mesh(m);
        VertexBuffer* buffer = mesh.vertexBuffers[0];
        ASSERT_NE(buffer, nullptr);
        EXPECT_EQ(mesh.vertexBuffers[1], nullptr);
        EXPECT_EQ(buffer->stride(), 56);
        EXPECT_EQ(buffer->usage(), 4);
        EXPECT_EQ(buffer->lockCount(), 0);
        EXPECT_FALSE(buffer->isMapped());
        EXPECT_EQ(mesh.indexBuffer->indexType(), FrontendExt::kIndexUInt);
        ASSERT_EQ(mesh.bindings.size(), 5u);
        EXPECT_EQ(mesh.bindings[3].semantic, 4);
        EXPECT_EQ(mesh.bindings[4].component, 4);

        auto* record = static_cast<const float*>(buffer->lock(true, false));
        for (int v = 0; v < 3; ++v) {
            const float* r = record + v * 14;
            const float expected[14] = {r[0], r[1], r[2], 0, 0, -1, r[6], r[7], 1, 0, 0, 0, -1, 0};
            for (int i = 0; i < 14; ++i)
                EXPECT_NEAR(r[i], expected[i], 1e-6f) << "mesh " << m << " vertex " << v << " float " << i;
        }
        EXPECT_EQ(record[14 + 0], m == 0 ? 1.0f : 11.0f);
        buffer->unlock();
        std::unique_ptr<Geometry::Indices> indices(mesh.getIndices());
        EXPECT_EQ(indices->get(2), 2); // counted within its own mesh
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GlTest, TangentBuilderAddsOneStaticBufferForMissingTargets)
{
    const int counts[3] = {3, 2, 3};
    const float records[24] = {0, 0, 0, 0, 0, 5, 5, 5, 1, 0, 0, 1, 0, 5, 5, 5, 0, 1, 0, 0, 1, 5, 5, 5};
    const unsigned triangle[3] = {0, 1, 2};
    Geometry mesh;
    mesh.addVertexBuffer(new VertexBuffer(3, counts, 3, 0, records, nullptr));
    mesh.indexBuffer = new IndexBuffer(3, 0, triangle, FrontendExt::kIndexUInt);
    mesh.addBinding(0, 0, 0);
    mesh.addBinding(0, 1, 2);
    mesh.addBinding(0, 2, 10); // normals exist; tangent and binormal do not

    EXPECT_EQ(mesh.computeTangentSpace(2, 10, 4, 5), 1);
    VertexBuffer* added = mesh.vertexBuffers[1];
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->componentCount(), 2);
    EXPECT_EQ(added->usage(), FrontendExt::kUsageStatic);
    EXPECT_FALSE(added->isMapped());
    ASSERT_EQ(mesh.bindings.size(), 5u);
    EXPECT_EQ(mesh.bindings[3].slot, 1);
    EXPECT_EQ(mesh.bindings[3].component, 0);
    EXPECT_EQ(mesh.bindings[3].semantic, 4);
    EXPECT_EQ(mesh.bindings[4].component, 1);
    EXPECT_EQ(mesh.bindings[4].semantic, 5);

    float n[4] = {}, b[4] = {};
    std::unique_ptr<Geometry::Attribute>(mesh.getAttribute(10))->get(n, 2);
    std::unique_ptr<Geometry::Attribute>(mesh.getAttribute(5))->get(b, 2);
    EXPECT_FLOAT_EQ(n[2], -1.0f);
    EXPECT_FLOAT_EQ(b[1], -1.0f);
}

TEST_F(GlTest, DamagedOrMissingFilesThrowWithTheirName)
{
    FrontendExt::QBRMesh broken = oneTriangle();
    std::vector<unsigned char> bytes = FrontendExt::encodeQBR({broken});
    bytes.resize(bytes.size() - 5); // cut into the indices
    std::string path = TestSupport::makeTempDir("qbr") + "/cut.qbr";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    try {
        FrontendExt::QBRLoader loader(FrontendExt::File(path, "rb"), 4, 4);
        ADD_FAILURE() << "a cut file must not load";
    } catch (const Frontend::Error& error) {
        EXPECT_NE(std::string(error.what()).find(path + ": mesh 0: triangle count 1"), std::string::npos)
            << error.what();
    }
    EXPECT_THROW(FrontendExt::QBRLoader(FrontendExt::File(path + ".missing", "rb"), 4, 4), Frontend::Error);
}
