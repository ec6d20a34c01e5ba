// Loads every mesh of a QBR file into a Geometry ready for bump-mapped
// drawing: one interleaved buffer {position, normal, uv, tangent, binormal},
// a 32-bit index buffer, and the tangent frame computed at load time.
//
// The file is read in one piece and checked completely before any GL object
// is made; each buffer is uploaded in one call and mapped once for the
// tangent step.
#include "frontend_ext/QBRLoader.h"

#include <cstring>

#include "frontend/Error.h"
#include "frontend/StopRequest.h"

namespace FrontendExt {

namespace {

constexpr int kFloatsPerVertex = 14; // 56-byte record
constexpr int kComponentCounts[5] = {3, 3, 2, 3, 3};

std::unique_ptr<Geometry> buildMesh(const QBRMesh& mesh, int vertexUsage, int indexUsage)
{
    int vertexCount = static_cast<int>(mesh.vertices.size() / 5);
    // Normal, tangent and binormal start at zero; the tangent step fills them.
    std::vector<float> staging(static_cast<size_t>(vertexCount) * kFloatsPerVertex, 0.0f);
    for (int v = 0; v < vertexCount; ++v) {
        const float* source = &mesh.vertices[static_cast<size_t>(v) * 5];
        float* record = &staging[static_cast<size_t>(v) * kFloatsPerVertex];
        std::memcpy(record, source, 3 * sizeof(float));         // position, bytes 0..11
        std::memcpy(record + 6, source + 3, 2 * sizeof(float)); // uv, bytes 24..31
    }
    std::vector<unsigned> indices(mesh.indices.begin(), mesh.indices.end());

    auto geometry = std::make_unique<Geometry>();
    geometry->vertexBuffers[0] =
        new VertexBuffer(5, kComponentCounts, vertexCount, vertexUsage, staging.data(), nullptr);
    geometry->indexBuffer = new IndexBuffer(static_cast<int>(indices.size()), indexUsage, indices.data(), kIndexUInt);
    geometry->primitive = kPrimitiveTriangles;
    geometry->addBinding(0, 0, kSemanticPosition);
    geometry->addBinding(0, 1, kSemanticNormal);
    geometry->addBinding(0, 2, kSemanticTexCoord0);
    geometry->addBinding(0, 3, kSemanticTexCoord0 + 2); // tangent rides on texture unit 2
    geometry->addBinding(0, 4, kSemanticTexCoord0 + 3); // binormal on texture unit 3
    geometry->computeTangentSpace(kSemanticTexCoord0, kSemanticNormal, kSemanticTexCoord0 + 2, kSemanticTexCoord0 + 3);
    return geometry;
}

} // namespace

QBRLoader::QBRLoader(File file, int vertexUsage, int indexUsage) : name(file.path())
{
    std::vector<unsigned char> bytes = file.readAll();
    file.close();
    std::vector<QBRMesh> decoded = decodeQBR(bytes.data(), bytes.size(), name);
    meshes.reserve(decoded.size());
    for (const QBRMesh& mesh : decoded) {
        Frontend::throwIfStopRequested();
        meshes.push_back(buildMesh(mesh, vertexUsage, indexUsage));
    }
}

Geometry& QBRLoader::mesh(int index)
{
    if (index < 0 || index >= meshCount())
        throw Frontend::Error(name + ": no mesh " + std::to_string(index) + " (the file holds " +
                              std::to_string(meshCount()) + " meshes)");
    Geometry& geometry = *meshes[static_cast<size_t>(index)];
    const VertexBuffer* vertices = geometry.vertexBuffers[0];
    if (!vertices || vertices->vertexCount() == 0)
        throw Frontend::Error(name + ": mesh " + std::to_string(index) + " has no vertices");
    return geometry;
}

} // namespace FrontendExt
