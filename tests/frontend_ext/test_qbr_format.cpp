// QBR encoding and decoding without GL: the byte layout, the round trip, and
// a clear error naming the file for every way a file can be damaged.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "frontend/Error.h"
#include "frontend/StopRequest.h"
#include "frontend_ext/QBRLoader.h"

using FrontendExt::QBRMesh;

namespace {

QBRMesh triangleMesh(const std::string& name)
{
    QBRMesh mesh;
    mesh.name = name;
    mesh.vertices = {0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};
    mesh.indices = {0, 1, 2};
    return mesh;
}

// Little-endian image builder for hand-made (possibly broken) files.
struct Bytes {
    std::vector<unsigned char> data;
    Bytes& i32(int v)
    {
        for (int s = 0; s < 32; s += 8)
            data.push_back(static_cast<unsigned char>(static_cast<unsigned>(v) >> s));
        return *this;
    }
    Bytes& f32(float v)
    {
        int bits;
        std::memcpy(&bits, &v, 4);
        return i32(bits);
    }
    Bytes& text(const std::string& s)
    {
        data.insert(data.end(), s.begin(), s.end());
        return *this;
    }
    Bytes& vertices(int count)
    {
        for (int i = 0; i < count * 5; ++i)
            f32(static_cast<float>(i));
        return *this;
    }
};

std::string decodeError(const std::vector<unsigned char>& bytes)
{
    try {
        FrontendExt::decodeQBR(bytes.data(), bytes.size(), "morvask.qbr");
    } catch (const Frontend::Error& error) {
        return error.what();
    }
    return "no error";
}

} // namespace

TEST(QBRFormat, EncodesTheDocumentedLayout)
{
    std::vector<unsigned char> bytes = FrontendExt::encodeQBR({triangleMesh("hello")});
    Bytes expected;
    expected.i32(1).i32(3).i32(1).i32(5).text("hello");
    for (float f : triangleMesh("").vertices)
        expected.f32(f);
    expected.i32(0).i32(1).i32(2);
    EXPECT_EQ(bytes, expected.data);
}

TEST(QBRFormat, RoundTripKeepsEveryMeshInOrder)
{
    QBRMesh second;
    second.name = std::string(256, 'n');
    second.vertices = {1.5f, -2.25f, 3e10f, 0.125f, -0.0f, 7, 8, 9, 10, 11, -1, -2, -3, -4, -5, 0, 0, 0, 0.5f, 0.5f};
    second.indices = {0, 1, 2, 3, 2, 1}; // counts from 0 within its own mesh
    QBRMesh empty;
    std::vector<QBRMesh> meshes = {triangleMesh("first"), second, empty};

    std::vector<unsigned char> bytes = FrontendExt::encodeQBR(meshes);
    bytes.push_back(0xAB); // trailing bytes after the last mesh are ignored
    std::vector<QBRMesh> back = FrontendExt::decodeQBR(bytes.data(), bytes.size(), "x.qbr");
    ASSERT_EQ(back.size(), 3u);
    for (size_t i = 0; i < meshes.size(); ++i) {
        EXPECT_EQ(back[i].name, meshes[i].name);
        EXPECT_EQ(back[i].indices, meshes[i].indices);
        ASSERT_EQ(back[i].vertices.size(), meshes[i].vertices.size());
        for (size_t f = 0; f < meshes[i].vertices.size(); ++f) // bit for bit, -0.0 included
            EXPECT_EQ(0, std::memcmp(&back[i].vertices[f], &meshes[i].vertices[f], 4)) << i << " " << f;
    }
}

TEST(QBRFormat, NameIsSkippedAndVertexDataFollowsIt)
{
    Bytes file;
    file.i32(1).i32(3).i32(1).i32(5).text("abcde").vertices(3).i32(2).i32(1).i32(0);
    std::vector<QBRMesh> meshes = FrontendExt::decodeQBR(file.data.data(), file.data.size(), "n.qbr");
    ASSERT_EQ(meshes.size(), 1u);
    EXPECT_EQ(meshes[0].vertices[0], 0.0f);
    EXPECT_EQ(meshes[0].vertices[14], 14.0f);
    EXPECT_EQ(meshes[0].indices, (std::vector<int>{2, 1, 0}));
}

TEST(QBRFormat, ZeroMeshesAndEmptyMeshesAreValid)
{
    Bytes none;
    none.i32(0);
    EXPECT_TRUE(FrontendExt::decodeQBR(none.data.data(), none.data.size(), "e.qbr").empty());
    Bytes empty;
    empty.i32(1).i32(0).i32(0).i32(0);
    std::vector<QBRMesh> meshes = FrontendExt::decodeQBR(empty.data.data(), empty.data.size(), "e.qbr");
    ASSERT_EQ(meshes.size(), 1u);
    EXPECT_TRUE(meshes[0].vertices.empty());
}

