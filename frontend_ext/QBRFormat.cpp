// The QBR byte layout without GL: encoding meshes for the asset tools and
// decoding with every field checked against what the file can hold, so a
// damaged file is an error naming the file instead of a wild read.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "frontend/Error.h"
#include "frontend/Limits.h"
#include "frontend/StopRequest.h"
#include "frontend_ext/ByteReader.h"
#include "frontend_ext/QBRLoader.h"

namespace FrontendExt {

namespace {

constexpr int kMaxNameLength = 256;
constexpr long long kHeaderBytes = 12; // vertex count, triangle count, name length
constexpr long long kVertexBytes = 20; // x, y, z, u, v
constexpr long long kTriangleBytes = 12;

void putU32(std::vector<unsigned char>& out, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<unsigned char>(value >> shift));
}

void putInt(std::vector<unsigned char>& out, int value)
{
    putU32(out, static_cast<uint32_t>(value));
}

void putFloat(std::vector<unsigned char>& out, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    putU32(out, bits);
}

std::string meshPrefix(size_t mesh)
{
    return "mesh " + std::to_string(mesh) + ": ";
}

// Only meshes the loader would accept are written.
void checkForWriting(const QBRMesh& mesh, size_t index)
{
    auto fail = [&](const std::string& what) { throw Frontend::Error("encodeQBR: " + meshPrefix(index) + what); };
    if (mesh.name.size() > static_cast<size_t>(kMaxNameLength))
        fail("name of " + std::to_string(mesh.name.size()) + " bytes is longer than 256");
    if (mesh.vertices.size() % 5 != 0)
        fail(std::to_string(mesh.vertices.size()) + " vertex floats is not a multiple of 5");
    if (mesh.indices.size() % 3 != 0)
        fail(std::to_string(mesh.indices.size()) + " indices is not a multiple of 3");
    size_t vertexCount = mesh.vertices.size() / 5;
    for (int value : mesh.indices)
        if (value < 0 || static_cast<size_t>(value) >= vertexCount)
            fail("index " + std::to_string(value) + " out of range (vertex count " + std::to_string(vertexCount) + ")");
}

QBRMesh decodeMesh(ByteReader& in, int index)
{
    std::string where = meshPrefix(static_cast<size_t>(index));
    in.need(kHeaderBytes, where + "header");
    int vertexCount = in.rawInt();
    int triangleCount = in.rawInt();
    int nameLength = in.rawInt();
    if (vertexCount < 0)
        in.fail(where + "negative vertex count " + std::to_string(vertexCount));
    if (triangleCount < 0)
        in.fail(where + "negative triangle count " + std::to_string(triangleCount));
    if (nameLength < 0 || nameLength > kMaxNameLength)
        in.fail(where + "name length " + std::to_string(nameLength) + " outside 0 to 256");

    QBRMesh mesh;
    mesh.name = in.text(nameLength, where + "name");
    if (vertexCount * kVertexBytes > in.remaining())
        in.fail(where + "vertex count " + std::to_string(vertexCount) + " is larger than the file can hold");
    mesh.vertices.resize(static_cast<size_t>(vertexCount) * 5);
    static const char* const kFields[5] = {"x", "y", "z", "u", "v"};
    for (size_t i = 0; i < mesh.vertices.size(); ++i) {
        float value = in.rawFloat();
        // Past the limit the tangent step and the matrices overflow and the
        // whole picture turns black.
        if (!Frontend::Limits::isUsableCoordinate(value))
            in.fail(where + "'" + mesh.name + "' vertex " + std::to_string(i / 5) + " " + kFields[i % 5] + ": " +
                    Frontend::Limits::describeCoordinate(value));
        mesh.vertices[i] = value;
    }
    if (triangleCount * kTriangleBytes > in.remaining())
        in.fail(where + "triangle count " + std::to_string(triangleCount) + " is larger than the file can hold");
    mesh.indices.resize(static_cast<size_t>(triangleCount) * 3);
    for (int& value : mesh.indices) {
        value = in.rawInt();
        if (value < 0 || value >= vertexCount)
            in.fail(where + "index " + std::to_string(value) + " out of range (vertex count " +
                    std::to_string(vertexCount) + ")");
    }
    return mesh;
}

} // namespace

std::vector<unsigned char> encodeQBR(const std::vector<QBRMesh>& meshes)
{
    for (size_t i = 0; i < meshes.size(); ++i)
        checkForWriting(meshes[i], i);
    std::vector<unsigned char> out;
    putInt(out, static_cast<int>(meshes.size()));
    for (const QBRMesh& mesh : meshes) {
        putInt(out, static_cast<int>(mesh.vertices.size() / 5));
        putInt(out, static_cast<int>(mesh.indices.size() / 3));
        putInt(out, static_cast<int>(mesh.name.size()));
        out.insert(out.end(), mesh.name.begin(), mesh.name.end());
        for (float value : mesh.vertices)
            putFloat(out, value);
        for (int value : mesh.indices)
            putInt(out, value);
    }
    return out;
}

void writeQBR(const std::string& path, const std::vector<QBRMesh>& meshes)
{
    std::vector<unsigned char> bytes = encodeQBR(meshes);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        throw Frontend::Error(path + ": cannot open for writing");
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    bool closed = std::fclose(file) == 0;
    if (!written || !closed)
        throw Frontend::Error(path + ": write failed");
}

std::vector<QBRMesh> decodeQBR(const unsigned char* bytes, size_t size, const std::string& fileName)
{
    ByteReader in(bytes, size, fileName);
    in.need(4, "mesh count");
    int meshCount = in.rawInt();
    if (meshCount < 0)
        in.fail("negative mesh count " + std::to_string(meshCount));
    if (meshCount > Frontend::Limits::kMaxMeshesPerFile)
        in.fail("mesh count " + std::to_string(meshCount) + " is more than the limit of " +
                std::to_string(Frontend::Limits::kMaxMeshesPerFile) + " meshes per file");
    if (meshCount * kHeaderBytes > in.remaining())
        in.fail("mesh count " + std::to_string(meshCount) + " is larger than the file can hold");
    std::vector<QBRMesh> meshes;
    meshes.reserve(static_cast<size_t>(meshCount));
    for (int i = 0; i < meshCount; ++i) {
        Frontend::throwIfStopRequested();
        meshes.push_back(decodeMesh(in, i));
    }
    return meshes;
}

} // namespace FrontendExt