TEST(QBRFormat, DamagedFilesNameTheFileAndTheProblem)
{
    struct Case {
        const char* what;
        Bytes file;
        const char* message;
    };
    std::vector<Case> cases;
    cases.push_back({"empty file", Bytes{}, "morvask.qbr: mesh count: file ends early"});
    cases.push_back({"negative mesh count", Bytes{}.i32(-1), "morvask.qbr: negative mesh count -1"});
    cases.push_back({"mesh count too large", Bytes{}.i32(1000).i32(0).i32(0).i32(0),
                     "morvask.qbr: mesh count 1000 is larger than the file can hold"});
    cases.push_back({"negative vertex count", Bytes{}.i32(1).i32(-3).i32(0).i32(0),
                     "morvask.qbr: mesh 0: negative vertex count -3"});
    cases.push_back({"negative triangle count", Bytes{}.i32(1).i32(0).i32(-2).i32(0),
                     "morvask.qbr: mesh 0: negative triangle count -2"});
    cases.push_back({"name too long", Bytes{}.i32(1).i32(0).i32(0).i32(257).text(std::string(257, 'x')),
                     "morvask.qbr: mesh 0: name length 257 outside 0 to 256"});
    cases.push_back({"negative name length", Bytes{}.i32(1).i32(0).i32(0).i32(-1),
                     "morvask.qbr: mesh 0: name length -1 outside 0 to 256"});
    cases.push_back({"name cut short", Bytes{}.i32(1).i32(0).i32(0).i32(10).text("abc"),
                     "morvask.qbr: mesh 0: name: file ends early"});
    cases.push_back({"vertex count too large", Bytes{}.i32(1).i32(0x40000000).i32(0).i32(0).vertices(1),
                     "morvask.qbr: mesh 0: vertex count 1073741824 is larger than the file can hold"});
    cases.push_back({"triangle count too large", Bytes{}.i32(1).i32(3).i32(2).i32(0).vertices(3).i32(0).i32(1).i32(2),
                     "morvask.qbr: mesh 0: triangle count 2 is larger than the file can hold"});
    cases.push_back({"second header cut", Bytes{}.i32(2).i32(0).i32(0).i32(8).text("12345678").i32(0),
                     "morvask.qbr: mesh 1: header: file ends early"});
    Bytes outOfRange;
    outOfRange.i32(3);
    outOfRange.i32(3).i32(1).i32(0).vertices(3).i32(0).i32(1).i32(2);
    outOfRange.i32(3).i32(1).i32(0).vertices(3).i32(0).i32(1).i32(2);
    outOfRange.i32(12).i32(1).i32(0).vertices(12).i32(0).i32(17).i32(2);
    cases.push_back({"index out of range", outOfRange, "morvask.qbr: mesh 2: index 17 out of range (vertex count 12)"});
    cases.push_back({"negative index", Bytes{}.i32(1).i32(3).i32(1).i32(0).vertices(3).i32(0).i32(-1).i32(2),
                     "morvask.qbr: mesh 0: index -1 out of range (vertex count 3)"});

    for (const Case& c : cases) {
        std::string message = decodeError(c.file.data);
        EXPECT_EQ(message.rfind(c.message, 0), 0u) << c.what << ": " << message;
    }
}

TEST(QBRFormat, WriterRefusesWhatTheLoaderWouldReject)
{
    auto encodeError = [](const QBRMesh& mesh) {
        try {
            FrontendExt::encodeQBR({triangleMesh("ok"), mesh});
        } catch (const Frontend::Error& error) {
            return std::string(error.what());
        }
        return std::string("no error");
    };
    QBRMesh mesh = triangleMesh(std::string(257, 'x'));
    EXPECT_NE(encodeError(mesh).find("mesh 1: name"), std::string::npos);
    mesh = triangleMesh("a");
    mesh.vertices.pop_back();
    EXPECT_NE(encodeError(mesh).find("multiple of 5"), std::string::npos);
    mesh = triangleMesh("a");
    mesh.indices.push_back(0);
    EXPECT_NE(encodeError(mesh).find("multiple of 3"), std::string::npos);
    mesh = triangleMesh("a");
    mesh.indices[1] = 3;
    EXPECT_NE(encodeError(mesh).find("index 3 out of range (vertex count 3)"), std::string::npos);
}

TEST(QBRFormat, VertexValuesNoPictureCanUseAreRefusedWithTheMeshAndValue)
{
    auto meshWith = [](float value) {
        FrontendExt::QBRMesh mesh{"wing", {0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}, {0, 1, 2}};
        mesh.vertices[6] = value; // vertex 1, y
        return FrontendExt::encodeQBR({mesh});
    };
    EXPECT_EQ(decodeError(meshWith(1e6f)), "no error");
    EXPECT_NE(decodeError(meshWith(NAN)).find("morvask.qbr: mesh 0: 'wing' vertex 1 y: nan is not a number"),
              std::string::npos);
    EXPECT_NE(decodeError(meshWith(3e37f)).find("vertex 1 y: 3e+37 is beyond the limit"), std::string::npos);
}

TEST(QBRFormat, MeshCountIsBoundedForFrameCost)
{
    std::vector<FrontendExt::QBRMesh> meshes(4096);
    EXPECT_EQ(decodeError(FrontendExt::encodeQBR(meshes)), "no error");
    meshes.resize(4097);
    EXPECT_NE(decodeError(FrontendExt::encodeQBR(meshes)).find("mesh count 4097 is more than the limit of 4096"),
              std::string::npos);
}

TEST(QBRFormat, AStopRequestEndsTheMeshLoop)
{
    const std::vector<unsigned char> bytes = FrontendExt::encodeQBR(std::vector<FrontendExt::QBRMesh>(2));
    Frontend::requestStop();
    EXPECT_THROW(FrontendExt::decodeQBR(bytes.data(), bytes.size(), "many.qbr"), Frontend::StopRequested);
    Frontend::clearStopRequest();
    EXPECT_EQ(FrontendExt::decodeQBR(bytes.data(), bytes.size(), "many.qbr").size(), 2u);
}
